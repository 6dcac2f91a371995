#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vok {

// The program's strings are UTF-8; paths keep the platform's own encoding.
inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace vok
