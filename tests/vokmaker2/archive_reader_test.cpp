#include "tools/vokmaker2/archive_reader.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/vokmaker2/test_support.h"
#include "tools/vokmaker2/archive_writer.h"
#include "tools/vokmaker2/console.h"
#include "tools/vokmaker2/errors.h"
#include "tools/vokmaker2/list.h"

namespace vokmaker {
namespace {

using testing::ArchiveBytes;
using testing::ReadBack;

// What one reading handed out, and the DamagedArchive message if it failed.
struct Reading {
  const char* source;  // "seekable" or "pipe"
  ReadBack visitor;
  std::optional<std::string> damage;
  std::uint64_t skipped = 0;  // sought over
};

// Reads `bytes` once from a source that can seek and once from one that cannot.
std::vector<Reading> ReadBoth(const std::string& bytes, Format format, bool wantData) {
  std::vector<Reading> readings;
  for (bool seekable : {true, false}) {
    testing::StringSource in(bytes, seekable);
    Reading& reading = readings.emplace_back(
        Reading{seekable ? "seekable" : "pipe", ReadBack(wantData), std::nullopt});
    try {
      ReadArchive(in, format, reading.visitor);
    } catch (const DamagedArchive& error) {
      reading.damage = error.what();
    }
    reading.skipped = in.skipped;
  }
  return readings;
}

class ReaderFormats : public ::testing::TestWithParam<Format> {};

TEST_P(ReaderFormats, SkipsDataItIsNotAskedForAndGoesOn) {
  // Short data is read past, long data sought past when the source can seek.
  const std::string bytes = ArchiveBytes(GetParam())
                                .File("a.bin", testing::RandomBytes(5000, 2))
                                .File("b.bin", testing::RandomBytes(2 * 1024 * 1024 + 1, 3))
                                .File("c.txt", "third")
                                .End()
                                .bytes();
  for (const Reading& reading : ReadBoth(bytes, GetParam(), false)) {
    SCOPED_TRACE(reading.source);
    EXPECT_EQ(reading.damage, std::nullopt);
    EXPECT_EQ(reading.visitor.entries, (std::vector<std::string>{"a.bin", "b.bin", "c.txt"}));
    EXPECT_EQ(reading.visitor.dataBytes, 0u);
    // VOK keeps a file's data in one piece; TEMO's blocks of 1 MiB are short enough to read.
    if (reading.source == std::string_view("seekable") && GetParam() == Format::kVok) {
      EXPECT_GT(reading.skipped, 1u << 20) << "b.bin was read, not sought over";
    }
  }
}

TEST_P(ReaderFormats, WriterFollowsTheDocumentedLayout) {
  testing::StringSink written;
  ArchiveWriter writer(written, GetParam());
  writer.AddFolder("d");
  testing::StringSource data("xyz", false), none("", false);
  writer.AddFile("d/f", 3, data);  // too short to compress: TEMO stores it in one plain block
  writer.AddFile("d/empty", 0, none);
  writer.Finish();
  EXPECT_EQ(
      written.bytes,
      ArchiveBytes(GetParam()).Folder("d").File("d/f", "xyz").File("d/empty", "").End().bytes());
}

TEST_P(ReaderFormats, ReadsHeadsAndNamesThatCrossItsReadAhead) {
  // Names of many lengths put record heads across every part of the read-ahead buffer; one
  // name is as long as names can be.
  ArchiveBytes archive(GetParam());
  std::vector<std::string> names;
  for (int i = 0; i < 3000; ++i) {
    names.push_back(std::string(1 + i * 37 % 301, 'n') + std::to_string(i));
    if (i == 1500) names.back().resize(kMaxNameBytes, 'x');
    archive.File(names.back(), std::string(i % 7, 'd'));
  }
  const std::string bytes = archive.End().bytes();
  for (const Reading& reading : ReadBoth(bytes, GetParam(), true)) {
    SCOPED_TRACE(reading.source);
    EXPECT_EQ(reading.damage, std::nullopt);
    EXPECT_EQ(reading.visitor.entries, names);
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderFormats, testing::BothFormats(), testing::FormatRowName);

// ---- damaged archives ----

struct DamageRow {
  const char* name;
  std::function<std::string(ArchiveBytes)> bytes;  // given the format's mark
  const char* messageContains;
  const char* entryShown;  // the entry the message must name, or nullptr
  bool temoOnly = false;
};

std::string Changed(std::string bytes, std::string_view what, char to) {
  bytes[bytes.find(what)] = to;
  return bytes;
}

const std::vector<DamageRow>& DamageRows() {
  using A = ArchiveBytes;
  static const std::vector<DamageRow> rows{
      {"wrong_mark", [](A) { return std::string("NOTARCH!") + std::string(16, '\0'); },
       "wrong format mark", nullptr},
      {"the_other_format",
       [](A a) {
         const std::string own = a.End().bytes();
         return (own[0] == 'V' ? "TEMOAR" : "VOKARC") + own.substr(6);
       },
       "wrong format mark: this is a", nullptr},
      {"newer_version", [](A a) { return Changed(a.End().bytes(), "\1", '\2'); },
       "unsupported format version 2", nullptr},
      {"shorter_than_the_mark", [](A a) { return a.bytes().substr(0, 5); }, "too short", nullptr},
      {"no_end_record", [](A a) { return a.File("a.txt", "hello").bytes(); },
       "ends before its end record", nullptr},
      {"cut_inside_a_name",
       [](A a) { return a.Le(1, 1).Le(0, 1).Le(10, 2).Le(5, 8).Raw("ab").bytes(); },
       "ends inside an entry's name", "entry number 1"},
      {"size_past_the_end",
       [](A a) { return a.Record(1, "big.bin", std::uint64_t{1} << 62).Raw("abc").bytes(); },
       "runs past the end", "\\big.bin"},
      {"data_cut_short",
       [](A a) {
         const std::string whole = a.File("dir/a.txt", "0123456789").bytes();
         return whole.substr(0, whole.size() - 7);
       },
       "runs past the end", "\\dir\\a.txt"},
      // Skipping the data reads on over the name, which the message must still show.
      {"long_data_cut_short",
       [](A a) {
         const std::string data(1 << 20, 'x');
         a.Record(1, "dir/big", 3 << 20);
         return (a.bytes()[0] == 'T' ? a.Block(0, 1 << 20, data) : a.Raw(data)).bytes();
       },
       "runs past the end", "\\dir\\big"},
      {"link_entry", [](A a) { return a.Record(3, "link", 0).End().bytes(); },
       "unknown entry type 3", "\\link"},
      {"unknown_flags", [](A a) { return a.Record(1, "a.txt", 0, 4).End().bytes(); },
       "unknown record flags", "\\a.txt"},
      {"folder_with_a_size", [](A a) { return a.Record(2, "d", 5).End().bytes(); },
       "folder record with a size", "\\d"},
      {"file_without_a_name", [](A a) { return a.Record(1, "", 0).End().bytes(); },
       "without a name", nullptr},
      {"end_record_miscounts", [](A a) { return a.File("a.txt", "x").End(5).bytes(); },
       "counts 5 entries, but 1 were read", nullptr},
      {"end_record_with_a_name", [](A a) { return a.Record(0, "x", 0).bytes(); },
       "end record carries a name", nullptr},
      {"data_after_the_end", [](A a) { return a.End().Raw("x").bytes(); }, "after the end record",
       nullptr},
      {"record_checksum",
       [](A a) { return Changed(a.File("a.txt", "hello").End().bytes(), "a.txt", 'b'); },
       "record's checksum does not match", nullptr, true},
      {"data_checksum",
       [](A a) { return Changed(a.File("a.txt", "hello").End().bytes(), "hello", 'j'); },
       "data's checksum does not match", "\\a.txt", true},
      {"block_over_a_mebibyte",
       [](A a) { return a.Record(1, "a", 4 << 20).Block(0, (1 << 20) + 1, "x").bytes(); },
       "impossible length", "\\a", true},
      {"block_longer_than_the_file",
       [](A a) { return a.Record(1, "a", 3).Block(0, 5, "12345").bytes(); }, "impossible length",
       "\\a", true},
      {"stored_block_lengths_differ",
       [](A a) { return a.Record(1, "a", 3).Block(0, 3, "1234").bytes(); }, "inconsistent length",
       "\\a", true},
      {"compressed_block_not_smaller",
       [](A a) { return a.Record(1, "a", 3).Block(1, 3, "123").bytes(); }, "impossible length",
       "\\a", true},
      {"unknown_block_method", [](A a) { return a.Record(1, "a", 3).Block(7, 3, "123").bytes(); },
       "unknown block method 7", "\\a", true},
      {"block_that_does_not_decompress",
       [](A a) {
         // One literal, then a match 5 bytes before the start of the block.
         a.Record(1, "a", 10).Block(1, 10, testing::Bytes({0x10, 'a', 5, 0}));
         return a.Le(0, 4).End().bytes();
       },
       "does not decompress", "\\a", true},
  };
  return rows;
}

struct DamageCase {
  DamageRow row;
  Format format;
};

class DamagedArchives : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedArchives, AreReportedOnOneLineWithTheEntry) {
  const DamageRow& row = GetParam().row;
  const std::string bytes = row.bytes(ArchiveBytes(GetParam().format));
  for (const Reading& reading : ReadBoth(bytes, GetParam().format, true)) {
    SCOPED_TRACE(reading.source);
    ASSERT_TRUE(reading.damage.has_value());
    const std::string& message = *reading.damage;
    EXPECT_NE(message.find(row.messageContains), std::string::npos) << message;
    if (row.entryShown) {
      EXPECT_NE(message.find(row.entryShown), std::string::npos) << message;
    }
    EXPECT_EQ(message.find('\n'), std::string::npos);
    EXPECT_LE(reading.visitor.dataBytes, bytes.size()) << "never more data than is there";
  }
}

// The listing reads the records with a reader of its own: it stops with the same message as
// a reading that skips all data, or not at all.
TEST_P(DamagedArchives, StopTheListingAsTheyStopAReadingThatSkipsTheData) {
  const std::string bytes = GetParam().row.bytes(ArchiveBytes(GetParam().format));
  for (const Reading& skipping : ReadBoth(bytes, GetParam().format, false)) {
    SCOPED_TRACE(skipping.source);
    testing::StringSource in(bytes, std::string_view(skipping.source) == "seekable");
    testing::StringSink sink;
    testing::RecordingReporter reporter;
    std::optional<std::string> damage;
    try {
      ConsoleOutput out(sink);
      List(in, GetParam().format, "a", out, reporter);
    } catch (const DamagedArchive& error) {
      damage = error.what();
    }
    EXPECT_EQ(damage, skipping.damage);
    if (damage && GetParam().row.entryShown) {
      EXPECT_NE(damage->find(GetParam().row.entryShown), std::string::npos) << *damage;
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
