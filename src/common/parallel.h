// Work spread over the machine's cores.
#pragma once

#include <algorithm>
#include <atomic>
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

// work(i) for i = 0 .. count - 1 in blocks of `block` on all cores; a count
// of one block or less stays on the calling thread.
template <typename Work>
void parallel_blocks(std::size_t count, const Work& work, std::size_t block = 1024) {
  const std::size_t blocks = (count + block - 1) / block;
  const unsigned threads =
      static_cast<unsigned>(std::clamp<std::size_t>(std::thread::hardware_concurrency(), 1, blocks == 0 ? 1 : blocks));
  parallel_for(blocks, threads, [&](std::size_t b) {
    const std::size_t end = std::min(count, (b + 1) * block);
    for (std::size_t i = b * block; i < end; ++i) work(i);
  });
}

// Text of items 0 .. count - 1, formatted block by block on all cores and
// handed to emit(text) in order: fill(begin, end, text) appends the text of
// items [begin, end). At most `workers` blocks are held at a time, so memory
// stays bounded whatever the count; a count of one block stays on the
// calling thread. The first exception of fill or emit is rethrown.
template <typename Fill, typename Emit>
void ordered_blocks(int64_t count, int64_t block, const Fill& fill, const Emit& emit) {
  if (count <= 0) return;
  const int64_t blocks = (count + block - 1) / block;
  const auto workers = static_cast<int64_t>(
      std::clamp<int64_t>(std::thread::hardware_concurrency(), 1, std::min<int64_t>(8, blocks)));
  std::vector<std::string> texts(static_cast<std::size_t>(workers));
  for (int64_t first = 0; first < blocks; first += workers) {
    const int64_t round = std::min(workers, blocks - first);
    parallel_for(static_cast<std::size_t>(round), static_cast<unsigned>(round), [&](std::size_t w) {
      std::string& text = texts[w];
      text.clear();
      const int64_t begin = (first + static_cast<int64_t>(w)) * block;
      fill(begin, std::min(count, begin + block), text);
    });
    for (int64_t w = 0; w < round; ++w) emit(texts[static_cast<std::size_t>(w)]);
  }
}

}  // namespace varnholt
