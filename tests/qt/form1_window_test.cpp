#include "app/form1_qt.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QTimer>
#include <cstdlib>

#include "qt/window_fixture.h"
#include "row_name.h"

namespace vok::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

TEST_F(WindowTest, StartsWithTheViewTabAndAFixedSize) {
  EXPECT_EQ(window.windowTitle(), "VOK/TEMO Vozare");
  EXPECT_EQ(window.minimumSize(), window.maximumSize());
  for (const ControlLayout& c : kFormLayout) {
    EXPECT_EQ(Shown(c.name.data()), c.tab == Tab::View || c.tab == Tab::All) << c.name;
  }
  EXPECT_EQ(Find<QTabBar>("TabStrip1")->currentIndex(), 0);
  EXPECT_EQ(Find<QListView>("List1")->model()->rowCount(), 0);
  EXPECT_EQ(Find("Command1")->toolTip(), "Help feed a hungry programmer...");
}

TEST_F(WindowTest, EveryTextFitsItsControl) {
  for (const ControlLayout& c : kFormLayout) {
    QWidget* widget = Find(c.name.data());
    if (auto* label = qobject_cast<QLabel*>(widget)) {
      EXPECT_LE(label->sizeHint().width(), label->width()) << c.name;
      EXPECT_LE(label->fontMetrics().height(), label->height()) << c.name;
    } else if (auto* button = qobject_cast<QPushButton*>(widget);
               button && c.id != Control::Command1) {
      EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()) + 8, button->width())
          << c.name;
    }
  }
  auto* tabs = Find<QTabBar>("TabStrip1");
  EXPECT_LE(tabs->sizeHint().width(), tabs->width());
  // The groups keep the arrangement: Unpack and Create lie on the same spots.
  EXPECT_EQ(Find("txtSource")->geometry(), Find("txtCrSource")->geometry());
  EXPECT_EQ(Find("cmdExtract")->geometry(), Find("cmdCreate")->geometry());
  // The donation button runs past the right and bottom edges, so it spans the whole width.
  EXPECT_EQ(Find("Command1")->x(), 0);
  EXPECT_GE(Find("Command1")->geometry().right(), window.width());
  EXPECT_GE(Find("Command1")->geometry().bottom(), window.height());
}

// Each row of the window's description is made into its control.
TEST_F(WindowTest, EveryControlIsMadeFromItsRow) {
  const double pixelsPerTwip = window.layoutScale() / kTwipsPerPixel;
  std::vector<std::string> expectedChain;
  for (Control c : kFocusOrder) {
    if (LayoutOf(c).takesFocus()) expectedChain.emplace_back(LayoutOf(c).name);
  }
  for (const ControlLayout& c : kFormLayout) {
    QWidget* widget = Find(c.name.data());
    const PixelRect place = Place(c, pixelsPerTwip);
    EXPECT_EQ(widget->geometry(), QRect(place.left, place.top, place.width(), place.height()))
        << c.name;
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
      EXPECT_EQ(edit->isReadOnly(), !c.takesTyping()) << c.name;
    }
  }
  std::vector<std::string> chain;
  QWidget* first = Find(expectedChain.front().c_str());
  QWidget* next = first;
  do {
    if (next->parentWidget() == &window && (next->focusPolicy() & Qt::TabFocus)) {
      chain.push_back(next->objectName().toStdString());
    }
    next = next->nextInFocusChain();
  } while (next != first && chain.size() <= expectedChain.size());
  EXPECT_EQ(chain, expectedChain);
}

class ClickThrough : public WindowTest, public ::testing::WithParamInterface<ClickRow> {};

// A real click on each button reaches its handler.
TEST_P(ClickThrough, ReachesItsHandler) {
  const ClickRow& row = GetParam();
  if (LayoutOf(row.control).tab != Tab::All)
    ClickTab(static_cast<int>(LayoutOf(row.control).tab) - 1);
  window.SetText(Control::txtDest, kTyped);
  window.SetText(Control::txtCrSource, kTyped);
  files.Choose(std::string(kChosenArchive), "a.vok");
  folders.answers = {std::string(kChosenFolder)};
  Click(row.name);
  EXPECT_EQ(SeenAfter(row, window.Text(row.textBox), boxes, links), row.text);
}

INSTANTIATE_TEST_SUITE_P(Buttons, ClickThrough, ::testing::ValuesIn(kClickRows), RowName());

struct TabRow {
  const char* name;
  int tab;
  std::vector<const char*> shown;
};

class TabClick : public WindowTest, public ::testing::WithParamInterface<TabRow> {};

