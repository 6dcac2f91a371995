#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace vok::bench {

inline double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// CLOCK_MONOTONIC in nanoseconds: the clock helper programs stamp their moments with too.
inline long long MonotonicNanoseconds() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<long long>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

struct Measure {
  double seconds = 0;
  long peakKilobytes = 0;
  double cpuSeconds = 0;  // user and system
};

// Runs a program with its output sent to `output` (by default thrown away), after syncing the
// disks so that it does not wait for what earlier commands wrote; exits the benchmark when the
// program fails (an exit status above `worstStatus`).
inline Measure Run(std::vector<std::string> args, int worstStatus = 0,
                   const std::filesystem::path& output = "/dev/null") {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  ::sync();
  const auto start = std::chrono::steady_clock::now();
  const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (error == 0) ::wait4(pid, &status, 0, &usage);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (error != 0 || !WIFEXITED(status) || WEXITSTATUS(status) > worstStatus) {
    std::fprintf(stderr, "failed: %s %s %s\n", args[0].c_str(), args[1].c_str(),
                 args.size() > 2 ? args[2].c_str() : "");
    std::exit(1);
  }
  const auto cpu = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return {seconds, usage.ru_maxrss, cpu(usage.ru_utime) + cpu(usage.ru_stime)};
}

}  // namespace vok::bench
