#pragma once

#include <cstdint>
#include <span>

namespace vokmaker {

// CRC-32 as used by zip and PNG (reflected polynomial 0xEDB88320, start value and final XOR
// 0xFFFFFFFF). Pass the previous result to continue over more data; start with 0.
std::uint32_t Crc32(std::span<const char> data, std::uint32_t previous = 0);

}  // namespace vokmaker
