#include "common/stores.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

TEST(Stores, StartAtZeroWithBlankNames) {
  const State st;
  EXPECT_EQ(st.block1.n, 0);
  EXPECT_EQ(st.capind.g[kMaxPositions], 0.0f);
  EXPECT_EQ(st.charac.fno, std::string(20, ' '));
  EXPECT_EQ(st.main.design.size(), 9u);
  EXPECT_EQ(st.main.resp.size(), 20u);
}

TEST(Stores, PaddedAndTrimmedNames) {
  EXPECT_EQ(padded("abc", 5), "abc  ");
  EXPECT_EQ(padded("abcdefg", 5), "abcde");
  EXPECT_EQ(trimmed(" a b  "), " a b");
  EXPECT_EQ(trimmed("    "), "");
}

}  // namespace
}  // namespace varnholt