TEST_P(TabClick, ShowsThatTabsGroupOnly) {
  window.setWindowTitle("3 in VOK File.");
  ClickTab(GetParam().tab);
  EXPECT_EQ(window.windowTitle(), "VOK/TEMO Vozare");
  int shown = 0;
  for (Control c : kSwitchOrder) shown += Shown(LayoutOf(c).name.data());
  EXPECT_EQ(shown, static_cast<int>(GetParam().shown.size()));
  for (const char* name : GetParam().shown) EXPECT_TRUE(Shown(name)) << name;
}

INSTANTIATE_TEST_SUITE_P(
    Tabs, TabClick,
    ::testing::Values(TabRow{"View", 0, {"View1", "txtVokFile", "cmdOpen", "List1"}},
                      TabRow{"Unpack",
                             1,
                             {"Unpack1", "Unpack2", "txtSource", "cmdSourceOpen", "txtDest",
                              "cmdDestOpen", "cmdExtract", "cmdClear"}},
                      TabRow{"Create",
                             2,
                             {"create1", "create2", "txtCrSource", "cmdCDir", "txtCrDest",
                              "cmdCrDest", "cmdCreate", "cmdCClear"}}),
    RowName());

TEST_F(WindowTest, KeyboardSwitchesTabsLikeAClick) {
  auto* tabs = Find<QTabBar>("TabStrip1");
  tabs->setFocus();
  QTest::keyClick(tabs, Qt::Key_Right);
  EXPECT_TRUE(Shown("cmdExtract"));
  EXPECT_FALSE(Shown("List1"));
}

struct NameRow {
  const char* name;
  std::string file;
};

class ViewThroughTheTool : public WindowTest, public ::testing::WithParamInterface<NameRow> {};

TEST_P(ViewThroughTheTool, PassesExactlyTheChosenPath) {
  const std::string archive = Utf8(dir.path()) + "/" + GetParam().file;
  files.Choose(archive, GetParam().file);
  ToolLists(
      "VOKMaker2 archive listing\r\n 1234 \\data\\a.txt\r\n 5 \\b c.bin\r\n"
      " 2 files, 1239 bytes in archive\r\n");

  Click("cmdOpen");

  EXPECT_THAT(boxes.shown, IsEmpty());
  EXPECT_THAT(ToolArguments(), ElementsAre("-v", archive));
  EXPECT_THAT(ListRows(), ElementsAre("1234\ta.txt", "5\tb c.bin"));
  EXPECT_EQ(window.windowTitle(), "2 in VOK File.");
  EXPECT_EQ(Find<QLineEdit>("txtVokFile")->text().toStdString(), GetParam().file);
  EXPECT_FALSE(Exists("View.bat"));
  EXPECT_FALSE(Exists("VOKView.txt"));
  EXPECT_FALSE(Exists("injected"));
}

INSTANTIATE_TEST_SUITE_P(
    Names, ViewThroughTheTool,
    ::testing::Values(NameRow{"Spaces", "my archive.vok"},
                      NameRow{"Quotes", "it's \"quoted\".temo"},
                      NameRow{"CommandSubstitution", "$(touch injected).vok"},
                      NameRow{"Backticks", "`touch injected`.vok"},
                      NameRow{"Separators", "a;touch injected&b|c.vok"},
                      NameRow{"Redirection", "a>injected<b.vok"},
                      NameRow{"Percent", "100%PATH%.vok"}, NameRow{"LeadingDash", "-x.vok"},
                      NameRow{"NonAscii", "\xC5\xA1ifra \xC4\x8D\xC5\xBE.temo"}),
    RowName());

ListLines Numbered(int count, const char* prefix) {
  ListLines lines;
  for (int i = 0; i < count; ++i) lines.push_back(prefix + std::to_string(i));
  return lines;
}

struct IndexRow {
  const char* name;
  int row, column;
  bool underARow, valid;
};

class ListIndex : public WindowTest, public ::testing::WithParamInterface<IndexRow> {};

TEST_P(ListIndex, NamesOnlyARowOfTheList) {
  window.ListAppend(Numbered(3, "a"));
  const QAbstractItemModel& model = *Find<QListView>("List1")->model();
  const QModelIndex parent = GetParam().underARow ? model.index(0, 0) : QModelIndex();
  const QModelIndex index = model.index(GetParam().row, GetParam().column, parent);
  EXPECT_EQ(index.isValid(), GetParam().valid);
  EXPECT_EQ(index.row(), GetParam().valid ? GetParam().row : -1);
}

