#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vok {

// The lines of a list box, packed into large blocks: a million lines cost little more than their
// text plus eight bytes each, and adding lines never moves the ones already there.
class ListLines {
 public:
  void push_back(std::string_view line) {
    if (blocks_.empty() || blocks_.back().capacity() - blocks_.back().size() < line.size()) {
      blocks_.emplace_back().reserve(std::max(kBlockBytes, line.size()));
    }
    std::string& block = blocks_.back();
    index_.push_back(
        {static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(block.size())});
    block.append(line);
  }
  [[nodiscard]] std::size_t size() const { return index_.size(); }
  [[nodiscard]] bool empty() const { return index_.empty(); }
  [[nodiscard]] std::string_view operator[](std::size_t i) const {
    const Entry entry = index_[i];
    const std::string& block = blocks_[entry.block];
    const bool nextInSameBlock = i + 1 < index_.size() && index_[i + 1].block == entry.block;
    const std::size_t end = nextInSameBlock ? index_[i + 1].offset : block.size();
    return std::string_view(block).substr(entry.offset, end - entry.offset);
  }

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
  struct Entry {
    std::uint32_t block;
    std::uint32_t offset;
  };
  std::vector<std::string> blocks_;
  std::vector<Entry> index_;
};

}  // namespace vok
