#include <windows.h>

#include <new>

#include "common/memory.h"

namespace vok::memory {

// Large pages on Windows need a privilege an ordinary user lacks; the blocks are committed
// memory all the same, whose pages the system gives zeroed as they are first touched.
Block TakeBlock(std::size_t bytes) {
  if (bytes < kBlockBytes) return Block(new char[bytes], BlockFree{bytes});
  bytes = (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  void* const block = VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) throw std::bad_alloc();
  return Block(static_cast<char*>(block), BlockFree{bytes});
}

void BlockFree::operator()(char* block) const noexcept {
  if (bytes < kBlockBytes) {
    delete[] block;
  } else {
    VirtualFree(block, 0, MEM_RELEASE);
  }
}

}  // namespace vok::memory
