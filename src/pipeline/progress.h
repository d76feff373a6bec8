// Progress of long work, for a caller that shows it (the command line does,
// on a terminal): what is being done, how much of how much.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <streambuf>
#include <string>

namespace varnholt {

using Progress = std::function<void(const std::string& what, int64_t done, int64_t total)>;

// A stream that forwards to another and reports the lines passing through it
// (every 4,096 and at the end) as progress of `what`, out of `lines`.
class CountedStream {
 public:
  CountedStream(std::ostream& target, Progress progress, std::string what, int64_t lines)
      : counter_(target.rdbuf(), std::move(progress), std::move(what), lines), stream_(&counter_) {}
  std::ostream& stream() { return stream_; }

 private:
  class Counter : public std::streambuf {
   public:
    Counter(std::streambuf* target, Progress progress, std::string what, int64_t lines)
        : target_(target), progress_(std::move(progress)), what_(std::move(what)), lines_(lines) {}
    ~Counter() override {
      if (progress_) progress_(what_, lines_, lines_);
    }

   protected:
    int_type overflow(int_type ch) override {
      if (target_ == nullptr) return traits_type::eof();
      if (traits_type::eq_int_type(ch, traits_type::eof())) return traits_type::not_eof(ch);
      count(traits_type::to_char_type(ch) == '\n' ? 1 : 0);
      return target_->sputc(traits_type::to_char_type(ch));
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
      if (target_ == nullptr) return 0;
      count(std::count(s, s + n, '\n'));
      return target_->sputn(s, n);
    }
    int sync() override { return target_ == nullptr ? -1 : target_->pubsync(); }

   private:
    void count(int64_t newlines) {
      done_ += newlines;
      if (progress_ && done_ % 4096 < newlines) progress_(what_, std::min(done_, lines_), lines_);
    }
    std::streambuf* target_;
    Progress progress_;
    std::string what_;
    int64_t lines_;
    int64_t done_ = 0;
  };

  Counter counter_;
  std::ostream stream_;
};

}  // namespace varnholt
