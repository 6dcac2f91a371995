#include "tools/vokmaker2/archive_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/archive_writer.h"
#include "tools/vokmaker2/errors.h"

namespace vokmaker {
namespace {

using testing::ArchiveBytes;

// A stream that cannot seek and hands out a few bytes at a time, like a pipe.
class OneWayBuffer : public std::streambuf {
 public:
  explicit OneWayBuffer(std::string bytes) : bytes_(std::move(bytes)) {}

 protected:
  int_type underflow() override {
    if (at_ >= bytes_.size()) return traits_type::eof();
    const std::size_t n = std::min<std::size_t>(7, bytes_.size() - at_);
    char* begin = bytes_.data() + at_;
    setg(begin, begin, begin + n);
    at_ += n;
    return traits_type::to_int_type(*begin);
  }

 private:
  std::string bytes_;
  std::size_t at_ = 0;
};

struct Event {
  std::string what;  // "folder", "file", "end"
  std::string name;
  std::uint64_t size = 0;
  std::string data;
  bool operator==(const Event&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Event& e) {
  return out << e.what << " " << e.name << " " << e.size << " (" << e.data.size() << " bytes)";
}

class RecordingVisitor : public EntryVisitor {
 public:
  explicit RecordingVisitor(bool wantData = true) : wantData_(wantData) {}
  bool OnEntry(const Entry& entry) override {
    events.push_back(
        {entry.type == EntryType::kFolder ? "folder" : "file", entry.name, entry.size, ""});
    return wantData_;
  }
  void OnData(const Entry&, std::span<const char> data) override {
    events.back().data.append(data.data(), data.size());
    dataBytes += data.size();
  }
  void OnFileEnd(const Entry&) override { events.push_back({"end", "", 0, ""}); }

  std::vector<Event> events;
  std::uint64_t dataBytes = 0;

