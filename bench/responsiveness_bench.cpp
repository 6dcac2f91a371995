// How long the window goes without processing its events while it waits for the archive tool.
// A zero-interval timer fires once in every event-processing round; the figure is the longest
// gap between two of its firings (or from the click to the first, or from the last to the run's
// end) during a View whose tool runs for 3 s: the real window, real process services, a real
// shell script. Baseline in the same run: the same timer in the idle event loop for 3 s.
#include <QApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>

#include "app/form1_qt.h"
#include "core/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

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

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  vok::testing::TempDir dir;
  const auto tool = dir.path() / "VOKMaker2.exe";
  vok::testing::WriteFile(tool, "#!/bin/sh\nsleep 3\nprintf ' 1 \\\\a.txt\\r\\n'\n");
  std::filesystem::permissions(tool, std::filesystem::perms::owner_exec,
                               std::filesystem::perm_options::add);
  const auto archive = dir.path() / "three-seconds.vok";
  vok::testing::WriteFile(archive, "");

  QStringList messages;
  vok::Form1Window::Services services;
  services.showMessage = [&messages](const QString& text) { messages << text; };
  vok::Form1Window window(vok::Workspace{dir.path(), dir.path(), vok::ScriptDialect::Posix},
                          services);
  window.show();
  QCoreApplication::processEvents();
  RoundWatch watch;

  watch.Begin();
  QEventLoop idle;
  QTimer::singleShot(3000, &idle, &QEventLoop::quit);
  idle.exec();
  watch.End();
  const double idleMs = watch.LongestMs();

  watch.Begin();
  const auto start = Clock::now();
  window.form().DropPaths({vok::Utf8(archive)});
  watch.End();
  const double runSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (!messages.isEmpty() || window.ListCount() != 1) {
    std::fprintf(stderr, "the View run failed: %s\n", qPrintable(messages.join(u'\n')));
    return 1;
  }

  std::printf("responsiveness: longest gap between two event-processing rounds\n");
  std::printf("  baseline (idle event loop, 3 s):  %7.2f ms\n", idleMs);
  std::printf(
      "  View with a 3 s tool run (%.2f s): %7.2f ms over %ld rounds  %.2fx the 100 ms "
      "wait slice  target < 120 ms\n",
      runSeconds, watch.LongestMs(), watch.rounds(), watch.LongestMs() / 100.0);
  return 0;
}
