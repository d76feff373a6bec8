// Telling input files apart by their first lines, and never failing on
// arbitrary bytes.
#include "common/file_kind.h"

#include <gtest/gtest.h>

#include <string>

#include "support/table.h"

namespace varnholt {
namespace {

using testing::read_table;

TEST(FileKind, FirstLinesTellTheKind) {
  for (const auto& row : read_table("common/file_kinds.txt")) {
    EXPECT_EQ(file_kind_text(sniff_file(row[0])), row[1]) << '"' << row[0] << '"';
  }
}

// Every pair of bytes as a whole file and after a title line: the sniffing
// ends without reading out of bounds, whatever the bytes.
TEST(FileKind, AnyBytesAreLookedAtSafely) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string pair{static_cast<char>(a), static_cast<char>(b)};
      sniff_file(pair);
      sniff_file("t\n" + pair + "\n" + pair);
    }
  }
}

}  // namespace
}  // namespace varnholt
