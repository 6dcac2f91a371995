// The program's listing reader on a listing of 3,000,000 files as the archive tool writes it,
// against `cat` of the same file in the same run (interleaved, medians of 5). The reader takes
// the file in pieces of 64 KiB, as the View does. Every run must give every entry. A second
// baseline is the reader's store alone: the same list lines pushed into a fresh ListLines.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "bench_support.h"
#include "core/temp_dir.h"
#include "operations/listing.h"

namespace {

constexpr int kFiles = 3'000'000;

void WriteListing(const std::filesystem::path& path) {
  std::ofstream out(path, std::ios::binary);
  out << "Listing of /data/big.vok (VOK archive)\r\n\r\n";
  std::uint64_t bytes = 0;
  for (int i = 0; i < kFiles; ++i) {
    const long long size = i * 7919LL % 100000;
    char line[96];
    std::snprintf(line, sizeof line, " %12lld \\data\\folder%d\\file%d.txt\r\n", size, i / 30000,
                  i);
    out << line;
    bytes += static_cast<std::uint64_t>(size);
  }
  out << ' ' << kFiles << " files, " << bytes << " bytes in archive\r\n";
}

vok::Listing ReadListingFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  vok::ListingReader reader;
  std::vector<char> buffer(std::size_t{64} << 10);
  while (file.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) ||
         file.gcount() > 0) {
    if (!reader.Feed(std::string_view(buffer.data(), static_cast<std::size_t>(file.gcount())))) {
      break;
    }
  }
  return reader.Finish();
}

}  // namespace

int main() {
  constexpr int kRuns = 5;
  vok::testing::TempDir dir;
  const auto listing = dir.path() / "listing.txt";
  WriteListing(listing);

  std::vector<double> cat, reader, store;
  for (int run = 0; run < kRuns; ++run) {
    cat.push_back(vok::bench::Run({"cat", listing}).seconds);
    const long long start = vok::bench::MonotonicNanoseconds();
    const vok::Listing read = ReadListingFile(listing);
    reader.push_back(static_cast<double>(vok::bench::MonotonicNanoseconds() - start) / 1e9);
    const int last = kFiles - 1;
    if (read.lines.size() != kFiles || read.problem ||
        read.last.name != "file" + std::to_string(last) + ".txt" ||
        read.last.size != last * 7919LL % 100000) {
      std::fprintf(stderr, "the reader did not give every entry\n");
      return 1;
    }
    const long long storeStart = vok::bench::MonotonicNanoseconds();
    vok::ListLines lines;
    for (std::size_t i = 0; i < read.lines.size(); ++i) lines.push_back(read.lines[i]);
    store.push_back(static_cast<double>(vok::bench::MonotonicNanoseconds() - storeStart) / 1e9);
  }
  const double base = vok::bench::Median(cat);
  const double ours = vok::bench::Median(reader);
  std::printf("listing reader: %d entries, %.1f MB\n", kFiles,
              static_cast<double>(std::filesystem::file_size(listing)) / 1e6);
  std::printf("  cat LISTING (baseline):     %.3f s\n", base);
  std::printf("  ListingReader, 64 KiB reads: %.3f s  %.2fx\n", ours, ours / base);
  const double stored = vok::bench::Median(store);
  std::printf("  of which at least its store: %.3f s  %.2fx (the lines pushed into ListLines)\n",
              stored, stored / base);
  std::printf("  (median of %d, interleaved)\n", kRuns);
  return 0;
}
