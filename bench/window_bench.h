#pragma once

// What the benchmarks of the real window share: a watch on its event rounds, and the window over
// a program folder of its own.
#include <QApplication>
#include <QTabBar>
#include <QTimer>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>

#include "app/form1_qt.h"
#include "core/form_fakes.h"
#include "core/temp_dir.h"

namespace vok::bench {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

inline double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Records the gaps between the firings of a zero-interval timer.
class RoundWatch {
 public:
  RoundWatch() {
    QObject::connect(&timer_, &QTimer::timeout, [this] { Round(); });
    timer_.start(0);
  }
  void Begin() {
    last_ = Clock::now();
    longest_ = Clock::duration::zero();
    rounds_ = 0;
  }
  void Round() {
    End();
    ++rounds_;
  }
  // The gap from the last round to the end of what is watched.
  void End() {
    const auto now = Clock::now();
    longest_ = std::max(longest_, now - last_);
    last_ = now;
  }
  [[nodiscard]] double LongestMs() const {
    return std::chrono::duration<double, std::milli>(longest_).count();
  }
  [[nodiscard]] long rounds() const { return rounds_; }

 private:
  QTimer timer_;
  Clock::time_point last_;
  Clock::duration longest_{};
  long rounds_ = 0;
};

inline void MakeExecutable(const fs::path& path, const std::string& script) {
  vok::testing::WriteFile(path, script);
  fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
}

// The program's window over a program folder of its own, whose archive tool is `tool`.
struct Program {
  explicit Program(const std::string& toolScript) {
    MakeExecutable(dir.path() / "VOKMaker2.exe", toolScript);
    window = std::make_unique<vok::Form1Window>(
        vok::Workspace{dir.path(), dir.path(), vok::ScriptDialect::Posix},
        vok::Services{.messages = &boxes});
    window->show();
    static_cast<QTabBar*>(window->control(vok::Control::TabStrip1))->setCurrentIndex(2);
    QCoreApplication::processEvents();
  }
  // Runs Create of `archive` from `source`, through the window; its time.
  double Create(RoundWatch& watch, const fs::path& source, const fs::path& archive) {
    static_cast<QTabBar*>(window->control(vok::Control::TabStrip1))->setCurrentIndex(2);
    window->form().DropPaths({vok::Utf8(source)});
    window->form().DropPaths({vok::Utf8(archive)});
    boxes.shown.clear();
    watch.Begin();
    const auto start = Clock::now();
    window->form().cmdCreate_Click();
    watch.End();
    return Seconds(Clock::now() - start);
  }
  // Runs Unpack of `archive` into `destination`, through the window; its time. A question is
  // answered "Keep existing".
  double Extract(RoundWatch& watch, const fs::path& archive, const fs::path& destination) {
    static_cast<QTabBar*>(window->control(vok::Control::TabStrip1))->setCurrentIndex(1);
    window->form().DropPaths({vok::Utf8(archive)});
    window->SetText(vok::Control::txtDest, vok::Utf8(destination));
    boxes.shown.clear();
    boxes.choice = 1;
    watch.Begin();
    const auto start = Clock::now();
    window->form().cmdExtract_Click();
    watch.End();
    return Seconds(Clock::now() - start);
  }
  vok::testing::TempDir dir;
  vok::testing::FakeMessages boxes;
  std::unique_ptr<vok::Form1Window> window;
};

}  // namespace vok::bench
