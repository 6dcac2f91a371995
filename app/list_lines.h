#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

#include "common/memory.h"

namespace vok {

// The lines of a list box, packed into large blocks: a million lines cost little more than their
// text plus eight bytes each, and adding lines never moves the ones already there, nor the index
// of where they are, which grows in blocks of its own. The blocks come straight from the system
// (common/memory.h), so that filling them costs few page faults.
class ListLines {
 public:
  // Adds one line made of `parts`, one after the other.
  void push_back(std::initializer_list<std::string_view> parts) {
    std::size_t length = 0;
    for (const std::string_view part : parts) length += part.size();
    char* out = Add(length);
    for (const std::string_view part : parts) out = CopyOf(part, out);
  }
  void push_back(std::string_view line) { CopyOf(line, Add(line.size())); }
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
  // Copies `text` to `out` and gives where it ends. A list's parts are short: up to 16
  // characters go in two moves of fixed size, which overlap, without a call.
  static char* CopyOf(std::string_view text, char* out) {
    const char* const in = text.data();
    const std::size_t n = text.size();
    if (n >= 8 && n <= 16) {
      std::memcpy(out, in, 8);
      std::memcpy(out + n - 8, in + n - 8, 8);
    } else if (n >= 4 && n < 8) {
      std::memcpy(out, in, 4);
      std::memcpy(out + n - 4, in + n - 4, 4);
    } else if (n < 4) {
      for (std::size_t i = 0; i < n; ++i) out[i] = in[i];
    } else {
      std::memcpy(out, in, n);
    }
    return out + n;
  }
  struct Block {
    memory::Block text;
    std::size_t used = 0;
  };
  struct Entry {
    std::uint32_t block;
    std::uint32_t offset;
  };
  static constexpr std::size_t kChunkEntries = memory::kBlockBytes / sizeof(Entry);
  [[nodiscard]] Entry At(std::size_t i) const {
    return ChunkEntries(chunks_[i / kChunkEntries])[i % kChunkEntries];
  }
  static Entry* ChunkEntries(const memory::Block& chunk) {
    return std::launder(reinterpret_cast<Entry*>(chunk.get()));
  }
  // Records a line of `length` characters and gives where its text goes.
  char* Add(std::size_t length) {
    if (blocks_.empty() || room_ < length) {
      // Blocks grow fourfold from kFirstBytes, so that a short list stays small.
      const std::size_t grown = std::min(memory::kBlockBytes, kFirstBytes << 2 * blocks_.size());
      blocks_.push_back({memory::TakeBlock(std::max(grown, length))});
      room_ = blocks_.back().text.get_deleter().bytes;
    }
    Block& block = blocks_.back();
    if (size_ == indexRoom_) GrowIndex();
    ChunkEntries(chunks_.back())[size_ % kChunkEntries] = {
        static_cast<std::uint32_t>(blocks_.size() - 1), static_cast<std::uint32_t>(block.used)};
    ++size_;
    char* const text = block.text.get() + block.used;
    block.used += length;
    room_ -= length;
    return text;
  }
  // The first chunk of the index grows fourfold from kFirstBytes, copied each time, until it is a
  // whole block; each chunk after it is one from the start.
  void GrowIndex() {
    const std::size_t entries =
        chunks_.empty() ? kFirstBytes / sizeof(Entry)
                        : (indexRoom_ < kChunkEntries ? std::min(4 * indexRoom_, kChunkEntries)
                                                      : kChunkEntries);
    memory::Block chunk = memory::TakeBlock(entries * sizeof(Entry));
    std::uninitialized_default_construct_n(reinterpret_cast<Entry*>(chunk.get()), entries);
    if (!chunks_.empty() && indexRoom_ < kChunkEntries) {
      std::copy_n(ChunkEntries(chunks_[0]), indexRoom_, ChunkEntries(chunk));
      chunks_[0] = std::move(chunk);
      indexRoom_ = entries;
    } else {
      chunks_.push_back(std::move(chunk));
      indexRoom_ += entries;
    }
  }
  static constexpr std::size_t kFirstBytes = std::size_t{64} << 10;

  std::vector<Block> blocks_;
  std::size_t room_ = 0;  // what the last block has left
  std::vector<memory::Block> chunks_;
  std::size_t indexRoom_ = 0;  // the entries the chunks have room for
  std::size_t size_ = 0;
};

}  // namespace vok
