#include "common/files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

#include "common/text.h"
#include "tests/core/temp_dir.h"

namespace vok {
namespace {

namespace fs = std::filesystem;
using files::FileKind;

TEST(Utf16, ConvertsBothWaysAndReplacesWhatIsNotValid) {
  const std::wstring bad(1, static_cast<wchar_t>(0xFFFD));
  const std::string badUtf8 = "\xEF\xBF\xBD";
  struct Row {
    std::string utf8;
    std::wstring utf16;
    std::string back;  // the UTF-8 of `utf16`, where it is not `utf8`
  };
  const Row rows[] = {
      {"plain.vok", L"plain.vok", ""},
      {"\xC5\xA1\xD0\x96 \xE2\x82\xAC",
       std::wstring{wchar_t(0x161), wchar_t(0x416), L' ', wchar_t(0x20AC)}, ""},
      {"\xF0\x9F\x98\x80", std::wstring{wchar_t(0xD83D), wchar_t(0xDE00)}, ""},  // a pair
      {"\xF4\x8F\xBF\xBF", std::wstring{wchar_t(0xDBFF), wchar_t(0xDFFF)}, ""},  // U+10FFFF
      {"a\x80z", L"a" + bad + L"z", "a" + badUtf8 + "z"},              // a lone continuation byte
      {"\xC0\x80", bad + bad, badUtf8 + badUtf8},                      // overlong
      {"\xED\xA0\x80", bad + bad + bad, badUtf8 + badUtf8 + badUtf8},  // a surrogate
      {"\xF4\x90\x80\x80", bad + bad + bad + bad, badUtf8 + badUtf8 + badUtf8 + badUtf8},
      {"x\xE2\x82", L"x" + bad + bad, "x" + badUtf8 + badUtf8},  // cut short
      {"", std::wstring{wchar_t(0xD83D)}, badUtf8},              // half of a pair
      {"", std::wstring{wchar_t(0xDE00), L'a'}, badUtf8 + "a"},
  };
  for (const Row& row : rows) {
    if (!row.utf8.empty()) {
      EXPECT_EQ(Utf16FromUtf8(row.utf8), row.utf16) << row.utf8;
    }
    EXPECT_EQ(Utf8FromUtf16(row.utf16), row.back.empty() ? row.utf8 : row.back) << row.utf8;
  }
}

// Every operation on one small tree: a file, a folder with a file, and (where the system lets
// links be made) links to a folder outside the tree, which nothing follows.
TEST(Files, OperationsOnATree) {
  const testing::TempDir dir;
  const fs::path tree = dir.path() / "tree";
  const fs::path outside = dir.path() / "outside";
  std::error_code error;
  files::MakeFolders(tree / "a" / "b", error);
  ASSERT_FALSE(error);
  EXPECT_FALSE(files::MakeFolder(tree / "a", error)) << "a folder is there";
  EXPECT_FALSE(error);
  fs::create_directory(outside);
  std::ofstream(outside / "kept") << "kept";
  std::ofstream(tree / "a" / "file") << "12345";
  std::ofstream(tree / PathFromUtf8("\xC5\xA1\xD0\x96")) << "";
  EXPECT_FALSE(files::MakeFolder(tree / "a" / "file", error));
  EXPECT_TRUE(error) << "a file has the name";
  files::MakeFolders(tree / "a" / "file" / "c", error);
  EXPECT_TRUE(error);
  fs::create_directory_symlink(outside, tree / "link", error);
  const bool links = !error;

  struct Row {
    fs::path path;
    FileKind kind, followed;
  };
  std::vector<Row> rows = {{tree / "a", FileKind::kFolder, FileKind::kFolder},
                           {tree / "a" / "file", FileKind::kFile, FileKind::kFile},
                           {tree / "none", FileKind::kNothing, FileKind::kNothing},
                           {tree / "none" / "deeper", FileKind::kNothing, FileKind::kNothing}};
  if (links) rows.push_back({tree / "link", FileKind::kLink, FileKind::kFolder});
  for (const Row& row : rows) {
    EXPECT_EQ(files::KindAt(row.path), row.kind) << row.path;
    EXPECT_EQ(files::KindAt(row.path, files::Links::kFollow), row.followed) << row.path;
  }

  std::vector<files::FolderEntry> entries = files::List(tree / "a", error, files::Sizes::kRead);
  ASSERT_FALSE(error);
  std::sort(entries.begin(), entries.end(),
            [](const auto& x, const auto& y) { return x.name < y.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "b");
  EXPECT_EQ(entries[0].kind, FileKind::kFolder);
  EXPECT_EQ(entries[1].name, "file");
  EXPECT_EQ(entries[1].kind, FileKind::kFile);
  EXPECT_EQ(entries[1].size, 5u);
  EXPECT_EQ(files::List(tree / PathFromUtf8("\xC5\xA1\xD0\x96"), error).size(), 0u);
  EXPECT_TRUE(error) << "a file is no folder";

  files::Rename(tree / "a" / "file", tree / "moved", error);
  EXPECT_FALSE(error);
  EXPECT_EQ(files::KindAt(tree / "moved"), FileKind::kFile);
  files::Remove(tree / "a", error);
  EXPECT_TRUE(error) << "a folder with something in it stays";
  files::Remove(tree / "none", error);
  EXPECT_FALSE(error) << "nothing to remove";

  files::RemoveAll(tree, error);
  EXPECT_FALSE(error);
  EXPECT_EQ(files::KindAt(tree), FileKind::kNothing);
  EXPECT_EQ(files::KindAt(outside / "kept"), FileKind::kFile) << "a link is not followed";
}

TEST(Files, AbsoluteKeepsAFullPathAndCompletesARelativeOne) {
  std::error_code error;
  const fs::path full = fs::current_path() / "archive.vok";
  EXPECT_EQ(files::Absolute(full, error), full);
  EXPECT_EQ(files::Absolute("archive.vok", error), full);
  EXPECT_FALSE(error);
}

}  // namespace
}  // namespace vok
