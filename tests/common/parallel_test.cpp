// Ordered blocks: the text of every item reaches the writer once and in
// order however the work is spread, and a failure on any side stops it and
// is rethrown.
#include "common/parallel.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace varnholt {
namespace {

std::string items(int64_t count, int64_t block, int64_t failing = -1, int64_t refused = -1) {
  std::string out;
  int64_t emits = 0;
  ordered_blocks(
      count, block,
      [&](int64_t begin, int64_t end, std::string& text) {
        for (int64_t i = begin; i < end; ++i) {
          if (i == failing) throw std::runtime_error("fill " + std::to_string(i));
          text += std::to_string(i) + ',';
        }
      },
      [&](const std::string& text) {
        if (emits++ == refused) throw std::runtime_error("emit");
        out += text;
      });
  return out;
}

TEST(OrderedBlocks, EveryItemOnceInOrder) {
  for (const auto& [count, block] : {std::pair<int64_t, int64_t>{0, 4}, {1, 4}, {4, 4}, {5, 4},
                                     {1000, 7}, {20000, 3}}) {
    std::string want;
    for (int64_t i = 0; i < count; ++i) want += std::to_string(i) + ',';
    EXPECT_EQ(items(count, block), want) << count << " in blocks of " << block;
  }
}

TEST(OrderedBlocks, FailuresAreRethrown) {
  EXPECT_THROW(items(5000, 10, 4321), std::runtime_error);
  EXPECT_THROW(items(3, 10, 2), std::runtime_error);  // one block, on this thread
  EXPECT_THROW(items(5000, 10, -1, 17), std::runtime_error);
}

}  // namespace
}  // namespace varnholt
