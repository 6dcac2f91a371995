// Unpack and Create through the window, with the job's progress read and shown, against the
// archive tool alone in the same run; and Unpack's extraction into a folder of its own and the
// moves into place, against the tool extracting straight into the destination.
//   unpack_create_bench [FILES] [BIG_MB]    (default 1,000,000 small files, a 2000 MB file)
// Every figure is the median of 3 runs, interleaved with its baseline; the longest gap between
// two event rounds of the window is the worst of them. The real window, real processes and the
// real tool, the offscreen platform.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "bench_support.h"
#include "window_bench.h"

namespace {

namespace fs = std::filesystem;
using vok::bench::Clock;
using vok::bench::Program;
using vok::bench::RoundWatch;
using vok::bench::Seconds;

constexpr int kRuns = 3;

double Tool(std::vector<std::string> args) {
  args.insert(args.begin(), TOOL);
  return vok::bench::Run(args).seconds;
}

void Compare(const char* what, Program& program, RoundWatch& watch,
             const std::function<void()>& prepare, const std::function<double()>& alone,
             const std::function<double()>& window) {
  std::vector<double> toolTimes;
  std::vector<double> windowTimes;
  double longestGap = 0;
  for (int run = 0; run < kRuns; ++run) {
    prepare();
    toolTimes.push_back(alone());
    prepare();
    windowTimes.push_back(window());
    if (!program.boxes.shown.empty()) {
      std::fprintf(stderr, "%s failed: %s\n", what, program.boxes.shown.front().c_str());
      std::exit(1);
    }
    longestGap = std::max(longestGap, watch.LongestMs());
  }
  const double toolSeconds = vok::bench::Median(toolTimes);
  const double windowSeconds = vok::bench::Median(windowTimes);
  std::printf("%s\n  through the window %7.2f s, the tool alone %7.2f s: %.3fx  target < 1.05x\n",
              what, windowSeconds, toolSeconds, windowSeconds / toolSeconds);
  std::printf("  longest gap between event rounds: %.1f ms  target < 150 ms\n", longestGap);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const long files = argc > 1 ? std::atol(argv[1]) : 1'000'000;
  const long bigMegabytes = argc > 2 ? std::atol(argv[2]) : 2000;
  RoundWatch watch;
  Program program("#!/bin/sh\nexec '" + std::string(TOOL) + "' \"$@\"\n");
  const fs::path root = program.dir.path();

  const fs::path small = root / "small";
  for (long i = 0; i < files; ++i) {
    const fs::path folder = small / std::to_string(i / 1000);
    if (i % 1000 == 0) fs::create_directories(folder);
    vok::testing::WriteFile(folder / (std::to_string(i) + ".txt"), std::to_string(i));
  }
  const fs::path big = root / "big";
  fs::create_directories(big);
  {
    std::vector<char> block(1 << 20);
    for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 7 % 251);
    std::FILE* out = std::fopen((big / "big.bin").c_str(), "wb");
    for (long m = 0; m < bigMegabytes; ++m) std::fwrite(block.data(), 1, block.size(), out);
    std::fclose(out);
  }
  if (std::FILE* load = std::fopen("/proc/loadavg", "r")) {
    char text[64] = {};
    if (std::fgets(text, sizeof text, load)) std::printf("load: %s", text);
    std::fclose(load);
  }

  const std::pair<std::string, fs::path> sources[] = {
      {std::to_string(files) + " small files", small},
      {"one file of " + std::to_string(bigMegabytes) + " MB", big}};
  for (const auto& [label, source] : sources) {
    const fs::path archive = root / "out.vok";
    Compare(("Create of " + label).c_str(), program, watch, [&] { fs::remove(archive); },
            [&] {
              return Tool({"-a", "-p", source.string(), archive.string()});
            },
            [&] { return program.Create(watch, source, archive); });

    const fs::path out = root / "out";
    Compare(("Unpack of " + label + " into a fresh folder").c_str(), program, watch,
            [&] { fs::remove_all(out); },
            [&] {
              return Tool({"-x", archive.string(), out.string()});
            },
            [&] { return program.Extract(watch, archive, out); });
  }

  // Half of the entries already there: the tool replaces them, the window keeps them.
  const fs::path archive = root / "small.vok";
  Tool({"-a", "-p", small.string(), archive.string()});
  const fs::path out = root / "half";
  const auto halfFilled = [&] {
    fs::remove_all(out);
    for (long i = 0; i < files; i += 2) {
      const fs::path folder = out / std::to_string(i / 1000);
      if (i % 2000 == 0) fs::create_directories(folder);
      vok::testing::WriteFile(folder / (std::to_string(i) + ".txt"), "mine");
    }
  };
  Compare(("Unpack of " + std::to_string(files) + " small files into a folder with half of them")
              .c_str(),
          program, watch, halfFilled,
          [&] {
            return Tool({"-x", archive.string(), out.string()});
          },
          [&] { return program.Extract(watch, archive, out); });
  return 0;
}
