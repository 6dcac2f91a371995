// Sizes past 4 GiB, without writing gigabytes to disk: the data come from and go to sources
// and sinks that make and count bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>

#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/archive_reader.h"
#include "tools/vokmaker2/archive_writer.h"

namespace vokmaker {
namespace {

constexpr std::uint64_t kOverFourGiB = (std::uint64_t{1} << 32) + 5;

// Reads as `head`, then `zeros` zero bytes, then `tail`; cannot seek.
class GeneratedSource : public ByteSource {
 public:
  GeneratedSource(std::string head, std::uint64_t zeros, std::string tail)
      : head_(std::move(head)), tail_(std::move(tail)), zeros_(zeros) {}

  std::size_t Read(std::span<char> out) override {
    std::size_t got = Take(head_, out);
    const auto zeros = static_cast<std::size_t>(std::min<std::uint64_t>(zeros_, out.size() - got));
    std::fill_n(out.data() + got, zeros, '\0');
    zeros_ -= zeros;
    got += zeros;
    if (zeros_ == 0) got += Take(tail_, out.subspan(got));
    return got;
  }

 private:
  static std::size_t Take(std::string& from, std::span<char> out) {
    const std::size_t n = std::min(from.size(), out.size());
    from.copy(out.data(), n);
    from.erase(0, n);
    return n;
  }

  std::string head_, tail_;
  std::uint64_t zeros_;
};

// Keeps the first bytes written and counts them all.
class CountingSink : public ByteSink {
 public:
  bool Write(std::span<const char> data) override {
    first.append(data.data(), std::min<std::size_t>(64 - first.size(), data.size()));
    count += data.size();
    return true;
  }

  std::string first;
  std::uint64_t count = 0;
};

TEST(LargeSizes, AVokFileOverFourGiBIsWrittenAndReadWithItsFullSize) {
  // The archive around its data: the file record before, the end record after.
  const std::string bytes =
      testing::ArchiveBytes(Format::kVok).Record(1, "huge.bin", kOverFourGiB).End().bytes();
  const std::string head = bytes.substr(0, bytes.size() - 12);
  const std::string tail = bytes.substr(head.size());

  GeneratedSource data("", kOverFourGiB, "");
  CountingSink sink;
  ArchiveWriter writer(sink, Format::kVok);
  writer.AddFile("huge.bin", kOverFourGiB, data);
  writer.Finish();
  EXPECT_EQ(sink.count, head.size() + kOverFourGiB + tail.size());
  EXPECT_EQ(sink.first.substr(0, head.size()), head);

  GeneratedSource in(head, kOverFourGiB, tail);
  testing::ReadBack visitor(true);
  ReadArchive(in, Format::kVok, visitor);
  EXPECT_EQ(visitor.dataBytes, kOverFourGiB);
  EXPECT_EQ(visitor.completed, (std::vector<std::string>{"huge.bin"}));
}

}  // namespace
}  // namespace vokmaker
