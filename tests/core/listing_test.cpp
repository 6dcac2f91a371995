#include "operations/listing.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "row_name.h"

namespace vok {
namespace {

using ::testing::ElementsAreArray;

struct NumberRow {
  const char* name;
  const char* text;
  std::optional<std::int64_t> value;
};

class ReadNumberRow : public ::testing::TestWithParam<NumberRow> {};

TEST_P(ReadNumberRow, ReadsTheValue) {
  EXPECT_EQ(ReadNumber(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Numbers, ReadNumberRow,
    ::testing::Values(
        NumberRow{"PlainDigits", "1234", 1234}, NumberRow{"Empty", "", 0},
        NumberRow{"NoNumber", "abc", 0}, NumberRow{"Negative", "-17", -17},
        NumberRow{"ExplicitPlus", "+17", 17},
        NumberRow{"BlanksAnywhereAreDropped", " 1 2\t3\n4 ", 1234},
        NumberRow{"StopsAtFirstNonDigit", "12a34", 12},
        NumberRow{"CommaIsNotADecimalPoint", "1,5", 1}, NumberRow{"HalfRoundsDownToEven", "2.5", 2},
        NumberRow{"HalfRoundsUpToEven", "3.5", 4}, NumberRow{"AboveHalfRoundsUp", "2.51", 3},
        NumberRow{"BelowHalfRoundsDown", "2.49", 2}, NumberRow{"TinyHalfRoundsUp", "2.5000001", 3},
        NumberRow{"NegativeHalfToEven", "-2.5", -2}, NumberRow{"FractionOnly", ".7", 1},
        NumberRow{"HalfOfZero", "0.5", 0}, NumberRow{"Exponent", "1.5E3", 1500},
        NumberRow{"ExponentD", "2d2", 200}, NumberRow{"NegativeExponent", "12345e-2", 123},
        NumberRow{"ExponentWithoutDigits", "7E", 7},
        NumberRow{"HugeNegativeExponent", "5e-999999999", 0},
        NumberRow{"ZeroWithHugeExponent", "0e999999999", 0}, NumberRow{"Hexadecimal", "&HFF", 255},
        NumberRow{"HexadecimalLower", "&hff", 255}, NumberRow{"Octal", "&O17", 15},
        NumberRow{"OctalStopsAtEight", "&O178", 15},
        NumberRow{"FiveGigabytes", "5368709120", 5368709120},
        NumberRow{"LargestSize", "9223372036854775807", INT64_MAX},
        NumberRow{"SmallestSize", "-9223372036854775808", INT64_MIN},
        NumberRow{"JustTooLarge", "9223372036854775808", std::nullopt},
        NumberRow{"RoundsPastTheLargest", "9223372036854775807.5", std::nullopt},
        NumberRow{"ExponentTooLarge", "1E30", std::nullopt},
        NumberRow{"HexTooLarge", "&H8000000000000000", std::nullopt},
        NumberRow{"ManyLeadingZeros", "0000000000000000000000042", 42}),
    ::vok::testing::RowName());

struct ListingRow {
  const char* name;
  std::string text;
  std::vector<std::string> lines;
  std::optional<std::size_t> problemLine;
};

class ReadListingRow : public ::testing::TestWithParam<ListingRow> {};

// Lines whose ends and last backslashes fall at every place of the eight characters the reader
// looks at together, with each kind of line end; the names are of ']', one more than '\\'.
ListingRow EndsAndNamesAtEveryPlace() {
  ListingRow row{"EndsAndNamesAtEveryPlace", "", {}, {}};
  const char* const ends[] = {"\r\n", "\r", "\n"};
  for (std::size_t n = 0; n < 18; ++n) {
    const std::string size = std::to_string(n);
    const std::string name(n, ']');
    row.text += " " + size + " \\" + std::string(n * 5 % 11, 'f') + "\\" + name + ends[n % 3];
    row.lines.push_back(size + "\t" + name);
  }
  return row;
}

TEST_P(ReadListingRow, GivesTheseLines) {
  const Listing listing = ReadListing(GetParam().text);
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < listing.lines.size(); ++i) lines.emplace_back(listing.lines[i]);
  EXPECT_THAT(lines, ElementsAreArray(GetParam().lines));
  ASSERT_EQ(listing.problem.has_value(), GetParam().problemLine.has_value());
  if (listing.problem) {
    EXPECT_EQ(listing.problem->lineNumber, *GetParam().problemLine);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Listings, ReadListingRow,
    ::testing::Values(
        ListingRow{"WorkedExample", " 1234 \\data\\a.txt\r\n", {"1234\ta.txt"}, {}},
        ListingRow{"HeadingsAndSummary",
                   "VOKMaker2 listing\r\n\r\n 10 \\a\r\n 20 \\b\\c\r\n 2 files, 30 bytes in "
                   "archive\r\n 99 \\after\r\n",
                   {"10\ta", "20\tc"},
                   {}},
        ListingRow{"NoSpaceLedLines", "heading\r\nother\r\n", {}, {}},
        ListingRow{"SummaryBeforeAnyEntry", " 0 bytes in archive\r\n 5 \\x\r\n", {}, {}},
        ListingRow{
            "BytesInOnlyCountsInSpaceLedLines", "3 bytes in heading\r\n 4 \\x\r\n", {"4\tx"}, {}},
        ListingRow{"BytesInWithinANameIsAnEntry",
                   " 1 \\a\r\n 2 \\docs\\20 bytes in total.txt\r\n 3 \\c\\bytes in\r\n 4 \\d\r\n"
                   " 4 files, 10 bytes in archive\r\n",
                   {"1\ta", "2\t20 bytes in total.txt", "3\tbytes in", "4\td"},
                   {}},
        ListingRow{"BytesInBeforeThePathEndsTheListing",
                   " 1 \\a\r\n 1 file, 1 bytes in \\d\\a.vok\r\n 2 \\b\r\n",
                   {"1\ta"},
                   {}},
        ListingRow{"SizeAgainstThePathLosesItsLastDigit", " 1234\\a.txt\r\n", {"123\ta.txt"}, {}},
        ListingRow{"SameNameInTwoFolders",
                   " 1 \\a\\n.txt\r\n 2 \\b\\n.txt\r\n",
                   {"1\tn.txt", "2\tn.txt"},
                   {}},
        ListingRow{"NegativeSize", " -5 \\x\r\n", {"-5\tx"}, {}},
        ListingRow{"FractionalSize", " 2.5 \\x\r\n 3.5 \\y\r\n", {"2\tx", "4\ty"}, {}},
        ListingRow{"LfLineEnds", " 1 \\a\n 2 \\b\n", {"1\ta", "2\tb"}, {}},
        ListingRow{"CrLineEnds", " 1 \\a\r 2 \\b\r", {"1\ta", "2\tb"}, {}},
        ListingRow{"NoFinalLineBreak", " 1 \\a", {"1\ta"}, {}},
        ListingRow{"FiveGigabyteEntry", " 5368709120 \\big.iso\r\n", {"5368709120\tbig.iso"}, {}},
        ListingRow{"NameWithSpacesAndTab", " 7 \\d\\my file\tx\r\n", {"7\tmy file\tx"}, {}},
        // Lines not quite as the tool writes them take the general reading.
        ListingRow{"SizeWithLeadingZeros", " 007 \\a\r\n", {"7\ta"}, {}},
        ListingRow{"LargestSizeHasNineteenDigits",
                   " 9223372036854775807 \\a\r\n",
                   {"9223372036854775807\ta"},
                   {}},
        ListingRow{"NoDigitsBeforeThePath", "   \\a\r\n", {"0\ta"}, {}},
        ListingRow{"MixedLineEnds", " 1 \\a\r 2 \\b\n 3 \\c\r\n", {"1\ta", "2\tb", "3\tc"}, {}},
        EndsAndNamesAtEveryPlace(),
        ListingRow{"EntryWithoutPathStops", " 1 \\a\r\n 2 b\r\n 3 \\c\r\n", {"1\ta"}, 2},
        ListingRow{"SizeOutOfRangeStops", "x\r\n 99999999999999999999 \\a\r\n", {}, 2}),
    ::vok::testing::RowName());

struct PiecesRow {
  const char* name;
  std::vector<std::string> pieces;
  std::vector<std::string> lines;
  std::optional<std::size_t> problemLine;
  bool endedEarly;  // a Feed said the rest need not be read
};

class ListingInPieces : public ::testing::TestWithParam<PiecesRow> {};

TEST_P(ListingInPieces, GivesTheseLines) {
  ListingReader reader;
  bool ended = false;
  for (const std::string& piece : GetParam().pieces) ended = !reader.Feed(piece) || ended;
  const Listing listing = reader.Finish();
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < listing.lines.size(); ++i) lines.emplace_back(listing.lines[i]);
  EXPECT_THAT(lines, ElementsAreArray(GetParam().lines));
  EXPECT_EQ(ended, GetParam().endedEarly);
  ASSERT_EQ(listing.problem.has_value(), GetParam().problemLine.has_value());
  if (listing.problem) {
    EXPECT_EQ(listing.problem->lineNumber, *GetParam().problemLine);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, ListingInPieces,
    ::testing::Values(
        PiecesRow{"CrLfSplitBetweenPieces", {" 1 \\a\r", "\n 2 b\r\n"}, {"1\ta"}, 2, true},
        PiecesRow{"CrAtTheEndThenAnEntry", {" 1 \\a\r", " 2 \\b"}, {"1\ta", "2\tb"}, {}, false},
        PiecesRow{"LineSplitMidName",
                  {" 12", "34 \\da", "ta\\a.t", "xt\r\n"},
                  {"1234\ta.txt"},
                  {},
                  false},
        PiecesRow{"CrOnlyLinesAcrossPieces",
                  {" 1 \\a\r 2 \\b", "\r 3 \\c\r"},
                  {"1\ta", "2\tb", "3\tc"},
                  {},
                  false},
        PiecesRow{"EmptyPieces", {"", " 1 \\a", "", "\n", "", " x\n"}, {"1\ta"}, 2, true},
        PiecesRow{"SummaryInALaterPiece",
                  {" 1 \\a\r\n 1 file", "s, 1 bytes in\r\n 9 \\x"},
                  {"1\ta"},
                  {},
                  true},
        PiecesRow{"OneCharacterAtATime",
                  {" ", "5", " ", "\\", "b", "\r", "\n", " ", "x"},
                  {"5\tb"},
                  2,
                  false}),
    ::vok::testing::RowName());

TEST(ReadListing, KeepsTheLastEntrysFields) {
  const Listing listing = ReadListing(" 1 \\a\r\n  2.5 \\d\\b.txt\r\n");
  EXPECT_EQ(listing.last.name, "b.txt");
  EXPECT_EQ(listing.last.size, 2);
  EXPECT_EQ(ReadListing(" 3 \\d\\a\tb\r\n").last.name, "a\tb");
}

// Many lines, of every length the store copies in its own way, cross its blocks of text and
// the blocks of its index; one longer than a block gets a block of its own.
TEST(ListLines, GivesBackEveryLineAcrossBlocksAndChunks) {
  ListLines lines;
  std::vector<std::string> expected;
  for (std::size_t i = 0; i < 300'000; ++i) {
    const std::string name = i == 70'000 ? std::string(std::size_t{3} << 20, 'x')
                                         : std::string(i % 23, static_cast<char>('a' + i % 26));
    const std::string digits = std::to_string(i);
    lines.push_back({digits, "\t", name});
    expected.push_back(digits + '\t' + name);
  }
  ASSERT_EQ(lines.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) ASSERT_EQ(lines[i], expected[i]) << i;
}

}  // namespace
}  // namespace vok