 private:
  bool wantData_;
};

std::string Written(Format format, const std::function<void(ArchiveWriter&)>& fill) {
  std::ostringstream out;
  ArchiveWriter writer(out, format);
  fill(writer);
  writer.Finish();
  return out.str();
}

class ReaderFormats : public ::testing::TestWithParam<Format> {};

TEST_P(ReaderFormats, ReadsBackWhatTheWriterWrote) {
  const std::string big = testing::RandomBytes(3 * 1024 * 1024 + 17, 1);
  const std::string bytes = Written(GetParam(), [&](ArchiveWriter& w) {
    w.AddFolder("empty");
    std::istringstream a("hello"), none(""), large(big);
    w.AddFile("dir/a.txt", 5, a);
    w.AddFile("zero", 0, none);
    w.AddFile("big.bin", big.size(), large);
  });
  for (bool seekable : {true, false}) {
    std::istringstream seekableIn(bytes);
    OneWayBuffer pipe(bytes);
    std::istream pipeIn(&pipe);
    RecordingVisitor visitor;
    const ArchiveTotals totals = ReadArchive(
        seekable ? static_cast<std::istream&>(seekableIn) : pipeIn, GetParam(), visitor);
    const std::vector<Event> expected{
        {"folder", "empty", 0, ""}, {"file", "dir/a.txt", 5, "hello"},
        {"end", "", 0, ""},         {"file", "zero", 0, ""},
        {"end", "", 0, ""},         {"file", "big.bin", big.size(), big},
        {"end", "", 0, ""}};
    EXPECT_EQ(visitor.events, expected) << (seekable ? "seekable" : "pipe");
    EXPECT_EQ(totals.files, 3u);
    EXPECT_EQ(totals.folders, 1u);
    EXPECT_EQ(totals.bytes, 5 + big.size());
  }
}

TEST_P(ReaderFormats, SkipsDataItIsNotAskedForAndGoesOn) {
  // Short data is read past, long data sought past when the stream can seek.
  const std::string bytes = ArchiveBytes(GetParam())
                                .File("a.bin", testing::RandomBytes(5000, 2))
                                .File("b.bin", testing::RandomBytes(2 * 1024 * 1024 + 1, 3))
                                .File("c.txt", "third")
                                .End()
                                .bytes();
  for (bool seekable : {true, false}) {
    std::istringstream seekableIn(bytes);
    OneWayBuffer pipe(bytes);
    std::istream pipeIn(&pipe);
    RecordingVisitor visitor(false);
    ReadArchive(seekable ? static_cast<std::istream&>(seekableIn) : pipeIn, GetParam(), visitor);
    ASSERT_EQ(visitor.events.size(), 3u);
    EXPECT_EQ(visitor.events[2].name, "c.txt");
    EXPECT_EQ(visitor.dataBytes, 0u);
  }
}

TEST_P(ReaderFormats, WriterFollowsTheDocumentedLayout) {
  // Three bytes do not compress, so TEMO stores them in one plain block.
  const std::string written = Written(GetParam(), [](ArchiveWriter& w) {
    w.AddFolder("d");
    std::istringstream data("xyz");
    w.AddFile("d/f", 3, data);
  });
  const std::string byHand = ArchiveBytes(GetParam()).Folder("d").File("d/f", "xyz").End().bytes();
  EXPECT_EQ(written, byHand);
}

TEST_P(ReaderFormats, WriterRefusesAFileThatEndsEarly) {
  std::ostringstream out;
  ArchiveWriter writer(out, GetParam());
  std::istringstream shortData("abc");
  try {
    writer.AddFile("short.txt", 10, shortData);
    FAIL() << "no error";
  } catch (const ToolError& error) {
    EXPECT_NE(std::string(error.what()).find("\\short.txt became shorter"), std::string::npos)
        << error.what();
  }
}

TEST(ReaderVok, FindsAForgedSizeBeforeHandingOutAnyData) {
  const std::string bytes =
      ArchiveBytes(Format::kVok).Record(1, "huge.bin", std::uint64_t{1} << 62).Raw("abc").bytes();
  std::istringstream in(bytes);
  RecordingVisitor visitor;
  EXPECT_THROW(ReadArchive(in, Format::kVok, visitor), DamagedArchive);
  EXPECT_EQ(visitor.dataBytes, 0u);
}

TEST(ReaderTemo, ListingSkipsTheDataChecksum) {
  std::string bytes = ArchiveBytes(Format::kTemo).File("a.txt", "hello").End().bytes();
  bytes[bytes.find("hello")] = 'j';
  std::istringstream skipping(bytes);
  RecordingVisitor lister(false);
  EXPECT_NO_THROW(ReadArchive(skipping, Format::kTemo, lister));
  std::istringstream reading(bytes);
  RecordingVisitor extractor(true);
  EXPECT_THROW(ReadArchive(reading, Format::kTemo, extractor), DamagedArchive);
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderFormats, ::testing::Values(Format::kVok, Format::kTemo),
                         [](const auto& test) { return std::string(FormatName(test.param)); });

// ---- damaged archives ----

struct DamageRow {
  const char* name;
  std::function<std::string(Format)> bytes;
  const char* messageContains;
  const char* entryShown;  // the entry the message must name, or nullptr
  bool temoOnly = false;
};

std::string CutEnd(std::string bytes, std::size_t n) {
  bytes.resize(bytes.size() - n);
  return bytes;
}

std::string EndRecordSize(Format format) {
  return std::string(format == Format::kVok ? 12 : 16, ' ');
}

std::string FlipFirst(std::string bytes, std::string_view what) {
  bytes[bytes.find(what)] ^= 0x01;
  return bytes;
}

ArchiveBytes Temo() { return ArchiveBytes(Format::kTemo); }

const std::vector<DamageRow>& DamageRows() {
  static const std::vector<DamageRow> rows{
      {"wrong_mark", [](Format f) { return ArchiveBytes::Empty(f).Raw("NOTARCH!").End().bytes(); },
       "wrong format mark", nullptr},
      {"the_other_format",
       [](Format f) {
         return ArchiveBytes(f == Format::kVok ? Format::kTemo : Format::kVok).End().bytes();
       },
       "archive", nullptr},
      {"newer_version",
       [](Format f) {
         std::string b = ArchiveBytes(f).End().bytes();
         b[7] = 2;
         return b;
       },
       "unsupported format version 2", nullptr},
      {"shorter_than_the_mark", [](Format) { return std::string("VOK"); }, "too short", nullptr},
      {"no_end_record", [](Format f) { return ArchiveBytes(f).File("a.txt", "hello").bytes(); },
       "ends before its end record", nullptr},
      {"cut_inside_a_name",
       [](Format f) {
         return ArchiveBytes(f).Le(1, 1).Le(0, 1).Le(10, 2).Le(5, 8).Raw("abc").bytes();
       },
       "ends inside an entry's name", "entry number 1"},
      {"size_past_the_end",
       [](Format f) {
         return ArchiveBytes(f).Record(1, "big.bin", std::uint64_t{1} << 62).Raw("abc").bytes();
       },
       "runs past the end", "\\big.bin"},
      {"data_cut_short",
       [](Format f) {
         return CutEnd(ArchiveBytes(f).File("dir/a.txt", "0123456789").End().bytes(),
                       EndRecordSize(f).size() + 3);
       },
       "runs past the end", "\\dir\\a.txt"},
      {"link_entry", [](Format f) { return ArchiveBytes(f).Record(3, "link", 0).End().bytes(); },
       "unknown entry type 3", "\\link"},
      {"unknown_flags",
       [](Format f) { return ArchiveBytes(f).Record(1, "a.txt", 0, 4).End().bytes(); },
       "unknown record flags", "\\a.txt"},
      {"folder_with_a_size",
       [](Format f) { return ArchiveBytes(f).Record(2, "d", 5).End().bytes(); },
       "folder record with a size", "\\d"},
      {"file_without_a_name",
       [](Format f) { return ArchiveBytes(f).Record(1, "", 0).End().bytes(); }, "without a name",
       nullptr},
      {"end_record_miscounts",
       [](Format f) { return ArchiveBytes(f).File("a.txt", "x").End(5).bytes(); },
       "counts 5 entries, but 1 were read", nullptr},
      {"end_record_with_a_name", [](Format f) { return ArchiveBytes(f).Record(0, "x", 0).bytes(); },
       "end record carries a name", nullptr},
      {"data_after_the_end", [](Format f) { return ArchiveBytes(f).End().Raw("x").bytes(); },
       "after the end record", nullptr},
      {"record_checksum",
       [](Format) { return FlipFirst(Temo().File("a.txt", "hello").End().bytes(), "a.txt"); },
       "record's checksum does not match", nullptr, true},
      {"data_checksum",
       [](Format) { return FlipFirst(Temo().File("a.txt", "hello").End().bytes(), "hello"); },
       "data's checksum does not match", "\\a.txt", true},
      {"block_over_a_mebibyte",
       [](Format) {
         return Temo().Record(1, "a", 4 << 20).Le(0, 1).Le((1 << 20) + 1, 4).Le(5, 4).bytes();
       },
       "impossible length", "\\a", true},
      {"block_longer_than_the_file",
       [](Format) {
         return Temo().Record(1, "a", 3).Le(0, 1).Le(5, 4).Le(5, 4).Raw("12345").bytes();
       },
       "impossible length", "\\a", true},
      {"stored_block_lengths_differ",
       [](Format) {
         return Temo().Record(1, "a", 3).Le(0, 1).Le(3, 4).Le(4, 4).Raw("1234").bytes();
       },
       "inconsistent length", "\\a", true},
      {"compressed_block_not_smaller",
       [](Format) {
         return Temo().Record(1, "a", 3).Le(1, 1).Le(3, 4).Le(3, 4).Raw("123").bytes();
       },
       "impossible length", "\\a", true},
      {"unknown_block_method",
       [](Format) {
         return Temo().Record(1, "a", 3).Le(7, 1).Le(3, 4).Le(3, 4).Raw("123").bytes();
       },
       "unknown block method 7", "\\a", true},
      {"block_that_does_not_decompress",
       [](Format) {
         return Temo()
             .Record(1, "a", 10)
             .Le(1, 1)
             .Le(10, 4)
             .Le(4, 4)
             .Raw(std::string("\x10"
                              "a\x05\x00",
                              4))
             .Le(0, 4)
             .End()
             .bytes();
       },
       "does not decompress", "\\a", true},
  };
  return rows;
}

struct DamageCase {
  DamageRow row;
  Format format;
};

// Test listings show the row by its name.
void PrintTo(const DamageCase& row, std::ostream* out) {
  *out << row.row.name << " (" << FormatName(row.format) << ")";
}

class DamagedArchives : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedArchives, AreReportedWithTheEntryAndNeverDeliverMoreThanIsThere) {
  const DamageRow& row = GetParam().row;
  const std::string bytes = row.bytes(GetParam().format);
  for (bool seekable : {true, false}) {
    std::istringstream seekableIn(bytes);
    OneWayBuffer pipe(bytes);
    std::istream pipeIn(&pipe);
    RecordingVisitor visitor;
    try {
      ReadArchive(seekable ? static_cast<std::istream&>(seekableIn) : pipeIn, GetParam().format,
                  visitor);
      ADD_FAILURE() << "no error (" << (seekable ? "seekable" : "pipe") << ")";
    } catch (const DamagedArchive& error) {
      const std::string message = error.what();
      EXPECT_NE(message.find(row.messageContains), std::string::npos) << message;
      if (row.entryShown) {
        EXPECT_NE(message.find(row.entryShown), std::string::npos) << message;
      }
      EXPECT_EQ(message.find('\n'), std::string::npos);
    }
    EXPECT_LE(visitor.dataBytes, bytes.size());
    const bool completed = !visitor.events.empty() && visitor.events.back().what == "end";
    if (std::string_view(row.name).find("checksum") != std::string_view::npos) {
      EXPECT_FALSE(completed) << "a file that fails its checksum is never reported complete";
    }
  }
}

std::vector<DamageCase> DamageCases() {
  std::vector<DamageCase> cases;
  for (const DamageRow& row : DamageRows()) {
    if (!row.temoOnly) cases.push_back({row, Format::kVok});
    cases.push_back({row, Format::kTemo});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Rows, DamagedArchives, ::testing::ValuesIn(DamageCases()),
                         [](const auto& test) {
                           return std::string(FormatName(test.param.format)) + "_" +
                                  test.param.row.name;
                         });

}  // namespace
}  // namespace vokmaker
