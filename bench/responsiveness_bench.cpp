// How long the window goes without processing its events while it waits for the archive tool,
// and whether a tool that talks a lot is slowed down by the window.
// A zero-interval timer fires once in every event-processing round; a figure "longest gap" is
// the longest time between two of its firings (or from the click to the first, or from the last
// to the run's end). The real window, real process services, real shell scripts, the offscreen
// platform.
//  1. A View whose tool runs for 3 s. Baseline: the same timer in the idle event loop for 3 s.
//  2. A talkative tool: the archive tool packing N empty files (default 1,000,000; the first
//     argument), one line of output per file, run by Create with its console window. Baseline:
//     the same command with its output sent through a pipe to cat. Medians of 3, interleaved.
//  3. A tool that writes 100 MB to its error output with no line break, the same way.
//  4. A stop: the console's Stop button 0.5 s into a run, against a tool that ends when asked
//     and one that ignores the request; the time from the click to the end of the run.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QTabBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_support.h"
#include "runner/quoting.h"
#include "window_bench.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;

using vok::bench::Program;
using vok::bench::RoundWatch;
using vok::bench::Seconds;

// Runs a shell command line; its time. Exits the benchmark when it fails.
double RunShell(const std::string& command) {
  const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
  pid_t pid = 0;
  const auto start = Clock::now();
  int status = -1;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) ==
      0) {
    ::waitpid(pid, &status, 0);
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s\n", command.c_str());
    std::exit(1);
  }
  return Seconds(Clock::now() - start);
}

std::string Quoted(const fs::path& path) {
  return vok::QuoteArgument(vok::Utf8(path), vok::ScriptDialect::Posix);
}

// One tool, through the window and through a pipe to cat, interleaved.
void CompareWithCat(const char* what, Program& program, RoundWatch& watch, const fs::path& source,
                    const std::string& catCommand) {
  const fs::path archive = program.dir.path() / "out.temo";
  std::vector<double> window;
  std::vector<double> cat;
  double longestGap = 0;
  long rounds = 0;
  for (int run = 0; run < kRuns; ++run) {
    fs::remove(archive);
    cat.push_back(RunShell(catCommand));
    fs::remove(archive);
    window.push_back(program.Create(watch, source, archive));
    if (!program.boxes.shown.empty()) {
      std::fprintf(stderr, "the run failed: %s\n", program.boxes.shown.front().c_str());
      std::exit(1);
    }
    longestGap = std::max(longestGap, watch.LongestMs());
    rounds = std::max(rounds, watch.rounds());
  }
  const double windowSeconds = vok::bench::Median(window);
  const double catSeconds = vok::bench::Median(cat);
  std::printf("%s\n", what);
  std::printf("  through the window: %7.2f s (runs %.2f, %.2f, %.2f)\n", windowSeconds, window[0],
              window[1], window[2]);
  std::printf("  baseline, output through a pipe to cat: %7.2f s (runs %.2f, %.2f, %.2f)\n",
              catSeconds, cat[0], cat[1], cat[2]);
  std::printf("  ratio %.2fx  target < 1.15x\n", windowSeconds / catSeconds);
  std::printf(
      "  longest gap between event rounds: %.1f ms (worst of %d runs, up to %ld rounds)"
      "  target < 150 ms\n",
      longestGap, kRuns, rounds);
}

// Clicks the console's Stop button `afterMs` into a Create; the time from the click to the end.
double StopAfter(Program& program, RoundWatch& watch, int afterMs) {
  Clock::time_point clicked;
  QTimer::singleShot(afterMs, [&] {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
      if (widget->objectName() != "console" || !widget->isVisible()) continue;
      clicked = Clock::now();
      widget->findChild<QPushButton*>("cmdStop")->click();
    }
  });
  program.Create(watch, program.dir.path(), program.dir.path() / "out.temo");
  if (clicked == Clock::time_point() || program.boxes.shown.size() != 1 ||
      program.boxes.shown[0].find("stopped") == std::string::npos) {
    std::fprintf(stderr, "the stop failed: %zu messages\n", program.boxes.shown.size());
    std::exit(1);
  }
  return Seconds(Clock::now() - clicked);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const long files = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  RoundWatch watch;

  {
    Program program("#!/bin/sh\nsleep 3\nprintf ' 1 \\\\a.txt\\r\\n'\n");
    const auto archive = program.dir.path() / "three-seconds.vok";
    vok::testing::WriteFile(archive, "");
    static_cast<QTabBar*>(program.window->control(vok::Control::TabStrip1))->setCurrentIndex(0);

    watch.Begin();
    QEventLoop idle;
    QTimer::singleShot(3000, &idle, &QEventLoop::quit);
    idle.exec();
    watch.End();
    const double idleMs = watch.LongestMs();

    watch.Begin();
    const auto start = Clock::now();
    program.window->form().DropPaths({vok::Utf8(archive)});
    watch.End();
    if (!program.boxes.shown.empty() || program.window->ListCount() != 1) {
      std::fprintf(stderr, "the View run failed: %zu messages\n", program.boxes.shown.size());
      return 1;
    }
    std::printf("responsiveness: longest gap between two event-processing rounds\n");
    std::printf("  baseline (idle event loop, 3 s):  %7.2f ms\n", idleMs);
    std::printf(
        "  View with a 3 s tool run (%.2f s): %7.2f ms over %ld rounds  %.2fx the 100 ms "
        "wait slice  target < 120 ms\n",
        Seconds(Clock::now() - start), watch.LongestMs(), watch.rounds(),
        watch.LongestMs() / 100.0);
  }

  {
    // The real archive tool, given one line per file to write.
    Program program("#!/bin/sh\nexec " + Quoted(TOOL) + " \"$@\"\n");
    const fs::path source = program.dir.path() / "files";
    for (long i = 0; i < files; ++i) {
      const fs::path folder = source / std::to_string(i / 1000);
      if (i % 1000 == 0) fs::create_directories(folder);
      vok::testing::WriteFile(folder / (std::to_string(i) + ".txt"), "");
    }
    std::printf("\n");
    CompareWithCat(("a talkative tool: Create of " + std::to_string(files) +
                    " empty files, one line of output each")
                       .c_str(),
                   program, watch, source,
                   Quoted(TOOL) + " -a -p " + Quoted(source) + " " +
                       Quoted(program.dir.path() / "out.temo") + " 2>&1 | cat >/dev/null");
  }

  {
    const std::string flood = "head -c 100000000 /dev/zero | tr '\\0' x >&2";
    Program program("#!/bin/sh\n" + flood + "\n");
    std::printf("\n");
    CompareWithCat("a tool that writes 100 MB of error output with no line break", program, watch,
                   program.dir.path(), "(" + flood + ") 2>&1 | cat >/dev/null");
  }

  {
    Program obeys("#!/bin/sh\nsleep 60\n");
    Program ignores("#!/bin/sh\ntrap '' TERM\nsleep 60\n");
    const double obeyed = StopAfter(obeys, watch, 500);
    const double forced = StopAfter(ignores, watch, 500);
    std::printf("\nstop: from the click on Stop to the end of the run\n");
    std::printf("  a tool that ends when asked:      %6.3f s  target < 3 s\n", obeyed);
    std::printf(
        "  a tool that ignores the request:  %6.3f s  target < 3 s (%.2f s of it the "
        "%d slices of grace)\n",
        forced, vok::kStopGraceSlices * vok::kWaitSliceMs / 1000.0, vok::kStopGraceSlices);
  }
  return 0;
}
