// How fast a big listing gets from the tool's output file into the window's list.
// Prints each figure beside a baseline measured in the same run: reading the same file line by
// line without parsing.
#include <QApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "app/form1_qt.h"
#include "bench_support.h"
#include "core/form_fakes.h"
#include "core/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

long PeakKilobytes() {
  std::ifstream status("/proc/self/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
  }
  return 0;
}

void WriteListing(const std::filesystem::path& path, int entries) {
  std::ofstream out(path, std::ios::binary);
  out << "VOKMaker2 archive listing\r\n\r\n";
  for (int i = 0; i < entries; ++i) {
    out << ' ' << (i * 7919L % 10000000) << "  \\data\\folder" << i % 100 << "\\file" << i
        << ".txt\r\n";
  }
  out << ' ' << entries << " files, 0 bytes in archive\r\n";
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  constexpr int kEntries = 1'000'000;
  constexpr int kRuns = 5;
  vok::testing::TempDir dir;
  const auto generated = dir.path() / "generated.txt";
  WriteListing(generated, kEntries);
  const auto bytes = std::filesystem::file_size(generated);

  std::vector<double> baseline;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    std::ifstream in(generated, std::ios::binary);
    std::size_t lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    baseline.push_back(Seconds(Clock::now() - start));
    if (lines == 0) return 1;
  }

  vok::testing::FakeFilePrompt files;
  vok::testing::FakeFolderPrompt folders;
  vok::testing::FakeLinks links;
  vok::testing::FakeProcesses processes;
  processes.onStart = [&](const std::string&) {
    std::filesystem::copy_file(generated, dir.path() / "VOKView.txt");
  };
  vok::testing::FakeMessages boxes;
  vok::Form1Window window(vok::Workspace{dir.path(), dir.path(), vok::ScriptDialect::Posix},
                          vok::Services{.files = &files,
                                        .folders = &folders,
                                        .links = &links,
                                        .processes = &processes,
                                        .messages = &boxes});
  window.show();

  const long peakBefore = PeakKilobytes();
  std::vector<double> timings;
  for (int run = 0; run < kRuns; ++run) {
    files.Choose(vok::Utf8(dir.path() / "big.vok"), "big.vok");
    // The tool's own time is not the program's: writing the listing into the file the program
    // made for it is measured and taken off.
    Clock::duration toolTime{};
    processes.onStart = [&](const std::string&) {
      const auto begin = Clock::now();
      std::filesystem::copy_file(generated, dir.path() / "VOKView.txt",
                                 std::filesystem::copy_options::overwrite_existing);
      toolTime = Clock::now() - begin;
    };
    const auto start = Clock::now();
    window.form().cmdOpen_Click();
    timings.push_back(Seconds(Clock::now() - start - toolTime));
    if (window.ListCount() != kEntries) {
      std::fprintf(stderr, "listed %zu entries, expected %d\n", window.ListCount(), kEntries);
      return 1;
    }
  }
  const long peakAfter = PeakKilobytes();

  const double ours = vok::bench::Median(timings);
  const double base = vok::bench::Median(baseline);
  std::printf("listing: %d entries, %.1f MB\n", kEntries, static_cast<double>(bytes) / 1e6);
  std::printf("  baseline (getline, no parsing): %.3f s (median of %d)\n", base, kRuns);
  std::printf(
      "  View into List1, end to end:    %.3f s (median of %d)  ratio %.2fx  target < 0.5 s, < "
      "10x\n",
      ours, kRuns, ours / base);
  std::printf("  peak memory while viewing:      +%.1f MB, %.0f bytes per entry\n",
              (peakAfter - peakBefore) / 1024.0, (peakAfter - peakBefore) * 1024.0 / kEntries);
  return 0;
}
