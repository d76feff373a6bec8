// The console layer: where each kind of write goes, line state, and reading
// replies with flushing and fatal conditions.
#include "format/console.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

namespace varnholt {
namespace {

// An output stream buffer that shows its characters only when flushed, so a
// test can tell what a reader would see on the screen or on disk.
class HeldOutput : public std::streambuf {
 public:
  std::string visible;
  std::string pending;
  bool fail_flush = false;

 protected:
  int_type overflow(int_type c) override {
    if (!traits_type::eq_int_type(c, traits_type::eof())) pending.push_back(static_cast<char>(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    pending.append(s, static_cast<std::size_t>(n));
    return n;
  }
  int sync() override {
    if (fail_flush) return -1;
    visible += pending;
    pending.clear();
    return 0;
  }
};

// An input stream buffer that notes what the outputs showed at the moment
// the first character of the reply was asked for.
class WatchedInput : public std::streambuf {
 public:
  WatchedInput(std::string text, const HeldOutput& screen, const HeldOutput& disk)
      : text_(std::move(text)), screen_(screen), disk_(disk) {}
  std::string screen_at_read;
  std::string disk_at_read;
  int reads = 0;

 protected:
  int_type underflow() override {
    if (gptr() == nullptr) {
      ++reads;
      screen_at_read = screen_.visible;
      disk_at_read = disk_.visible;
      setg(text_.data(), text_.data(), text_.data() + text_.size());
    }
    if (gptr() == egptr()) return traits_type::eof();
    return traits_type::to_int_type(*gptr());
  }

 private:
  std::string text_;
  const HeldOutput& screen_;
  const HeldOutput& disk_;
};

const Layout kTitle("(/,6X,'Title ',I2)");
const Layout kAsk("(6X,'Value = ')");
const Layout kRow("(F6.2,A3)");

TEST(ConsoleWrites, EachKindGoesWhereItBelongs) {
  std::istringstream in;
  std::ostringstream screen;
  std::ostringstream disk;
  Console console(in, screen);

  console.report(kRow, {1.0f, std::string_view("abc")});  // no mirror yet
  console.store(kRow, {2.0f, std::string_view("abc")});   // nothing to store into
  EXPECT_FALSE(console.mirroring());
  console.mirror_to(&disk);
  EXPECT_TRUE(console.mirroring());
  console.show(kTitle, {int32_t{1}});
  console.prompt(kAsk);
  console.report(kRow, {3.0f, std::string_view("def")});
  console.store(kRow, {4.0f, std::string_view("ghi")});
  console.mirror_to(nullptr);
  console.report(kRow, {5.0f, std::string_view("jkl")});

  EXPECT_EQ(screen.str(),
            "  1.00abc\r\n"
            "\r\n      Title  1\r\n"
            "      Value = "  // the prompt leaves its line open
            "  3.00def\r\n"
            "  5.00jkl\r\n");
  EXPECT_EQ(disk.str(),
            "  3.00def\r\n"
            "  4.00ghi\r\n");
}

TEST(ConsoleReads, FlushesScreenAndDiskBeforeEachRead) {
  HeldOutput screen_buf;
  HeldOutput disk_buf;
  std::ostream screen(&screen_buf);
  std::ostream disk(&disk_buf);
  WatchedInput input("12.5\n", screen_buf, disk_buf);
  std::istream in(&input);
  Console console(in, screen);
  console.mirror_to(&disk);

  console.report(kRow, {1.0f, std::string_view("abc")});
  console.prompt(kAsk);
  EXPECT_EQ(console.read_number(), 12.5f);
  EXPECT_EQ(input.reads, 1);
  EXPECT_EQ(input.screen_at_read, "  1.00abc\r\n      Value = ");
  EXPECT_EQ(input.disk_at_read, "  1.00abc\r\n");
}

TEST(ConsoleReads, NumbersChoicesAndNames) {
  std::istringstream in(
      "3,7\r\n"
      "\r\n"
      "2.5\r\n"
      "-2.5\n"
      "0.4\r"
      "  my file name that is too long\n"
      "\n");
  std::ostringstream screen;
  Console console(in, screen);
  EXPECT_EQ(console.read_number(), 3.0f);
  EXPECT_EQ(console.read_number(), 0.0f);
  EXPECT_EQ(console.read_choice(), 3);
  EXPECT_EQ(console.read_choice(), -3);
  EXPECT_EQ(console.read_choice(), 0);
  EXPECT_EQ(console.read_name(), "  my file name that ");
  EXPECT_EQ(console.read_name(), std::string(20, ' '));
  EXPECT_EQ(screen.str(), "");  // replies are not echoed by the program
}

TEST(ConsoleReads, FatalConditions) {
  const struct {
    const char* input;
    int good_reads;  // numbers read before the fatal one
  } cases[] = {
      {"abc\n", 0},
      {"1.2.3\n", 0},
      {"1\n\t2\n", 1},
      {"", 0},
      {"5\n", 1},  // the second read meets the end of input
  };
  for (const auto& c : cases) {
    std::istringstream in(c.input);
    std::ostringstream screen;
    Console console(in, screen);
    for (int i = 0; i < c.good_reads; ++i) EXPECT_NO_THROW(console.read_number()) << c.input;
    EXPECT_THROW(console.read_number(), FatalError) << c.input;
  }
  std::istringstream empty;
  std::ostringstream screen;
  Console console(empty, screen);
  EXPECT_THROW(console.read_name(), FatalError);
  EXPECT_THROW(console.read_choice(), FatalError);
}

TEST(ConsoleWrites, FailedOutputIsFatal) {
  std::istringstream in("1\n");
  {
    std::ostringstream screen;
    screen.setstate(std::ios::badbit);
    Console console(in, screen);
    EXPECT_THROW(console.show(kTitle, {int32_t{1}}), FatalError);
    EXPECT_THROW(console.prompt(kAsk), FatalError);
  }
  {
    std::ostringstream screen;
    std::ostringstream disk;
    disk.setstate(std::ios::badbit);
    Console console(in, screen);
    console.mirror_to(&disk);
    EXPECT_NO_THROW(console.show(kTitle, {int32_t{1}}));  // the console alone is fine
    EXPECT_THROW(console.report(kRow, {1.0f, std::string_view("abc")}), FatalError);
    EXPECT_THROW(console.store(kRow, {1.0f, std::string_view("abc")}), FatalError);
  }
  {
    // Buffered storage output that fails only when flushed before a read.
    HeldOutput screen_buf;
    HeldOutput disk_buf;
    disk_buf.fail_flush = true;
    std::ostream screen(&screen_buf);
    std::ostream disk(&disk_buf);
    std::istringstream replies("1\n");
    Console console(replies, screen);
    console.mirror_to(&disk);
    console.report(kRow, {1.0f, std::string_view("abc")});
    EXPECT_THROW(console.read_number(), FatalError);
  }
}

}  // namespace
}  // namespace varnholt
