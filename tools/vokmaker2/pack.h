#pragma once

#include <cstdint>
#include <filesystem>

#include "tools/vokmaker2/console.h"
#include "tools/vokmaker2/format.h"

namespace vokmaker {

struct PackSummary {
  std::uint64_t files = 0;
  std::uint64_t folders = 0;
  std::uint64_t bytes = 0;
  std::uint64_t skipped = 0;  // links, special files and names an archive cannot hold
};

// Packs the folder `source`, recursively and with names relative to it, into `archive`. The
// archive is written under a temporary name beside it and put in place only when complete;
// on failure (ToolError) an earlier archive of that name is untouched and nothing is left
// behind. Symbolic links, special files and unstorable names are skipped with a warning.
PackSummary Pack(const std::filesystem::path& source, const std::filesystem::path& archive,
                 Format format, Reporter& reporter);

}  // namespace vokmaker
