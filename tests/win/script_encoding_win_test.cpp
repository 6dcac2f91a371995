// The form in which a script reaches cmd.exe, for names in several scripts under the console
// code pages of Western (437, 850), Cyrillic (866) and Japanese (932) systems.
#include "runner/script_encoding_win.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "common/text_win.h"
#include "runner/process_services.h"
#include "tests/row_name.h"

namespace vok::testing {
namespace {

using ::testing::HasSubstr;

struct EncodingRow {
  const char* name;
  UINT codePage;
  std::string script;                             // UTF-8, as the program writes it
  std::map<std::string, std::string> shortForms;  // existing paths and their short forms
  bool carriesUtf8;
  std::string outcome;  // the way, the script as cmd.exe gets it and any rename; or the refusal
};

const char* const kWays[] = {"ascii", "code page", "short names", "utf-8"};

class ScriptEncodingTable : public ::testing::TestWithParam<EncodingRow> {};

TEST_P(ScriptEncodingTable, ChoosesTheFirstWayThatCarriesEveryName) {
  const EncodingRow& row = GetParam();
  ScriptSystem system;
  system.codePage = row.codePage;
  system.shortName = [&](const std::wstring& path) -> std::optional<std::wstring> {
    const auto found = row.shortForms.find(Narrow(path));
    if (found == row.shortForms.end()) return std::nullopt;
    return Wide(found->second);
  };
  system.carriesUtf8 = [&] { return row.carriesUtf8; };
  system.temporaryStem = L"vokruzeru-7-1-";
  std::string outcome;
  try {
    const EncodedScript encoded = EncodeScript(row.script, system);
    outcome = std::string(kWays[static_cast<int>(encoded.encoding)]) + ": " + encoded.bytes;
    for (const RenameAfterRun& rename : encoded.renames) {
      outcome += " | " + Narrow(rename.temporary) + " -> " + Narrow(rename.chosen);
    }
  } catch (const ProcessStartError& error) {
    outcome = error.what();
  }
  if (row.outcome.starts_with("refused: ")) {
    EXPECT_THAT(outcome, HasSubstr(row.outcome.substr(9)));
  } else {
    EXPECT_EQ(outcome, row.outcome);
  }
}

const std::string kTool = "\"C:\\t\\VOKMaker2.exe\" -v ";
const std::string kUmlaut = "J\xC3\xBCrgen";                       // Jürgen
const std::string kCyrillic = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE";  // Фото
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC";          // 日本
const std::string kEmoji = "\xF0\x9F\x98\x80";                     // 😀

// clang-format off
INSTANTIATE_TEST_SUITE_P(Names, ScriptEncodingTable, ::testing::Values(
    EncodingRow{"Ascii", 437, kTool + "\"C:\\a 100%%\\b.vok\"\r\n", {}, false,
                "ascii: " + kTool + "\"C:\\a 100%%\\b.vok\"\r\n"},
    EncodingRow{"UmlautIn437", 437, kTool + "\"C:\\" + kUmlaut + "\\x.vok\"", {}, false,
                "code page: " + kTool + "\"C:\\J\x81rgen\\x.vok\""},
    EncodingRow{"UmlautIn850", 850, kTool + "\"C:\\" + kUmlaut + "\\x.vok\"", {}, false,
                "code page: " + kTool + "\"C:\\J\x81rgen\\x.vok\""},
    EncodingRow{"CyrillicIn866", 866, kTool + "\"C:\\" + kCyrillic + "\"", {}, false,
                "code page: " + kTool + "\"C:\\\x94\xAE\xE2\xAE\""},
    EncodingRow{"JapaneseIn932", 932, kTool + "\"C:\\" + kJapanese + "\"", {}, false,
                "code page: " + kTool + "\"C:\\\x93\xFA\x96{\""},
    EncodingRow{"CyrillicIn437GetsItsShortName", 437,
                kTool + "\"C:\\100%%\\" + kCyrillic + "\\a.vok\"",
                {{"C:\\100%\\" + kCyrillic + "\\a.vok", "C:\\100%\\FOTO~1\\A.VOK"}}, true,
                "short names: " + kTool + "\"C:\\100%%\\FOTO~1\\A.VOK\""},
    EncodingRow{"UmlautIn866NewNameInAShortFolder", 866,
                kTool + "\"C:\\" + kUmlaut + "\\new.vok\"",
                {{"C:\\" + kUmlaut, "C:\\JRGEN~1"}}, false,
                "short names: " + kTool + "\"C:\\JRGEN~1\\new.vok\""},
    // A new name outside the code page is made under a temporary name not already taken.
    EncodingRow{"EmojiIn932NewNameMadeUnderATemporaryOne", 932,
                kTool + "\"C:\\x\\" + kEmoji + ".vok\"",
                {{"C:\\x", "C:\\x"}, {"C:\\x\\vokruzeru-7-1-0.vok", "C:\\x\\VOKRUZ~1.VOK"}}, false,
                "short names: " + kTool + "\"C:\\x\\vokruzeru-7-1-1.vok\" | "
                "C:\\x\\vokruzeru-7-1-1.vok -> C:\\x\\" + kEmoji + ".vok"},
    EncodingRow{"NoShortNamesThenUtf8", 437, kTool + "\"C:\\" + kJapanese + "\"", {}, true,
                "utf-8: " + kTool + "\"C:\\" + kJapanese + "\""},
    EncodingRow{"ShortNameAsLongAsTheNameThenUtf8", 437, kTool + "\"C:\\" + kCyrillic + "\"",
                {{"C:\\" + kCyrillic, "C:\\" + kCyrillic}}, true,
                "utf-8: " + kTool + "\"C:\\" + kCyrillic + "\""},
    // A best fit (a for a-macron) would be a changed name.
    EncodingRow{"NoWayIsRefusedNamingThePart", 437,
                kTool + "\"C:\\ok\\" + kUmlaut + "\" \"C:\\\xC4\x81\\" + kEmoji + "\"", {}, false,
                "refused: code page 437, which has no letters for a part of this command, and no "
                "short name can stand for it here, so the archive tool would get a changed name. "
                "Use a name this code page can hold for:\n\nC:\\\xC4\x81\\" + kEmoji}),
    RowName());
// clang-format on

}  // namespace
}  // namespace vok::testing
