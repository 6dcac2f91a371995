#include "tools/vokmaker2/entry_name.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/vokmaker2/test_support.h"

namespace vokmaker {
namespace {

struct NameRow {
  const char* name;
  std::string stored;
  const char* problemContains;  // nullptr: the name is sound
};

// Test listings show the row by its name.
void PrintTo(const NameRow& row, std::ostream* out) { *out << row.name; }

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
        NameRow{"non_ascii",
                "Gr\xC3\xBC\xC3\x9F"
                "e/\xE6\x97\xA5\xE6\x9C\xAC.txt",
                nullptr},
        NameRow{"dots_inside_names", "..a/b../...", nullptr}, NameRow{"empty", "", "empty"},
        NameRow{"absolute", "/etc/passwd", "absolute"},
        NameRow{"parent_first", "../evil", "\"..\""},
        NameRow{"parent_inside", "a/../../evil", "\"..\""},
        NameRow{"parent_last", "a/..", "\"..\""}, NameRow{"current", "./a", "\".\""},
        NameRow{"double_slash", "a//b", "empty folder"},
        NameRow{"trailing_slash", "a/", "empty folder"},
        NameRow{"drive_letter", "C:/Windows/evil", "colon"},
        NameRow{"drive_relative", "C:evil", "colon"}, NameRow{"backslash", "a\\b", "backslash"},
        NameRow{"backslash_parent", "..\\evil", "backslash"}, NameRow{"newline", "a\nb", "control"},
        NameRow{"carriage_return", "a\rb", "control"},
        NameRow{"nul", std::string("a\0b", 3), "control"},
        NameRow{"invalid_utf8", "a\xFF", "UTF-8"}, NameRow{"overlong_slash", "a\xC0\xAF", "UTF-8"},
        NameRow{"surrogate", "\xED\xA0\x80", "UTF-8"}),
    [](const auto& test) { return std::string(test.param.name); });

TEST(ListingName, UsesBackslashesAndKeepsMessagesOnOneLine) {
  EXPECT_EQ(ListingName("a.txt"), "\\a.txt");
  EXPECT_EQ(ListingName("dir/sub/a b.txt"), "\\dir\\sub\\a b.txt");
  EXPECT_EQ(ListingName("bad\nname\r"), "\\bad?name?");
}

TEST(PathUnder, JoinsUtf8ComponentsUnderTheFolder) {
  const auto path = PathUnder("dest", "d\xC3\xBC/f.txt");
  EXPECT_EQ(path, std::filesystem::path("dest") / testing::U8Path("d\xC3\xBC") / "f.txt");
  EXPECT_EQ(StoredName(path.lexically_relative("dest")), "d\xC3\xBC/f.txt");
}

}  // namespace
}  // namespace vokmaker
