// Work spread over the machine's cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstddef>
#include <exception>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace varnholt {

// Calls work(i) once for each i = 0 .. count - 1, on up to `threads` threads
// taking the next i as they come free (work(i) must write only its own
// results, so the order does not matter). A thread the system refuses leaves
// the work to the others; the first exception thrown by work is rethrown here.
template <typename Work>
void parallel_for(std::size_t count, unsigned threads, const Work& work) {
  std::atomic<std::size_t> next{0};
  std::exception_ptr error;
  std::mutex error_lock;
  const auto worker = [&] {
    try {
      for (std::size_t i = next++; i < count; i = next++) work(i);
    } catch (...) {
      const std::lock_guard<std::mutex> hold(error_lock);
      if (!error) error = std::current_exception();
      next = count;
    }
  };
  std::vector<std::thread> pool;
  try {
    for (unsigned k = 1; k < threads; ++k) pool.emplace_back(worker);
  } catch (const std::system_error&) {
    // carry on with the threads that did start
  }
  worker();
  for (std::thread& th : pool) th.join();
  if (error) std::rethrow_exception(error);
}

// work(begin, end) over the ranges of `block` items that make up 0 .. count
// - 1, on all cores; a count of one block or less stays on the calling thread.
template <typename Work>
void parallel_ranges(std::size_t count, const Work& work, std::size_t block = 1024) {
  const std::size_t blocks = (count + block - 1) / block;
  const unsigned threads =
      static_cast<unsigned>(std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, blocks == 0 ? 1 : blocks));
  parallel_for(blocks, threads, [&](std::size_t b) { work(b * block, std::min(count, (b + 1) * block)); });
}

// work(i) for i = 0 .. count - 1 in blocks of `block` on all cores.
template <typename Work>
void parallel_blocks(std::size_t count, const Work& work, std::size_t block = 1024) {
  parallel_ranges(
      count,
      [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) work(i);
      },
      block);
}

// Text of items 0 .. count - 1, formatted block by block on all cores and
// handed to emit(text) in order: fill(begin, end, text) appends the text of
// items [begin, end). The calling thread emits while the workers fill the
// blocks after, and at most two blocks per worker are held at a time, so
// memory stays bounded whatever the count; a count of one block stays on the
// calling thread. The first exception of fill or emit is rethrown.
template <typename Fill, typename Emit>
void ordered_blocks(int64_t count, int64_t block, const Fill& fill, const Emit& emit) {
  if (count <= 0) return;
  const int64_t blocks = (count + block - 1) / block;
  const auto range = [&](int64_t b, std::string& text) {
    text.clear();
    fill(b * block, std::min(count, (b + 1) * block), text);
  };
  if (blocks == 1) {
    std::string text;
    range(0, text);
    emit(text);
    return;
  }
  const auto workers = static_cast<int64_t>(
      std::clamp<int64_t>(std::thread::hardware_concurrency(), 1, std::min<int64_t>(8, blocks)));
  const int64_t slots = 2 * workers;  // block b is held in texts[b % slots]
  std::vector<std::string> texts(static_cast<std::size_t>(slots));
  std::vector<char> ready(static_cast<std::size_t>(slots), 0);
  std::mutex lock;
  std::condition_variable changed;
  int64_t claimed = 0;  // blocks taken by the workers
  int64_t emitted = 0;  // blocks handed to emit
  bool stop = false;
  std::exception_ptr error;
  const auto fail = [&] {
    const std::lock_guard<std::mutex> hold(lock);
    if (!error) error = std::current_exception();
    stop = true;
    changed.notify_all();
  };
  const auto work = [&] {
    try {
      for (;;) {
        int64_t b = 0;
        {
          std::unique_lock<std::mutex> hold(lock);
          changed.wait(hold, [&] { return stop || claimed >= blocks || claimed - emitted < slots; });
          if (stop || claimed >= blocks) return;
          b = claimed++;
        }
        const auto slot = static_cast<std::size_t>(b % slots);
        range(b, texts[slot]);
        const std::lock_guard<std::mutex> hold(lock);
        ready[slot] = 1;
        changed.notify_all();
      }
    } catch (...) {
      fail();
    }
  };
  std::vector<std::thread> pool;
  try {
    for (int64_t w = 0; w < workers; ++w) pool.emplace_back(work);
  } catch (const std::system_error&) {
    // carry on with the threads that did start
  }
  if (pool.empty()) {  // no thread at all: everything here, in order
    std::string text;
    for (int64_t b = 0; b < blocks; ++b) {
      range(b, text);
      emit(text);
    }
    return;
  }
  try {
    for (int64_t b = 0; b < blocks; ++b) {
      const auto slot = static_cast<std::size_t>(b % slots);
      {
        std::unique_lock<std::mutex> hold(lock);
        changed.wait(hold, [&] { return stop || ready[slot] != 0; });
        if (stop) break;
      }
      emit(texts[slot]);
      const std::lock_guard<std::mutex> hold(lock);
      ready[slot] = 0;
      emitted = b + 1;
      changed.notify_all();
    }
  } catch (...) {
    fail();
  }
  for (std::thread& th : pool) th.join();
  if (error) std::rethrow_exception(error);
}

}  // namespace varnholt
