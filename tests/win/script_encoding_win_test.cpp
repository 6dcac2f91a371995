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
  std::optional<ScriptEncoding> encoding;  // nothing: refused
  std::string bytes;                       // the script as cmd.exe gets it; or the refusal's text
  std::string renamed = {};                // the name a temporary one is moved to, if any
};

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
  if (!row.encoding) {
    try {
      EncodeScript(row.script, system);
      ADD_FAILURE() << "refused nothing";
    } catch (const ProcessStartError& error) {
      EXPECT_THAT(error.what(), HasSubstr("code page " + std::to_string(row.codePage)));
      EXPECT_THAT(error.what(), HasSubstr(row.bytes));
    }
    return;
  }
  const EncodedScript encoded = EncodeScript(row.script, system);
  EXPECT_EQ(encoded.encoding, *row.encoding);
  EXPECT_EQ(encoded.bytes, row.bytes);
  if (row.renamed.empty()) {
    EXPECT_TRUE(encoded.renames.empty());
  } else {
    ASSERT_EQ(encoded.renames.size(), 1u);
    EXPECT_EQ(Narrow(encoded.renames[0].chosen), row.renamed);
    EXPECT_EQ(Narrow(encoded.renames[0].temporary), "C:\\x\\vokruzeru-7-1-0.vok");
  }
}

const std::string kTool = "\"C:\\t\\VOKMaker2.exe\" -v ";
const std::string kUmlaut = "J\xC3\xBCrgen";                       // Jürgen
const std::string kCyrillic = "\xD0\xA4\xD0\xBE\xD1\x82\xD0\xBE";  // Фото
const std::string kJapanese = "\xE6\x97\xA5\xE6\x9C\xAC";          // 日本
const std::string kEmoji = "\xF0\x9F\x98\x80";                     // 😀

INSTANTIATE_TEST_SUITE_P(
    Names, ScriptEncodingTable,
    ::testing::Values(
        EncodingRow{"Ascii",
                    437,
                    kTool + "\"C:\\a 100%%\\b.vok\"\r\n",
                    {},
                    false,
                    ScriptEncoding::Ascii,
                    kTool + "\"C:\\a 100%%\\b.vok\"\r\n"},
        EncodingRow{"UmlautIn437",
                    437,
                    kTool + "\"C:\\" + kUmlaut + "\\x.vok\"",
                    {},
                    false,
                    ScriptEncoding::OemCodePage,
                    kTool + "\"C:\\J\x81rgen\\x.vok\""},
        EncodingRow{"UmlautIn850",
                    850,
                    kTool + "\"C:\\" + kUmlaut + "\\x.vok\"",
                    {},
                    false,
                    ScriptEncoding::OemCodePage,
                    kTool + "\"C:\\J\x81rgen\\x.vok\""},
        EncodingRow{"CyrillicIn866",
                    866,
                    kTool + "\"C:\\" + kCyrillic + "\"",
                    {},
                    false,
                    ScriptEncoding::OemCodePage,
                    kTool + "\"C:\\\x94\xAE\xE2\xAE\""},
        EncodingRow{"JapaneseIn932",
                    932,
                    kTool + "\"C:\\" + kJapanese + "\"",
                    {},
                    false,
                    ScriptEncoding::OemCodePage,
                    kTool + "\"C:\\\x93\xFA\x96{\""},
        EncodingRow{"CyrillicIn437GetsItsShortName",
                    437,
                    kTool + "\"C:\\100%%\\" + kCyrillic + "\\a.vok\"",
                    {{"C:\\100%\\" + kCyrillic + "\\a.vok", "C:\\100%\\FOTO~1\\A.VOK"}},
                    true,
                    ScriptEncoding::ShortNames,
                    kTool + "\"C:\\100%%\\FOTO~1\\A.VOK\""},
        EncodingRow{"UmlautIn866NewNameInAShortFolder",
                    866,
                    kTool + "\"C:\\" + kUmlaut + "\\new.vok\"",
                    {{"C:\\" + kUmlaut, "C:\\JRGEN~1"}},
                    false,
                    ScriptEncoding::ShortNames,
                    kTool + "\"C:\\JRGEN~1\\new.vok\""},
        EncodingRow{"EmojiIn932NewNameMadeUnderATemporaryOne",
                    932,
                    kTool + "\"C:\\x\\" + kEmoji + ".vok\"",
                    {{"C:\\x", "C:\\x"}},
                    false,
                    ScriptEncoding::ShortNames,
                    kTool + "\"C:\\x\\vokruzeru-7-1-0.vok\"",
                    "C:\\x\\" + kEmoji + ".vok"},
        EncodingRow{"NoShortNamesThenUtf8",
                    437,
                    kTool + "\"C:\\" + kJapanese + "\"",
                    {},
                    true,
                    ScriptEncoding::Utf8Console,
                    kTool + "\"C:\\" + kJapanese + "\""},
        EncodingRow{"ShortNameAsLongAsTheNameThenUtf8",
                    437,
                    kTool + "\"C:\\" + kCyrillic + "\"",
                    {{"C:\\" + kCyrillic, "C:\\" + kCyrillic}},
                    true,
                    ScriptEncoding::Utf8Console,
                    kTool + "\"C:\\" + kCyrillic + "\""},
        // A best fit (a for a-macron) would be a changed name.
        EncodingRow{"NoWayIsRefusedNamingThePart",
                    437,
                    kTool + "\"C:\\ok\\" + kUmlaut + "\" \"C:\\\xC4\x81\\" + kEmoji + "\"",
                    {},
                    false,
                    std::nullopt,
                    "C:\\\xC4\x81\\" + kEmoji}),
    RowName());

}  // namespace
}  // namespace vok::testing
