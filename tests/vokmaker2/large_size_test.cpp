// Sizes past 4 GiB, without writing gigabytes to disk: the data come from and go to streams
// that make and count bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <istream>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>

#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/archive_writer.h"

namespace vokmaker {
namespace {

constexpr std::uint64_t kOverFourGiB = (std::uint64_t{1} << 32) + 5;

// Reads as `head`, then `zeros` zero bytes, then `tail`; cannot seek.
class GeneratedBuffer : public std::streambuf {
 public:
  GeneratedBuffer(std::string head, std::uint64_t zeros, std::string tail)
      : head_(std::move(head)), tail_(std::move(tail)), zeros_(zeros) {}

 protected:
  int_type underflow() override {
    if (!head_.empty()) {
      current_ = std::exchange(head_, {});
    } else if (zeros_ > 0) {
      current_.assign(static_cast<std::size_t>(std::min<std::uint64_t>(zeros_, 1 << 20)), '\0');
      zeros_ -= current_.size();
    } else if (!tail_.empty()) {
      current_ = std::exchange(tail_, {});
    } else {
      return traits_type::eof();
    }
    setg(current_.data(), current_.data(), current_.data() + current_.size());
    return traits_type::to_int_type(current_[0]);
  }

 private:
  std::string head_, tail_, current_;
  std::uint64_t zeros_;
};

// Keeps the first bytes written and counts them all.
class CountingBuffer : public std::streambuf {
 public:
  std::string first;
  std::uint64_t count = 0;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    first.append(s, std::min<std::size_t>(64 - first.size(), static_cast<std::size_t>(n)));
    count += static_cast<std::uint64_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    const char ch = traits_type::to_char_type(c);
    if (c != traits_type::eof()) xsputn(&ch, 1);
    return traits_type::not_eof(c);
  }
};

TEST(LargeSizes, AVokFileOverFourGiBIsWrittenAndReadWithItsFullSize) {
  // The archive around its data: the file record before, the end record after.
  const std::string bytes =
      testing::ArchiveBytes(Format::kVok).Record(1, "huge.bin", kOverFourGiB).End().bytes();
  const std::string head = bytes.substr(0, bytes.size() - 12);
  const std::string tail = bytes.substr(head.size());

  GeneratedBuffer source("", kOverFourGiB, "");
  std::istream data(&source);
  CountingBuffer sink;
  std::ostream out(&sink);
  ArchiveWriter writer(out, Format::kVok);
  writer.AddFile("huge.bin", kOverFourGiB, data);
  writer.Finish();
  EXPECT_EQ(sink.count, head.size() + kOverFourGiB + tail.size());
  EXPECT_EQ(sink.first.substr(0, head.size()), head);

  GeneratedBuffer archive(head, kOverFourGiB, tail);
  std::istream in(&archive);
  testing::ReadBack visitor(true);
  ReadArchive(in, Format::kVok, visitor);
  EXPECT_EQ(visitor.dataBytes, kOverFourGiB);
  EXPECT_EQ(visitor.completed, (std::vector<std::string>{"huge.bin"}));
}

}  // namespace
}  // namespace vokmaker
