// Sizes past 4 GiB, without writing gigabytes to disk: the data come from and go to streams
// that make and count bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/archive_writer.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/list.h"

namespace vokmaker {
namespace {

constexpr std::uint64_t kOverFourGiB = (std::uint64_t{1} << 32) + 5;

// Reads as `head`, then `zeros` zero bytes, then `tail`; cannot seek.
class GeneratedBuffer : public std::streambuf {
 public:
  GeneratedBuffer(std::string head, std::uint64_t zeros, std::string tail)
      : head_(std::move(head)), zeros_(zeros), tail_(std::move(tail)) {}

 protected:
  std::streamsize xsgetn(char* out, std::streamsize n) override {
    std::streamsize done = 0;
    while (done < n) {
      const std::uint64_t want = static_cast<std::uint64_t>(n - done);
      std::uint64_t got = 0;
      if (at_ < head_.size()) {
        got = std::min<std::uint64_t>(want, head_.size() - at_);
        std::memcpy(out + done, head_.data() + at_, got);
      } else if (at_ < head_.size() + zeros_) {
        got = std::min<std::uint64_t>(want, head_.size() + zeros_ - at_);
        std::memset(out + done, 0, got);
      } else if (at_ < head_.size() + zeros_ + tail_.size()) {
        const std::uint64_t from = at_ - head_.size() - zeros_;
        got = std::min<std::uint64_t>(want, tail_.size() - from);
        std::memcpy(out + done, tail_.data() + from, got);
      } else {
        break;
      }
      at_ += got;
      done += static_cast<std::streamsize>(got);
    }
    return done;
  }
  int_type underflow() override {
    char c;
    if (xsgetn(&c, 1) != 1) return traits_type::eof();
    --at_;  // underflow only looks
    current_ = c;
    setg(&current_, &current_, &current_ + 1);
    ++at_;
    return traits_type::to_int_type(c);
  }

 private:
  std::string head_;
  std::uint64_t zeros_;
  std::string tail_;
  std::uint64_t at_ = 0;
  char current_ = 0;
};

// Keeps the first bytes written and counts the rest.
class CountingBuffer : public std::streambuf {
 public:
  std::string first;
  std::uint64_t count = 0;

 protected:
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    const std::size_t keep = std::min<std::size_t>(64 - first.size(), static_cast<std::size_t>(n));
    first.append(s, keep);
    count += static_cast<std::uint64_t>(n);
    return n;
  }
  int_type overflow(int_type c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    const char ch = traits_type::to_char_type(c);
    xsputn(&ch, 1);
    return c;
  }
};

class CountingVisitor : public EntryVisitor {
 public:
  bool OnEntry(const Entry& entry) override {
    announced = entry.size;
    return true;
  }
  void OnData(const Entry&, std::span<const char> data) override {
    received += data.size();
    // Every byte would take long in a sanitized build; the ends of each piece will do.
    nonZero = nonZero || (!data.empty() && (data.front() != 0 || data.back() != 0));
  }
  void OnFileEnd(const Entry&) override { ++completed; }
  std::uint64_t announced = 0;
  std::uint64_t received = 0;
  bool nonZero = false;
  int completed = 0;
};

TEST(LargeSizes, AVokFileOverFourGiBIsWrittenAndReadWithItsFullSize) {
  GeneratedBuffer source("", kOverFourGiB, "");
  std::istream data(&source);
  CountingBuffer sink;
  std::ostream out(&sink);
  ArchiveWriter writer(out, Format::kVok);
  writer.AddFile("huge.bin", kOverFourGiB, data);
  writer.Finish();

  const std::string name = "huge.bin";
  EXPECT_EQ(sink.count, 8 + 12 + name.size() + kOverFourGiB + 12);
  const std::string head =
      testing::ArchiveBytes(Format::kVok).Record(1, name, kOverFourGiB).bytes();
  EXPECT_EQ(sink.first.substr(0, head.size()), head);

  GeneratedBuffer archive(head, kOverFourGiB,
                          testing::ArchiveBytes::Empty(Format::kVok).Record(0, "", 1).bytes());
  std::istream in(&archive);
  CountingVisitor visitor;
  const ArchiveTotals totals = ReadArchive(in, Format::kVok, visitor);
  EXPECT_EQ(visitor.announced, kOverFourGiB);
  EXPECT_EQ(visitor.received, kOverFourGiB);
  EXPECT_FALSE(visitor.nonZero);
  EXPECT_EQ(visitor.completed, 1);
  EXPECT_EQ(totals.bytes, kOverFourGiB);
}

TEST(LargeSizes, TheListingShowsAllDigits) {
  EXPECT_EQ(ListingLine(kOverFourGiB, "d/huge.bin"), "   4294967301 \\d\\huge.bin");
  EXPECT_EQ(ListingLine(18446744073709551615u, "max"), " 18446744073709551615 \\max");
  EXPECT_EQ(ListingLine(0, "e"), "            0 \\e");
}

TEST(LargeSizes, ATemoSizeKeepsItsHighBits) {
  // A TEMO file of 5 GiB whose blocks are missing: the message shows the size read.
  const std::string bytes =
      testing::ArchiveBytes(Format::kTemo).Record(1, "five.bin", std::uint64_t{5} << 30).bytes();
  std::istringstream in(bytes);
  CountingVisitor visitor;
  try {
    ReadArchive(in, Format::kTemo, visitor);
    FAIL() << "no error";
  } catch (const DamagedArchive& error) {
    EXPECT_NE(std::string(error.what()).find("5368709120 bytes"), std::string::npos)
        << error.what();
  }
  EXPECT_EQ(visitor.announced, std::uint64_t{5} << 30);
}

}  // namespace
}  // namespace vokmaker
