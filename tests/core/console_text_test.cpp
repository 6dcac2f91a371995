#include "runner/console_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "row_name.h"

namespace vok {
namespace {

std::string Repeat(std::string_view text, int times) {
  std::string repeated;
  for (int i = 0; i < times; ++i) repeated += text;
  return repeated;
}

constexpr std::string_view kEuro = "\xE2\x82\xAC";
constexpr std::string_view kFace = "\xF0\x9F\x98\x80";  // two UTF-16 code units

struct TextRow {
  const char* name;
  std::vector<std::string> batches;  // each written, then taken
  std::string shown;                 // all that was taken
};

class ConsoleTextRow : public ::testing::TestWithParam<TextRow> {};

TEST_P(ConsoleTextRow, ShowsWhatTheWindowCanTake) {
  ConsoleText text;
  std::string shown;
  for (const std::string& batch : GetParam().batches) {
    text.Write(batch);
    shown += text.Take();
  }
  EXPECT_EQ(shown, GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Output, ConsoleTextRow,
    ::testing::Values(
        TextRow{"LineEndsAcrossBatches", {"a\r", "\nb\rc\r\n\n"}, "a\nb\nc\n\n"},
        TextRow{"CharacterAcrossBatches", {"\xC5", "\xA1!"}, "\xC5\xA1!"},
        TextRow{"NotUtf8",
                {"a\xFF"
                 "b\xE0\x80"
                 "c\xED\xA0\x80"},
                "a\xEF\xBF\xBD"
                "b\xEF\xBF\xBD\xEF\xBF\xBD"
                "c" +
                    Repeat("\xEF\xBF\xBD", 3)},
        TextRow{"LongLineInPieces",
                {std::string(4500, 'x') + "\n"},
                std::string(2000, 'x') + "\n" + std::string(2000, 'x') + "\n" +
                    std::string(500, 'x') + "\n"},
        TextRow{"PairOfCodeUnitsKeptWhole",
                {std::string(1999, 'x') + std::string(kFace)},
                std::string(1999, 'x') + "\n" + std::string(kFace)},
        // 90000 bytes: the oldest 57232 go, and the two bytes left of a cut character.
        TextRow{"DroppedOutputStartsAtAWholeCharacter",
                {"ab", Repeat(kEuro, 30000)},
                "ab\n[... 57234 bytes of output not shown ...]\n" +
                    Repeat(Repeat(kEuro, 2000) + "\n", 5) + Repeat(kEuro, 922)}),
    ::vok::testing::RowName());

}  // namespace
}  // namespace vok
