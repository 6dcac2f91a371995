#pragma once

// Where the tool's bytes come from and go to: files, the console, and in tests memory. The
// tool does its own buffering where it pays (the archive reader, the archive being written,
// the console's lines), so these are thin.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vokmaker {

class ByteSource {
 public:
  // What Read gives when the bytes could not be read (an I/O error), as opposed to their end.
  static constexpr std::size_t kReadFailed = static_cast<std::size_t>(-1);

  virtual ~ByteSource() = default;

  // Fills `out`, or gives fewer bytes only because the data end there; kReadFailed when
  // reading fails.
  virtual std::size_t Read(std::span<char> out) = 0;

  // The number of bytes from here to the end, for a source that can seek (a file); nullopt
  // for one that cannot (a pipe), which is then only ever read.
  virtual std::optional<std::uint64_t> Remaining() { return std::nullopt; }

  // Moves `n` bytes ahead without reading them, on a source that can seek. False when that
  // failed; the position is then unchanged.
  virtual bool Skip(std::uint64_t /*n*/) { return false; }
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;

  // False when the bytes could not be written (a full disk, mostly).
  virtual bool Write(std::span<const char> data) = 0;

  // Hands on what the sink still holds; false when that could not be written.
  virtual bool Flush() { return true; }
};

}  // namespace vokmaker
