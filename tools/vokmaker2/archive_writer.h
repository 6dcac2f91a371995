#pragma once

#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "tools/vokmaker2/block_codec.h"
#include "tools/vokmaker2/byte_stream.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {

// Writes an archive record by record to a sink. Names are written as given: the caller
// checks them (NameProblem). Throws ToolError when the sink fails or a file's data ends
// before its announced size.
class ArchiveWriter {
 public:
  ArchiveWriter(ByteSink& out, Format format);

  void AddFolder(std::string_view name);
  // Copies exactly `size` bytes from `data`; `copied` is told how many, now and then.
  void AddFile(std::string_view name, std::uint64_t size, ByteSource& data,
               const std::function<void(std::uint64_t copied)>& copied = {});
  // Writes the end record. The archive is complete only after this.
  void Finish();

 private:
  void WriteHead(EntryType type, std::string_view name, std::uint64_t size);
  void Write(const char* bytes, std::size_t n);
  std::size_t ReadChunk(ByteSource& data, std::string_view name, std::uint64_t left,
                        std::size_t most);

  ByteSink& out_;
  Format format_;
  std::uint64_t entries_ = 0;
  std::vector<char> raw_;
  std::vector<char> packed_;
  BlockCompressor compressor_;
};

}  // namespace vokmaker
