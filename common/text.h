#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <type_traits>

namespace vok {

// UTF-8 to UTF-16 and back, for paths in UTF-16 (Windows). The standard library's conversion
// would bring its whole locale machinery into the Windows program. What is not valid becomes
// U+FFFD, as with the system's own conversion.
std::wstring Utf16FromUtf8(std::string_view utf8);
std::string Utf8FromUtf16(std::wstring_view utf16);

// The program's strings are UTF-8; paths keep the platform's own encoding.
template <typename Path = std::filesystem::path>
Path PathFromUtf8(std::string_view utf8) {
  if constexpr (std::is_same_v<typename Path::value_type, wchar_t>) {
    return Path(Utf16FromUtf8(utf8));
  } else {
    return Path(std::string(utf8));
  }
}

template <typename Path>
std::string Utf8(const Path& path) {
  if constexpr (std::is_same_v<typename Path::value_type, wchar_t>) {
    return Utf8FromUtf16(path.native());
  } else {
    return path.native();
  }
}

}  // namespace vok
