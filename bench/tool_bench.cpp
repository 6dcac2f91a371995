// The archive tool against tar on the same data: create, list and extract of a tree of 10,000
// small files (text, compressible) and of one 1 GiB file (random bytes, incompressible), in
// both of the tool's formats, on the disk and on tmpfs (/dev/shm). Each figure is the median
// of several runs, interleaved with tar's, and is printed beside tar's with the ratio; also
// the archive's size and the peak memory. The disks are synced before every command, so that
// none waits for what an earlier one wrote.
//
// Every archive and every extraction goes to a name that did not exist before, and nothing is
// deleted between the runs of the small files: on ext4, files deleted just before an
// extraction change where the next ones go, and that, not the program, was once measured.
//
// Then the listing of an archive of 3,000,000 files in each format, written to a file on the
// disk, against the I/O alone (see BigListing); alone with the argument "listing".
//
// Last, a race: the tool extracts while another thread swaps a folder of the destination with
// a link to an outside folder, and back, as fast as it can; the run counts whether anything
// outside changed.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "bench_support.h"
#include "core/temp_dir.h"
#include "hand_made_archive.h"

namespace {

namespace fs = std::filesystem;
using vok::bench::HandMadeArchive;
using vok::bench::Measure;
using vok::bench::Run;

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
  state = 88172645463325252ULL;
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
  fs::create_directories(path.parent_path());
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

// `keepOutputs`: nothing is deleted before all runs are done; otherwise each run's archive and
// extraction are deleted as soon as they were checked (for outputs too large to keep).
void Compare(const char* title, const char* where, const fs::path& source, const fs::path& work,
             int runs, bool keepOutputs) {
  std::size_t sourceFiles = 0;
  const std::uintmax_t sourceBytes = TreeBytes(source, sourceFiles);
  std::printf("%s on %s: %zu files, %.1f MB\n", title, where, sourceFiles, sourceBytes / 1e6);
  const char* const kSteps[] = {"create", "list", "extract"};
  std::vector<double> seconds[3][std::size(kWays)];
  long peak[3][std::size(kWays)] = {};
  std::uintmax_t archiveBytes[std::size(kWays)] = {};
  for (int run = 0; run < runs; ++run) {
    for (std::size_t w = 0; w < std::size(kWays); ++w) {
      const std::string id = std::string(kWays[w].name) + "-" + std::to_string(run);
      const fs::path archive = work / ("archive-" + id + kWays[w].extension);
      const fs::path dest = work / ("extracted-" + id);
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
      if (!keepOutputs) {
        fs::remove(archive);
        fs::remove_all(dest);
      }
    }
  }
  std::printf("  %-8s %-22s %-30s %s\n", "", "tar (baseline)", "VOK", "TEMO");
  for (int s = 0; s < 3; ++s) {
    const double base = vok::bench::Median(seconds[s][0]);
    std::printf("  %-8s %7.3f s %6.1f MB    ", kSteps[s], base, peak[s][0] / 1024.0);
    for (std::size_t w = 1; w < std::size(kWays); ++w) {
      const double ours = vok::bench::Median(seconds[s][w]);
      std::printf("%7.3f s %5.2fx %6.1f MB    ", ours, ours / base, peak[s][w] / 1024.0);
    }
    std::printf("\n");
  }
  std::printf("  %-8s %7.1f MB              ", "size", archiveBytes[0] / 1e6);
  for (std::size_t w = 1; w < std::size(kWays); ++w) {
    std::printf("%7.1f MB %5.2fx              ", archiveBytes[w] / 1e6,
                static_cast<double>(archiveBytes[w]) / static_cast<double>(archiveBytes[0]));
  }
  std::printf("\n  (seconds: median of %d; MB after a time: the command's peak memory)\n", runs);
  for (const auto& entry : fs::directory_iterator(work)) {
    if (entry.path().filename().string().starts_with("archive-") ||
        entry.path().filename().string().starts_with("extracted-")) {
      fs::remove_all(entry.path());
    }
  }
}

void Race(const fs::path& work, int runs) {
  constexpr int kRounds = 20000;
  {
    HandMadeArchive archive(work / "race.vok", false);
    for (int i = 0; i < kRounds; ++i) {
      archive.File("d/victim", "from the archive");
      archive.File("top", "");  // so that every d/victim walks its path again
    }
    archive.End();
  }
  int escapes = 0;
  std::uint64_t swaps = 0;
  for (int run = 0; run < runs; ++run) {
    const fs::path dir = work / ("race-" + std::to_string(run));
    fs::create_directories(dir / "out/d");
    fs::create_directories(dir / "outside");
    vok::testing::WriteFile(dir / "outside/victim", "untouched");
    fs::create_directory_symlink(dir / "outside", dir / "out/link");
    std::atomic<bool> done = false;
    std::thread swapper([&] {
      const std::string folder = dir / "out/d";
      const std::string link = dir / "out/link";
      while (!done) {
        if (renameat2(AT_FDCWD, folder.c_str(), AT_FDCWD, link.c_str(), RENAME_EXCHANGE) == 0) {
          ++swaps;
        }
      }
    });
    Run({TOOL, "-x", work / "race.vok", dir / "out"}, 1);  // refused entries give status 1
    done = true;
    swapper.join();
    std::size_t files = 0;
    TreeBytes(dir / "outside", files);
    if (files != 1 || vok::testing::ReadFile(dir / "outside/victim") != "untouched") ++escapes;
    fs::remove_all(dir);
  }
  fs::remove(work / "race.vok");
  std::printf("race, %d entries d/victim while d is swapped with a link to an outside folder:\n",
              kRounds);
  std::printf("  %d of %d runs wrote outside the destination (%.0f swaps a run)\n", escapes, runs,
              static_cast<double>(swaps) / runs);
}

// The listing of 3,000,000 files (of 0 to 63 bytes, in 100 folders), written to a file on the
// disk as the window has it written. The floor is the I/O alone, measured in the same run:
// reading the archive (`cat ARCHIVE`) plus writing a listing of the same size
// (`cat LISTING > COPY`). Every listing the tool writes must equal, byte for byte, the one the
// benchmark made along with the archive.
void BigListing(const fs::path& work, int runs) {
  constexpr int kFiles = 3'000'000;
  constexpr int kFilesPerFolder = kFiles / 100;
  const std::string content(64, 'x');
  for (const bool temo : {false, true}) {
    const char* const format = temo ? "TEMO" : "VOK";
    const fs::path archive = work / (temo ? "big.temo" : "big.vok");
    const fs::path expected = work / "expected.txt";
    {
      HandMadeArchive out(archive, temo);
      std::ofstream listing(expected, std::ios::binary);
      listing << "Listing of " << archive.string() << " (" << format << " archive)\r\n\r\n";
      state = 88172645463325252ULL;
      std::uint64_t bytes = 0;
      out.Folder("data");
      for (int i = 0; i < kFiles; ++i) {
        const int folder = i / kFilesPerFolder;
        if (i % kFilesPerFolder == 0) out.Folder("data/folder" + std::to_string(folder));
        const std::size_t size = Next() % 64;
        char name[64];
        std::snprintf(name, sizeof name, "data/folder%d/file%d.txt", folder, i);
        out.File(name, std::string_view(content).substr(0, size));
        char line[96];
        std::snprintf(line, sizeof line, " %12zu \\data\\folder%d\\file%d.txt\r\n", size, folder,
                      i);
        listing << line;
        bytes += size;
      }
      out.End();
      listing << ' ' << kFiles << " files, " << bytes << " bytes in archive\r\n";
    }
    std::vector<double> floor, floorCpu, ours, oursCpu;
    long peak = 0;
    for (int run = 0; run < runs; ++run) {
      const fs::path copy = work / ("copy-" + std::to_string(run) + ".txt");
      const fs::path listing = work / ("listing-" + std::to_string(run) + ".txt");
      const Measure read = Run({"cat", archive});
      const Measure write = Run({"cat", expected}, 0, copy);
      const Measure tool = Run({TOOL, "-v", archive}, 0, listing);
      Run({"cmp", "-s", expected, listing});  // fails the benchmark when they differ
      fs::remove(copy);
      fs::remove(listing);
      floor.push_back(read.seconds + write.seconds);
      floorCpu.push_back(read.cpuSeconds + write.cpuSeconds);
      ours.push_back(tool.seconds);
      oursCpu.push_back(tool.cpuSeconds);
      peak = std::max(peak, tool.peakKilobytes);
    }
    const double base = vok::bench::Median(floor);
    const double baseCpu = vok::bench::Median(floorCpu);
    const double time = vok::bench::Median(ours);
    const double cpu = vok::bench::Median(oursCpu);
    std::printf("listing of %d files on the disk, %s archive of %.1f MB, listing of %.1f MB:\n",
                kFiles, format, fs::file_size(archive) / 1e6, fs::file_size(expected) / 1e6);
    std::printf("  floor, cat ARCHIVE; cat LISTING > COPY: %7.3f s, CPU %.3f s\n", base, baseCpu);
    std::printf(
        "  VOKMaker2 -v ARCHIVE > LISTING:         %7.3f s %5.2fx, CPU %.3f s %5.2fx, %.1f MB\n",
        time, time / base, cpu, cpu / baseCpu, peak / 1024.0);
    std::printf("  (median of %d, interleaved; MB: the tool's peak memory)\n", runs);
    fs::remove(archive);
    fs::remove(expected);
  }
}

// A folder on tmpfs, removed at the end.
class ShmDir {
 public:
  ShmDir() : path_(fs::path("/dev/shm") / ("tool_bench-" + std::to_string(::getpid()))) {
    fs::create_directories(path_);
  }
  ~ShmDir() { fs::remove_all(path_); }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace

// With the argument "listing", only the listing of 3,000,000 files.
int main(int argc, char** argv) {
  vok::testing::TempDir disk;
  if (argc > 1 && std::string_view(argv[1]) == "listing") {
    BigListing(disk.path(), 5);
    return 0;
  }
  ShmDir shm;
  std::printf("archive tool against tar on the same data\n");
  const std::pair<const char*, fs::path> places[] = {{"the disk", disk.path()},
                                                     {"tmpfs", shm.path()}};
  for (const auto& [where, root] : places) {
    MakeTree(root / "tree");
    fs::create_directories(root / "work");
    Compare("10,000 small files", where, root / "tree", root / "work", 5, true);
    fs::remove_all(root / "tree");
  }
  for (const auto& [where, root] : places) {
    MakeBigFile(root / "big" / "one.bin", std::uint64_t{1} << 30);
    Compare("one 1 GiB file", where, root / "big", root / "work", 3, false);
    fs::remove_all(root / "big");
  }
  BigListing(disk.path(), 5);
  Race(disk.path(), 20);
  return 0;
}
