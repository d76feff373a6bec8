// Layouts and the console layer: every literal item of the notation and its
// line ends, the programming errors a layout or its values can hold, where
// each kind of write goes, flushing before each read, and failed output.
#include "format/console.h"

#include <gtest/gtest.h>

#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/table.h"

namespace varnholt {
namespace {

// Each case (tests/data/layout_literals.txt) is written both as a finished
// line group and as a prompt: a finished write ends its last line with CR LF,
// a prompt leaves it open.
TEST(Layout, LiteralsGroupsAndLineEnds) {
  for (const auto& row : testing::read_table("layout_literals.txt")) {
    const Layout layout(row[0]);
    std::string prompt = "kept", finished;
    layout.append(prompt, {}, false);
    layout.append(finished, {}, true);
    EXPECT_EQ(prompt, "kept" + row[1]) << row[0];
    EXPECT_EQ(finished, row[1] + "\r\n") << row[0];
  }
}

// A programming error, caught before anything is written.
TEST(Layout, MismatchedValuesAndMalformedTextsThrow) {
  const struct {
    const char* layout;
    std::vector<FieldValue> values;
  } mismatches[] = {
      {"(I2)", {}}, {"(I2)", {1.0f}}, {"(2(I2))", {int32_t{1}, int32_t{2}, int32_t{3}}}};
  for (const auto& c : mismatches) {
    std::string out = "kept";
    EXPECT_THROW(Layout(c.layout).append(out, c.values.data(), c.values.size(), true),
                 std::invalid_argument)
        << c.layout;
    EXPECT_EQ(out, "kept") << c.layout;
  }
  const float v[] = {1.0f, 2.0f, 3.0f};
  for (const auto& [layout, count] : {std::pair{"(F8.2,F8.2)", 1}, {"(F8.2,F8.2)", 3},
                                      {"('x',F8.2,I3)", 2}, {"(F5.1,A4)", 2}}) {
    std::string out = "kept";
    EXPECT_THROW(Layout(layout).append(out, v, count, true), std::invalid_argument) << layout;
    EXPECT_EQ(out, "kept") << layout;
  }
  for (const auto& row : testing::read_table("layout_malformed.txt")) {
    EXPECT_THROW(Layout{row[0]}, std::invalid_argument) << '"' << row[0] << '"';
  }
}

// Output that shows its characters only when flushed, as a screen or a disk
// file does; `fail_flush` makes the flush fail.
class HeldOutput : public std::stringbuf {
 public:
  std::string visible;
  bool fail_flush = false;

 protected:
  int sync() override {
    if (fail_flush) return -1;
    visible += str();
    str("");
    return 0;
  }
};

// Input that notes what two outputs showed when the reply was first asked for.
class WatchedInput : public std::stringbuf {
 public:
  WatchedInput(const std::string& text, const HeldOutput& a, const HeldOutput& b)
      : text_(text), a_(a), b_(b) {}
  std::string a_at_read, b_at_read;

 protected:
  int_type underflow() override {
    if (!text_.empty()) a_at_read = a_.visible, b_at_read = b_.visible, str(text_), text_.clear();
    return std::stringbuf::underflow();
  }

 private:
  std::string text_;
  const HeldOutput& a_;
  const HeldOutput& b_;
};

const Layout kTitle("(/,6X,'Title ',I2)");
const Layout kAsk("(6X,'Value = ')");
const Layout kRow("(F6.2,A3)");

TEST(Console, EachKindOfWriteGoesWhereItBelongs) {
  std::istringstream in;
  std::ostringstream screen, disk;
  Console console(in, screen);
  console.report(kRow, {1.0f, std::string_view("abc")});  // no mirror yet
  EXPECT_FALSE(console.mirroring());
  console.mirror_to(&disk);
  EXPECT_TRUE(console.mirroring());
  console.show(kTitle, {int32_t{1}});
  console.prompt(kAsk);
  console.report(kRow, {3.0f, std::string_view("def")});
  console.mirror_to(nullptr);
  console.report(kRow, {5.0f, std::string_view("jkl")});
  EXPECT_EQ(screen.str(),
            "  1.00abc\r\n\r\n      Title  1\r\n      Value =   3.00def\r\n  5.00jkl\r\n");
  EXPECT_EQ(disk.str(), "  3.00def\r\n");
}

TEST(Console, FlushesScreenAndStorageBeforeEachRead) {
  HeldOutput screen_buf, disk_buf;
  std::ostream screen(&screen_buf), disk(&disk_buf);
  WatchedInput input("12.5\n", screen_buf, disk_buf);
  std::istream in(&input);
  Console console(in, screen);
  console.mirror_to(&disk);
  console.report(kRow, {1.0f, std::string_view("abc")});
  console.prompt(kAsk);
  EXPECT_EQ(console.read_number(), 12.5f);
  EXPECT_EQ(input.a_at_read, "  1.00abc\r\n      Value = ");
  EXPECT_EQ(input.b_at_read, "  1.00abc\r\n");
}

TEST(Console, FailedOutputIsFatal) {
  std::istringstream in("1\n");
  std::ostringstream bad, good;
  bad.setstate(std::ios::badbit);
  Console broken_screen(in, bad);
  EXPECT_THROW(broken_screen.show(kTitle, {int32_t{1}}), FatalError);
  EXPECT_THROW(broken_screen.prompt(kAsk), FatalError);
  Console broken_disk(in, good);
  broken_disk.mirror_to(&bad);
  EXPECT_NO_THROW(broken_disk.show(kTitle, {int32_t{1}}));  // the console alone is fine
  EXPECT_THROW(broken_disk.report(kRow, {1.0f, std::string_view("abc")}), FatalError);
  // Storage output that fails only when it is flushed before a read.
  HeldOutput disk_buf;
  disk_buf.fail_flush = true;
  std::ostream disk(&disk_buf);
  Console late(in, good);
  late.mirror_to(&disk);
  late.report(kRow, {1.0f, std::string_view("abc")});
  EXPECT_THROW(late.read_number(), FatalError);
}

}  // namespace
}  // namespace varnholt
