// How soon ShellAndWait, with the real POSIX process services, returns once the process it waits
// for has ended. The process (exit_stamp) writes the CLOCK_MONOTONIC time as its last act; the
// figure is the time from that stamp to the wait's return. Baseline in the same run, interleaved:
// posix_spawn of the same command and a blocking waitpid.
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/temp_dir.h"
#include "runner/process_posix.h"
#include "runner/quoting.h"
#include "runner/shell_and_wait.h"

extern char** environ;

namespace {

constexpr int kRuns = 100;

class IdleEvents : public vok::EventPump {
 public:
  void DoEvents() override {}
};

struct Way {
  const char* name;
  bool shellAndWait;
  bool usePidfd;
};

// Runs `command` one way; the milliseconds from its exit stamp to the wait's return, or -1.
double LatencyMs(const Way& way, const std::string& command, const std::filesystem::path& stamp) {
  std::filesystem::remove(stamp);
  long long returned = 0;
  if (way.shellAndWait) {
    vok::PosixProcesses processes({nullptr, way.usePidfd});
    IdleEvents events;
    const vok::RunOutcome outcome =
        vok::ShellAndWait(processes, events, command, vok::WindowMode::Hidden, true);
    returned = vok::bench::MonotonicNanoseconds();
    if (!outcome.ended || outcome.report.exitStatus != 0) return -1;
  } else {
    const char* argv[] = {"sh", "-c", command.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ)) {
      return -1;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    returned = vok::bench::MonotonicNanoseconds();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  }
  const std::string text = vok::testing::ReadFile(stamp);
  return text.empty() ? -1 : static_cast<double>(returned - std::stoll(text)) / 1e6;
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  return values[static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1))];
}

}  // namespace

int main() {
  const Way ways[] = {{"posix_spawn + waitpid (baseline)", false, false},
                      {"ShellAndWait, pidfd", true, true},
                      {"ShellAndWait, no pidfd (polling)", true, false}};
  const int delays[] = {0, 250};
  vok::testing::TempDir dir;
  const auto stamp = dir.path() / "stamp";

  std::printf("end of process noticed: from the process's last act to the wait's return, %d runs\n",
              kRuns);
  std::printf("  %-34s %-28s %s\n", "", "exits at once", "exits after 250 ms");
  std::printf("  %-34s %-28s %s\n", "", "median    max    ratio", "median    max    ratio");
  std::vector<double> latencies[std::size(ways)][std::size(delays)];
  for (std::size_t d = 0; d < std::size(delays); ++d) {
    const std::string command = vok::QuoteArgument(EXIT_STAMP, vok::ScriptDialect::Posix) + " " +
                                vok::QuoteArgument(vok::Utf8(stamp), vok::ScriptDialect::Posix) +
                                " " + std::to_string(delays[d]);
    for (int run = 0; run < kRuns; ++run) {
      for (std::size_t w = 0; w < std::size(ways); ++w) {
        const double ms = LatencyMs(ways[w], command, stamp);
        if (ms < 0) {
          std::fprintf(stderr, "%s: the run failed\n", ways[w].name);
          return 1;
        }
        latencies[w][d].push_back(ms);
      }
    }
  }
  for (std::size_t w = 0; w < std::size(ways); ++w) {
    std::printf("  %-34s", ways[w].name);
    for (std::size_t d = 0; d < std::size(delays); ++d) {
      const double median = Percentile(latencies[w][d], 0.5);
      const double base = Percentile(latencies[0][d], 0.5);
      std::printf(" %5.2f ms %6.2f ms %5.1fx ", median, Percentile(latencies[w][d], 1.0),
                  median / base);
    }
    std::printf("\n");
  }
  std::printf("  target: median < 2 ms, max < 100 ms (one wait slice)\n");
  return 0;
}
