#include "runner/quoting.h"

#include <gtest/gtest.h>

#include "row_name.h"

#include "runner/tool_commands.h"

namespace vok {
namespace {

struct QuoteRow {
  const char* name;
  std::string text;
  std::string posix;
  std::string cmd;
};

class QuoteArgumentRow : public ::testing::TestWithParam<QuoteRow> {};

TEST_P(QuoteArgumentRow, QuotesOnce) {
  EXPECT_EQ(QuoteArgument(GetParam().text, ScriptDialect::Posix), GetParam().posix);
  EXPECT_EQ(QuoteArgument(GetParam().text, ScriptDialect::Cmd), GetParam().cmd);
}

INSTANTIATE_TEST_SUITE_P(
    Names, QuoteArgumentRow,
    ::testing::Values(
        QuoteRow{"Empty", "", "''", "\"\""},
        QuoteRow{"Spaces", "/a b/c d.vok", "'/a b/c d.vok'", "\"/a b/c d.vok\""},
        QuoteRow{"SingleQuote", "it's.vok", "'it'\\''s.vok'", "\"it's.vok\""},
        QuoteRow{"CommandSubstitution", "$(rm -rf ~)", "'$(rm -rf ~)'", "\"$(rm -rf ~)\""},
        QuoteRow{"Percent", "100%PATH%.vok", "'100%PATH%.vok'", "\"100%%PATH%%.vok\""},
        QuoteRow{"CmdMetacharacters", "a&b|c<d>e^f", "'a&b|c<d>e^f'", "\"a&b|c<d>e^f\""},
        QuoteRow{"NonAscii", "\xC5\xA1ifra.temo", "'\xC5\xA1ifra.temo'", "\"\xC5\xA1ifra.temo\""}),
    ::vok::testing::RowName());

TEST(QuoteArgument, RefusesWhatCannotBeOneArgument) {
  for (const std::string& text :
       {std::string("a\nb"), std::string("a\rb"), std::string("a\0b", 3)}) {
    EXPECT_THROW(QuoteArgument(text, ScriptDialect::Posix), UnsafeNameError);
    EXPECT_THROW(QuoteArgument(text, ScriptDialect::Cmd), UnsafeNameError);
  }
  EXPECT_THROW(QuoteArgument("a\"b", ScriptDialect::Cmd), UnsafeNameError);
  EXPECT_EQ(QuoteArgument("a\"b", ScriptDialect::Posix), "'a\"b'");
}

TEST(ToolCommands, QuoteEveryPathOnce) {
  const Workspace posix{"/opt/my app", "/home/u/.local/share/vokruzeru", ScriptDialect::Posix};
  EXPECT_EQ(ViewCommand(posix, "/data/it's.vok"),
            "'/opt/my app/VOKMaker2.exe' -v '/data/it'\\''s.vok' > "
            "'/home/u/.local/share/vokruzeru/VOKView.txt'");
  EXPECT_EQ(ExtractCommand(posix, "/d/a.temo", "/out dir"),
            "'/opt/my app/VOKMaker2.exe' -x '/d/a.temo' '/out dir'");
  EXPECT_EQ(CreateCommand(posix, "/src", "/d/new.temo"),
            "'/opt/my app/VOKMaker2.exe' -a -p '/src' '/d/new.temo'");
}

}  // namespace
}  // namespace vok
