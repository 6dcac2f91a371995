#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vok {

// The lines of a list box, packed into large blocks: a million lines cost little more than their
// text plus eight bytes each, and adding lines never moves the ones already there, nor the index
// of where they are, which grows in chunks of its own.
class ListLines {
 public:
  // Adds one line made of `parts`, one after the other.
  void push_back(std::initializer_list<std::string_view> parts) {
    std::size_t length = 0;
    for (const std::string_view part : parts) length += part.size();
    char* out = Add(length);
    for (const std::string_view part : parts) out = std::copy(part.begin(), part.end(), out);
  }
  void push_back(std::string_view line) { std::copy(line.begin(), line.end(), Add(line.size())); }
  [[nodiscard]] std::size_t size() const { return size_; }
  [[nodiscard]] bool empty() const { return size_ == 0; }
  [[nodiscard]] std::string_view operator[](std::size_t i) const {
    const Entry entry = At(i);
    const Block& block = blocks_[entry.block];
    std::size_t end = block.used;
    if (i + 1 < size_) {
      const Entry next = At(i + 1);
      if (next.block == entry.block) end = next.offset;
    }
    return std::string_view(block.text.get() + entry.offset, end - entry.offset);
  }

 private:
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;
  static constexpr std::size_t kChunkEntries = std::size_t{1} << 16;
  struct Block {
    std::unique_ptr<char[]> text;
    std::size_t used = 0;
  };
  struct Entry {
    std::uint32_t block;
    std::uint32_t offset;
  };
  [[nodiscard]] Entry At(std::size_t i) const {
    return chunks_[i / kChunkEntries][i % kChunkEntries];
  }
  // Records a line of `length` characters and gives where its text goes.
  char* Add(std::size_t length) {
    if (blocks_.empty() || room_ < length) {
      room_ = std::max(kBlockBytes, length);
      blocks_.push_back({std::make_unique_for_overwrite<char[]>(room_)});
    }
    Block& block = blocks_.back();
    if (size_ % kChunkEntries == 0)
      chunks_.push_back(std::make_unique_for_overwrite<Entry[]>(kChunkEntries));
    chunks_.back()[size_ % kChunkEntries] = {static_cast<std::uint32_t>(blocks_.size() - 1),
                                             static_cast<std::uint32_t>(block.used)};
    ++size_;
    char* const text = block.text.get() + block.used;
    block.used += length;
    room_ -= length;
    return text;
  }

  std::vector<Block> blocks_;
  std::size_t room_ = 0;  // what the last block has left
  std::vector<std::unique_ptr<Entry[]>> chunks_;
  std::size_t size_ = 0;
};

}  // namespace vok
