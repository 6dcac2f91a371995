#pragma once

#include <filesystem>
#include <span>

#include "tools/vokmaker2/byte_stream.h"

namespace vokmaker {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

// The whole tool behind main(): parses the arguments (without the program name), runs the
// command, writes progress and listings to `out` and messages to `err`, and gives the exit
// status. Paths come in as paths so that the caller can hand over the platform's own
// (on Windows wide) command line without passing through a code page.
int Run(std::span<const std::filesystem::path> args, ByteSink& out, ByteSink& err);

}  // namespace vokmaker
