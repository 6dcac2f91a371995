#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <cstdlib>

#include "app/form1_qt.h"
#include "core/form_fakes.h"
#include "core/temp_dir.h"

namespace vok::testing {

// The console window of the run in progress, if one is shown.
inline QWidget* OpenConsole() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->objectName() == "console" && widget->isVisible()) return widget;
  }
  return nullptr;
}

// A window whose program directory holds the test stand-in for the archive tool, with the
// dialogs scripted and messages collected.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    std::filesystem::copy_file(FAKE_TOOL, dir.path() / "VOKMaker2.exe");
    for (const char* name :
         {"FAKE_TOOL_RECORD", "FAKE_TOOL_PID_FILE", "FAKE_TOOL_IGNORE_TERM", "FAKE_TOOL_LISTING",
          "FAKE_TOOL_LINES", "FAKE_TOOL_FLOOD", "FAKE_TOOL_STDERR", "FAKE_TOOL_SLEEP_MS",
          "FAKE_TOOL_EXIT", "FAKE_TOOL_ONLY"}) {
      ::unsetenv(name);
    }
    ::setenv("FAKE_TOOL_RECORD", (dir.path() / "args").c_str(), 1);
    window.show();
  }

  template <class T = QWidget>
  T* Find(const char* name) {
    T* widget = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }
  void Click(const char* name) { QTest::mouseClick(Find(name), Qt::LeftButton); }
  void ClickTab(int index) {
    auto* tabs = Find<QTabBar>("TabStrip1");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
  }
  void ToolLists(const std::string& listing) {
    WriteFile(dir.path() / "listing.txt", listing);
    ::setenv("FAKE_TOOL_LISTING", (dir.path() / "listing.txt").c_str(), 1);
  }
  // The arguments the tool was started with, one run after another.
  std::vector<std::string> ToolArguments() {
    const std::string recorded = ReadFile(dir.path() / "args");
    std::vector<std::string> arguments;
    for (std::size_t begin = 0, end; (end = recorded.find('\0', begin)) != std::string::npos;
         begin = end + 1) {
      arguments.push_back(recorded.substr(begin, end - begin));
    }
    return arguments;
  }
  std::vector<std::string> ListRows() {
    auto* list = Find<QListView>("List1");
    std::vector<std::string> rows;
    for (int i = 0; i < list->model()->rowCount(); ++i) {
      rows.push_back(list->model()->index(i, 0).data().toString().toStdString());
    }
    return rows;
  }
  bool Shown(const char* name) { return Find(name)->isVisibleTo(&window); }
  bool Exists(const char* name) { return std::filesystem::exists(dir.path() / name); }

  TempDir dir;
  FakeFilePrompt files;
  FakeFolderPrompt folders;
  FakeLinks links;
  FakeMessages boxes;
  Form1Window window{
      Workspace{dir.path(), dir.path(), ScriptDialect::Posix},
      Services{.files = &files, .folders = &folders, .links = &links, .messages = &boxes}};
};

}  // namespace vok::testing
