// The listing reader fed in pieces must read exactly what it reads from the whole text at once.
// Input: the listing text, then up to seven piece lengths (one byte each, 0 for an empty piece),
// then the number of piece lengths (the last byte, modulo 8). The pieces take the lengths in turn.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "operations/listing.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

bool SameLines(const vok::ListLines& a, const vok::ListLines& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i]) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider input(data, size);
  std::vector<std::size_t> lengths(input.ConsumeIntegralInRange<std::size_t>(0, 7));
  for (std::size_t& length : lengths) length = input.ConsumeIntegral<std::uint8_t>();
  const std::string text = input.ConsumeRemainingBytesAsString();
  if (std::all_of(lengths.begin(), lengths.end(), [](std::size_t n) { return n == 0; })) {
    lengths.assign(1, text.size());
  }

  vok::ListingReader reader;
  bool ended = false;
  for (std::size_t pos = 0, turn = 0; pos < text.size(); ++turn) {
    const std::string_view piece =
        std::string_view(text).substr(pos, lengths[turn % lengths.size()]);
    const bool more = reader.Feed(piece);
    Require(!(more && ended));  // once ended, a listing stays ended
    ended = !more;
    pos += piece.size();
  }
  const vok::Listing pieces = reader.Finish();
  const vok::Listing whole = vok::ReadListing(text);

  Require(SameLines(pieces.lines, whole.lines));
  Require(pieces.last.name == whole.last.name);
  Require(pieces.last.size == whole.last.size);
  Require(pieces.problem.has_value() == whole.problem.has_value());
  if (pieces.problem) {
    Require(pieces.problem->lineNumber == whole.problem->lineNumber);
    Require(pieces.problem->line == whole.problem->line);
    Require(pieces.problem->reason == whole.problem->reason);
  }
  return 0;
}
