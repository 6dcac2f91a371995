// The archive tool against tar on the same data: create, list and extract of a tree of 10,000
// small files (text, compressible) and of one 1 GiB file (random bytes, incompressible), in
// both of the tool's formats. Each figure is the median of 3 runs, interleaved with tar's, and
// is printed beside tar's with the ratio; also the archive's size and the peak memory. The disks
// are synced before every command, so that none waits for what an earlier one wrote.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/temp_dir.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;

struct Measure {
  double seconds = 0;
  long peakKilobytes = 0;
};

// Runs a program with its output thrown away; exits the benchmark when it fails.
Measure Run(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  ::sync();  // what earlier commands wrote is not left for this one to wait for
  const auto start = Clock::now();
  const int error = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  rusage usage{};
  if (error == 0) ::wait4(pid, &status, 0, &usage);
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (error != 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "failed: %s %s %s\n", args[0].c_str(), args[1].c_str(),
                 args.size() > 2 ? args[2].c_str() : "");
    std::exit(1);
  }
  return {seconds, usage.ru_maxrss};
}

std::uint64_t state = 88172645463325252ULL;
std::uint64_t Next() {  // xorshift64: fast, and the same data in every run
  state ^= state << 13;
  state ^= state >> 7;
  state ^= state << 17;
  return state;
}

void MakeTree(const fs::path& root) {
  static const char* const kWords[] = {"archive ", "folder ", "size ", "name ", "window ",
                                       "listing ", "tool ",   "data ", "\n"};
  for (int folder = 0; folder < 100; ++folder) {
    const fs::path dir = root / ("folder" + std::to_string(folder));
    fs::create_directories(dir);
    for (int file = 0; file < 100; ++file) {
      std::string text;
      const std::size_t size = 200 + Next() % 3800;
      while (text.size() < size) text += kWords[Next() % std::size(kWords)];
      vok::testing::WriteFile(dir / ("file" + std::to_string(file) + ".txt"), text);
    }
  }
}

void MakeBigFile(const fs::path& path, std::uint64_t bytes) {
  std::ofstream out(path, std::ios::binary);
  std::vector<std::uint64_t> block(std::size_t{1} << 17);  // 1 MiB
  for (std::uint64_t written = 0; written < bytes; written += block.size() * 8) {
    for (auto& word : block) word = Next();
    out.write(reinterpret_cast<const char*>(block.data()),
              static_cast<std::streamsize>(block.size() * 8));
  }
}

std::uintmax_t TreeBytes(const fs::path& root, std::size_t& files) {
  std::uintmax_t bytes = 0;
  files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file()) {
      bytes += entry.file_size();
      ++files;
    }
  }
  return bytes;
}

struct Way {
  const char* name;
  const char* extension;
  bool tar;
};
const Way kWays[] = {{"tar", ".tar", true}, {"VOK", ".vok", false}, {"TEMO", ".temo", false}};

std::vector<std::string> Create(const Way& way, const fs::path& source, const fs::path& archive) {
  if (way.tar) return {"tar", "-cf", archive, "-C", source, "."};
  return {TOOL, "-a", "-p", source, archive};
}
std::vector<std::string> List(const Way& way, const fs::path& archive) {
  if (way.tar) return {"tar", "-tvf", archive};
  return {TOOL, "-v", archive};
}
std::vector<std::string> Extract(const Way& way, const fs::path& archive, const fs::path& dest) {
  if (way.tar) return {"tar", "-xf", archive, "-C", dest};
  return {TOOL, "-x", archive, dest};
}

void Compare(const char* title, const fs::path& source, const fs::path& work) {
  std::size_t sourceFiles = 0;
  const std::uintmax_t sourceBytes = TreeBytes(source, sourceFiles);
  std::printf("%s: %zu files, %.1f MB\n", title, sourceFiles, sourceBytes / 1e6);
  const char* const kSteps[] = {"create", "list", "extract"};
  std::vector<double> seconds[3][std::size(kWays)];
  long peak[3][std::size(kWays)] = {};
  std::uintmax_t archiveBytes[std::size(kWays)] = {};
  for (int run = 0; run < kRuns; ++run) {
    for (std::size_t w = 0; w < std::size(kWays); ++w) {
      const fs::path archive = work / (std::string("archive") + kWays[w].extension);
      const fs::path dest = work / "extracted";
      fs::remove(archive);
      fs::remove_all(dest);
      fs::create_directories(dest);
      const Measure steps[] = {Run(Create(kWays[w], source, archive)), Run(List(kWays[w], archive)),
                               Run(Extract(kWays[w], archive, dest))};
      std::size_t files = 0;
      if (TreeBytes(dest, files) != sourceBytes || files != sourceFiles) {
        std::fprintf(stderr, "%s extracted something else than was packed\n", kWays[w].name);
        std::exit(1);
      }
      archiveBytes[w] = fs::file_size(archive);
      for (int s = 0; s < 3; ++s) {
        seconds[s][w].push_back(steps[s].seconds);
        peak[s][w] = std::max(peak[s][w], steps[s].peakKilobytes);
      }
      fs::remove(archive);
      fs::remove_all(dest);
    }
  }
  std::printf("  %-8s %-22s %-30s %s\n", "", "tar (baseline)", "VOK", "TEMO");
  for (int s = 0; s < 3; ++s) {
    const double base = vok::bench::Median(seconds[s][0]);
    std::printf("  %-8s %7.2f s %6.1f MB    ", kSteps[s], base, peak[s][0] / 1024.0);
    for (std::size_t w = 1; w < std::size(kWays); ++w) {
      const double ours = vok::bench::Median(seconds[s][w]);
      std::printf("%7.2f s %5.1fx %6.1f MB    ", ours, ours / base, peak[s][w] / 1024.0);
    }
    std::printf("\n");
  }
  std::printf("  %-8s %7.1f MB              ", "size", archiveBytes[0] / 1e6);
  for (std::size_t w = 1; w < std::size(kWays); ++w) {
    std::printf("%7.1f MB %5.2fx              ", archiveBytes[w] / 1e6,
                static_cast<double>(archiveBytes[w]) / static_cast<double>(archiveBytes[0]));
  }
  std::printf("\n  (seconds: median of %d; MB after a time: the command's peak memory)\n", kRuns);
}

}  // namespace

int main() {
  vok::testing::TempDir dir;
  MakeTree(dir.path() / "tree");
  fs::create_directories(dir.path() / "big");
  MakeBigFile(dir.path() / "big" / "one.bin", std::uint64_t{1} << 30);

  std::printf("archive tool against tar on the same data\n");
  Compare("10,000 small files", dir.path() / "tree", dir.path());
  Compare("one 1 GiB file", dir.path() / "big", dir.path());
  return 0;
}