INSTANTIATE_TEST_SUITE_P(Rows, ListIndex,
                         ::testing::Values(IndexRow{"Last", 2, 0, false, true},
                                           IndexRow{"PastTheEnd", 3, 0, false, false},
                                           IndexRow{"Negative", -1, 0, false, false},
                                           IndexRow{"SecondColumn", 0, 1, false, false},
                                           IndexRow{"UnderARow", 0, 0, true, false}),
                         RowName());

struct ListingsRow {
  const char* name;
  int first, second;  // the second put in place of the first before that one is laid out
};

class LongListing : public WindowTest, public ::testing::WithParamInterface<ListingsRow> {};

TEST_P(LongListing, EndsWithEveryRowOfTheLatestInPlace) {
  auto* list = Find<QListView>("List1");
  window.ListAppend(Numbered(GetParam().first, "a"));
  QCoreApplication::processEvents();
  window.ListClear();
  window.ListAppend(Numbered(GetParam().second, "b"));
  const QModelIndex last = list->model()->index(GetParam().second - 1, 0);
  for (int round = 0; round < 1000 && !list->visualRect(last).isValid(); ++round) {
    QCoreApplication::processEvents();
  }
  QTest::keyClick(list, Qt::Key_Home);  // the first key only makes a row current
  QTest::keyClick(list, Qt::Key_End);
  EXPECT_EQ(list->currentIndex(), last);
  EXPECT_TRUE(list->viewport()->rect().contains(list->visualRect(last).center()));
  EXPECT_EQ(last.data().toString().toStdString(), "b" + std::to_string(GetParam().second - 1));
}

INSTANTIATE_TEST_SUITE_P(Listings, LongListing,
                         ::testing::Values(ListingsRow{"ShortAfterLong", 120'000, 3},
                                           ListingsRow{"LongAfterShort", 3, 120'000},
                                           ListingsRow{"LongAfterLong", 130'000, 120'001}),
                         RowName());

TEST_F(WindowTest, TheWindowStaysServedDuringARun) {
  files.Choose("/d/slow.vok", "slow.vok");
  ToolLists(" 1 \\a\r\n 2 \\b\r\n");
  ::setenv("FAKE_TOOL_SLEEP_MS", "600", 1);
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(20);
  bool openWasEnabled = true;
  QTimer::singleShot(200, [&] {
    openWasEnabled = Find("cmdOpen")->isEnabled();
    ClickTab(1);
  });

  Click("cmdOpen");

  EXPECT_FALSE(openWasEnabled);
  EXPECT_TRUE(Find("cmdOpen")->isEnabled());
  EXPECT_GE(ticks, 3);  // timers fired while the tool ran
  // The tab click took effect at once; the View then filled its hidden list and set the count.
  EXPECT_TRUE(Shown("cmdExtract"));
  EXPECT_FALSE(Shown("List1"));
  EXPECT_EQ(ListRows().size(), 2u);
  EXPECT_EQ(window.windowTitle(), "2 in VOK File.");
}

TEST_F(WindowTest, ClosingDuringARunAnsweredNoKeepsTheWindowAndTheRun) {
  files.Choose("/d/slow.vok", "slow.vok");
  ToolLists(" 1 \\a\r\n");
  ::setenv("FAKE_TOOL_SLEEP_MS", "400", 1);
  boxes.answerYes = false;
  QTimer::singleShot(100, [&] { window.close(); });

  Click("cmdOpen");

  EXPECT_EQ(boxes.questions.size(), 1u);
  EXPECT_TRUE(window.isVisible());
  EXPECT_THAT(boxes.shown, IsEmpty());  // the run ended normally, not stopped
  EXPECT_EQ(ListRows().size(), 1u);
  EXPECT_FALSE(Exists("View.bat"));
  EXPECT_FALSE(Exists("VOKView.txt"));
}

TEST_F(WindowTest, AFailedRunIsToldWithTheToolsWords) {
  files.Choose("/d/bad.vok", "bad.vok");
  ::setenv("FAKE_TOOL_STDERR", "VOKMaker2: /d/bad.vok: damaged entry a.txt\n", 1);
  ::setenv("FAKE_TOOL_EXIT", "3", 1);
  Click("cmdOpen");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_THAT(boxes.shown[0], HasSubstr("exit status 3"));
  EXPECT_THAT(boxes.shown[0], HasSubstr("damaged entry a.txt"));
  EXPECT_EQ(window.windowTitle(), "VOK/TEMO Vozare");
}

TEST_F(WindowTest, AMissingToolIsNamed) {
  std::filesystem::remove(dir.path() / "VOKMaker2.exe");
  files.Choose("/d/a.vok", "a.vok");
  Click("cmdOpen");
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_THAT(boxes.shown[0], HasSubstr("VOKMaker2.exe is missing"));
}

}  // namespace
}  // namespace vok::testing
