#include <sys/mman.h>

#include <cstdint>
#include <new>

#include "common/memory.h"

// Under AddressSanitizer the blocks come from the allocator it watches, so that a write past a
// block's end is still caught.
#if defined(__SANITIZE_ADDRESS__)
#define VOK_WATCHED_BLOCKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VOK_WATCHED_BLOCKS 1
#endif
#endif

namespace vok::memory {

Block TakeBlock(std::size_t bytes) {
#ifdef VOK_WATCHED_BLOCKS
  return Block(new char[bytes], BlockFree{bytes});
#else
  if (bytes < kBlockBytes) return Block(new char[bytes], BlockFree{bytes});
  bytes = (bytes + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  // One block more than asked for, so that an aligned run of `bytes` lies within; the rest on
  // either side goes back.
  const std::size_t mapped = bytes + kBlockBytes;
  void* const map =
      mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (map == MAP_FAILED) throw std::bad_alloc();
  const auto start = reinterpret_cast<std::uintptr_t>(map);
  const std::uintptr_t aligned = (start + kBlockBytes - 1) / kBlockBytes * kBlockBytes;
  if (aligned > start) munmap(map, aligned - start);
  if (const std::uintptr_t tail = start + mapped - (aligned + bytes); tail > 0) {
    munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  }
  char* const block = reinterpret_cast<char*>(aligned);
#ifdef MADV_HUGEPAGE
  madvise(block, bytes, MADV_HUGEPAGE);  // only advice: without large pages it works the same
#endif
  return Block(block, BlockFree{bytes});
#endif
}

void BlockFree::operator()(char* block) const noexcept {
#ifdef VOK_WATCHED_BLOCKS
  delete[] block;
#else
  if (bytes < kBlockBytes) {
    delete[] block;
  } else {
    munmap(block, bytes);
  }
#endif
}

}  // namespace vok::memory
