// How the window copes with showing a listing of millions of rows in List1. The real window, the
// offscreen platform.
//  1. The rows handed to the list: the longest gap between two event-processing rounds from then
//     until the last row has its place, and the total time of it. Baselines measured in the same
//     run: the idle event loop's own longest gap, and the time to put the same lines into the
//     list's store (ListLines).
//  2. View end to end with the real archive tool, of an archive of 1,000,000 and 3,000,000 empty
//     files: the time to the caption with the count, and to the last row in place, against the
//     tool alone writing the listing into a file; medians of 3, interleaved.
#include <QAbstractItemModel>
#include <QApplication>
#include <QEventLoop>
#include <QListView>
#include <QTabBar>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "hand_made_archive.h"
#include "runner/quoting.h"
#include "window_bench.h"

namespace {

namespace fs = std::filesystem;
using vok::bench::Clock;
using vok::bench::Program;
using vok::bench::RoundWatch;
using vok::bench::Seconds;

long ResidentKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

// Row `i` as the View shows an entry: its size, a TAB and its name.
std::string Line(int i) {
  return std::to_string(i * 7919L % 10000000) + "\tfile" + std::to_string(i) + ".txt";
}

vok::ListLines Lines(int count) {
  vok::ListLines lines;
  for (int i = 0; i < count; ++i) lines.push_back(Line(i));
  return lines;
}

// Runs the event loop until the list has laid out its last row.
void WaitForLastRow(QListView& list, int rows) {
  QEventLoop loop;
  QTimer check;
  QObject::connect(&check, &QTimer::timeout, [&] {
    if (list.visualRect(list.model()->index(rows - 1, 0)).isValid()) loop.quit();
  });
  check.start(0);
  loop.exec();
}

// Every row's text, and the count in the caption.
template <class LineOf>
bool Exact(const Program& program, const QListView& list, int rows, LineOf line) {
  const QAbstractItemModel& model = *list.model();
  if (model.rowCount() != rows ||
      program.window->windowTitle() != QString::number(rows) + " in VOK File.") {
    return false;
  }
  for (int i = 0; i < rows; ++i) {
    if (model.data(model.index(i, 0)).toString() != QString::fromStdString(line(i))) return false;
  }
  return true;
}

// View of an archive of `entries` empty files through the window and the real tool.
void ViewEndToEnd(Program& program, QListView& list, RoundWatch& watch, int entries) {
  const fs::path archive = program.dir.path() / "big.vok";
  {
    vok::bench::HandMadeArchive out(archive, false);
    for (int i = 0; i < entries; ++i) out.File("data/file" + std::to_string(i) + ".txt", "");
    out.End();
  }
  std::vector<double> tool, caption, shown;
  double longestGap = 0;
  for (int run = 0; run < 3; ++run) {
    tool.push_back(
        vok::bench::Run({TOOL, "-v", archive}, 0, program.dir.path() / "alone.txt").seconds);
    program.window->ListClear();
    QCoreApplication::processEvents();
    watch.Begin();
    const auto start = Clock::now();
    program.window->form().DropPaths({vok::Utf8(archive)});
    caption.push_back(Seconds(Clock::now() - start));
    WaitForLastRow(list, entries);
    watch.End();
    shown.push_back(Seconds(Clock::now() - start));
    longestGap = std::max(longestGap, watch.LongestMs());
    const auto line = [](int i) { return "0\tfile" + std::to_string(i) + ".txt"; };
    if (!program.boxes.shown.empty() || !Exact(program, list, entries, line)) {
      std::fprintf(stderr, "the View of %d entries failed\n", entries);
      std::exit(1);
    }
  }
  fs::remove(archive);
  const double alone = vok::bench::Median(tool);
  std::printf(
      "  %9d entries: the tool alone %.3f s; View to the caption %.3f s (%.2fx), to the last row"
      " in place %.3f s (%.2fx)\n"
      "                   longest gap between event rounds %.1f ms (worst of 3)\n",
      entries, alone, vok::bench::Median(caption), vok::bench::Median(caption) / alone,
      vok::bench::Median(shown), vok::bench::Median(shown) / alone, longestGap);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  RoundWatch watch;
  Program program("#!/bin/sh\nexec " + vok::QuoteArgument(TOOL, vok::ScriptDialect::Posix) +
                  " \"$@\"\n");
  static_cast<QTabBar*>(program.window->control(vok::Control::TabStrip1))->setCurrentIndex(0);
  auto& list = *static_cast<QListView*>(program.window->control(vok::Control::List1));
  QCoreApplication::processEvents();

  watch.Begin();
  QEventLoop idle;
  QTimer::singleShot(1000, &idle, &QEventLoop::quit);
  idle.exec();
  watch.End();
  const double idleMs = watch.LongestMs();

  std::printf("showing rows in List1 (offscreen)\n");
  std::printf("  baseline: the idle event loop's longest gap over 1 s: %.2f ms\n", idleMs);
  for (const int rows : {10'000, 1'000'000, 3'000'000}) {
    program.window->ListClear();
    QCoreApplication::processEvents();
    const long residentBefore = ResidentKilobytes();
    const auto filling = Clock::now();
    vok::ListLines lines = Lines(rows);
    const double fillSeconds = Seconds(Clock::now() - filling);

    watch.Begin();
    const auto start = Clock::now();
    program.window->ListAppend(std::move(lines));
    program.window->SetCaption(std::to_string(program.window->ListCount()) + " in VOK File.");
    WaitForLastRow(list, rows);
    watch.End();
    const double seconds = Seconds(Clock::now() - start);
    const long residentAfter = ResidentKilobytes();
    if (!Exact(program, list, rows, Line)) {
      std::fprintf(stderr, "the list does not hold the %d rows it was given\n", rows);
      return 1;
    }
    std::printf(
        "  %9d rows: longest gap %7.1f ms (%.0fx the idle gap, %ld rounds)  target < 150 ms\n"
        "                 shown in %.3f s; baseline, the lines put into ListLines: %.3f s"
        " (ratio %.2fx)\n"
        "                 memory: %.0f bytes per row\n",
        rows, watch.LongestMs(), watch.LongestMs() / idleMs, watch.rounds(), seconds, fillSeconds,
        seconds / fillSeconds, static_cast<double>(residentAfter - residentBefore) * 1024.0 / rows);
  }

  std::printf("\nView end to end, the real tool, an archive of empty files (medians of 3)\n");
  for (const int entries : {1'000'000, 3'000'000}) ViewEndToEnd(program, list, watch, entries);
  return 0;
}
