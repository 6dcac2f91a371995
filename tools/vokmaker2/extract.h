#pragma once

#include <cstdint>
#include <filesystem>

#include "tools/vokmaker2/console.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {

struct ExtractSummary {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
  std::uint64_t refused = 0;  // entries not written because of their name or their path
};

// Extracts every entry of the archive read from `in` under `destination`, which is created
// when missing. Never writes outside it, even while someone swaps folders below it, and never
// follows a symbolic link below it: entries whose name is unsafe or too long for the file
// system, or whose path meets a link or a non-folder, are refused with a warning and the rest
// goes on. Each file gets its name only when complete and checked. Throws DamagedArchive or
// ToolError when it cannot go on; the file in progress is then removed, earlier ones stay.
ExtractSummary Extract(ByteSource& in, Format format, const std::filesystem::path& destination,
                       Reporter& reporter);

}  // namespace vokmaker
