#include "tools/vokmaker2/entry_name.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/row_name.h"
#include "tools/vokmaker2/list.h"

namespace vokmaker {
namespace {

struct NameRow {
  const char* name;
  std::string stored;
  const char* problemContains;  // nullptr: the name is sound
};

class NameCheck : public ::testing::TestWithParam<NameRow> {};

TEST_P(NameCheck, AcceptsSoundNamesAndSaysWhatIsWrongWithOthers) {
  const auto problem = NameProblem(GetParam().stored);
  if (GetParam().problemContains == nullptr) {
    EXPECT_FALSE(problem.has_value()) << *problem;
  } else {
    ASSERT_TRUE(problem.has_value());
    EXPECT_NE(problem->find(GetParam().problemContains), std::string::npos) << *problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NameCheck,
    ::testing::Values(
        NameRow{"plain", "a.txt", nullptr}, NameRow{"nested", "dir/sub/a.txt", nullptr},
        NameRow{"spaces_quotes_dollars", "my dir/\"q\" $HOME 'x'.txt", nullptr},
        NameRow{"non_ascii", "Gr\xC3\xBC\xC3\x9F/\xE6\x97\xA5\xF0\x9F\x98\x80.txt", nullptr},
        NameRow{"dots_inside_names", "..a/b../...", nullptr}, NameRow{"empty", "", "empty"},
        NameRow{"absolute", "/etc/passwd", "absolute"},
        NameRow{"parent_first", "../evil", "\"..\""},
        NameRow{"parent_inside", "a/../../evil", "\"..\""},
        NameRow{"parent_last", "a/..", "\"..\""}, NameRow{"current", "./a", "\".\""},
        NameRow{"double_slash", "a//b", "empty folder"},
        NameRow{"trailing_slash", "a/", "empty folder"},
        NameRow{"drive_letter", "C:/Windows/evil", "colon"},
        NameRow{"drive_relative", "C:evil", "colon"}, NameRow{"backslash", "a\\b", "backslash"},
        NameRow{"newline", "a\nb", "control"}, NameRow{"delete", "a\x7F", "control"},
        NameRow{"nul", std::string("a\0b", 3), "control"},
        NameRow{"invalid_utf8", "a\xFF", "UTF-8"}, NameRow{"cut_short_utf8", "a\xC3", "UTF-8"},
        NameRow{"overlong_slash", "a\xC0\xAF", "UTF-8"},
        NameRow{"surrogate", "\xED\xA0\x80", "UTF-8"},
        NameRow{"past_u10ffff", "\xF4\x90\x80\x80", "UTF-8"}),
    vok::testing::RowName());

// The listing's pass over a name tells plain names from those that need NameProblem's closer
// look, and shows every name alike, wherever in its steps over the bytes a problem falls.
TEST(ListingNamePass, TellsPlainNamesWhereverTheProblemFalls) {
  const auto plain = [](std::string_view name) {
    bool componentStart = true;
    for (const char c : name) {
      const auto byte = static_cast<unsigned char>(c);
      if (byte < 0x20 || byte >= 0x7F || c == '\\' || c == ':') return false;
      if (componentStart && (c == '/' || c == '.')) return false;
      componentStart = c == '/';
    }
    return !componentStart;
  };
  const std::string kInserts[] = {"",  "\x01", "\x7F", "\xC3\xA9", "\\",   ":",
                                  "/", "//",   "/.",   "/..x",     "/a.b", std::string(1, '\0')};
  for (std::size_t prefix = 0; prefix <= 33; ++prefix) {
    for (const std::string& insert : kInserts) {
      for (const std::size_t suffix : {0, 1, 7, 8, 15, 16, 17}) {
        const std::string name = std::string(prefix, 'p') + insert + std::string(suffix, 's');
        std::string shown(1 + name.size(), '\0');
        const bool isPlain = WriteListingName(shown.data(), name);
        std::string expected = "\\";
        for (const char c : name) {
          const auto byte = static_cast<unsigned char>(c);
          expected += c == '/' ? '\\' : byte < 0x20 || byte == 0x7F ? '?' : c;
        }
        SCOPED_TRACE(::testing::PrintToString(name));
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(isPlain, plain(name));
        EXPECT_TRUE(!isPlain || !NameProblem(name).has_value());
        // Alike where the bytes around the name may be read and overwritten, whatever they are.
        const std::string padded =
            name + std::string(kNamePadding / 2, '/') + std::string(kNamePadding / 2, '\x01');
        std::string written(1 + name.size() + kNamePadding, '\0');
        EXPECT_EQ(WritePaddedListingName(written.data(), {padded.data(), name.size()}), isPlain);
        EXPECT_EQ(written.substr(0, shown.size()), expected);
      }
    }
  }
}

struct ListingRow {
  const char* name;
  std::uint64_t size;
  std::string stored;
  std::string line;
};

class ListingLines : public ::testing::TestWithParam<ListingRow> {};

TEST_P(ListingLines, ShowTheSizeRightAlignedAndTheNameWithBackslashes) {
  std::string line = "kept ";
  AppendListingLine(line, GetParam().size, GetParam().stored);
  EXPECT_EQ(line, "kept " + GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ListingLines,
    ::testing::Values(
        ListingRow{"zero", 0, "e", "            0 \\e"},
        ListingRow{"nested_folders", 12, "dir/sub/a b.txt", "           12 \\dir\\sub\\a b.txt"},
        ListingRow{"over_4_gib", (std::uint64_t{1} << 32) + 5, "huge", "   4294967301 \\huge"},
        ListingRow{"wider_than_12_columns", 18446744073709551615u, "max",
                   " 18446744073709551615 \\max"},
        // A message that shows such a name stays one line.
        ListingRow{"control_characters", 1, "bad\nname\r", "            1 \\bad?name?"}),
    vok::testing::RowName());

}  // namespace
}  // namespace vokmaker
