// Work spread over the machine's cores.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <exception>
#include <mutex>
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

}  // namespace varnholt
