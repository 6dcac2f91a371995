#pragma once
// Memory for the large tables the program fills once and then reads, such as the list's lines:
// taken from the system in blocks of kBlockBytes, each aligned to its size. Where the system
// backs such a block with one large page (Linux's transparent huge pages), filling it costs one
// page fault instead of 512, which on a virtual machine is most of the time a listing of
// millions of entries takes to store. memory_posix.cpp and memory_win.cpp implement it.
#include <cstddef>
#include <memory>

namespace vok::memory {

inline constexpr std::size_t kBlockBytes = std::size_t{2} << 20;

struct BlockFree {
  std::size_t bytes = 0;
  void operator()(char* block) const noexcept;
};
using Block = std::unique_ptr<char[], BlockFree>;

// At least `bytes`, its contents not set: less than a block comes from the heap, more is
// rounded up to whole blocks. Throws std::bad_alloc when the system has no memory to give.
Block TakeBlock(std::size_t bytes = kBlockBytes);

}  // namespace vok::memory
