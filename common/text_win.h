#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace vok {

// The core's strings are UTF-8; the Windows API's are UTF-16.
inline std::wstring Wide(std::string_view utf8, UINT codePage = CP_UTF8) {
  if (utf8.empty()) return {};
  const int size = static_cast<int>(utf8.size());
  const int length = MultiByteToWideChar(codePage, 0, utf8.data(), size, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, utf8.data(), size, wide.data(), length);
  return wide;
}

// A number in decimal. std::to_wstring would bring the C library's whole wide printf.
inline std::wstring WideNumber(unsigned long long n) {
  const std::string digits = std::to_string(n);
  return std::wstring(digits.begin(), digits.end());
}

inline std::string Narrow(std::wstring_view wide) {
  if (wide.empty()) return {};
  const int size = static_cast<int>(wide.size());
  const int length =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), length, nullptr, nullptr);
  return utf8;
}

// Text a console program wrote: UTF-8 where it is valid UTF-8, otherwise the OEM code page in
// which console programs write by default.
inline std::string Utf8FromConsole(std::string_view bytes) {
  const bool validUtf8 =
      bytes.empty() || MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                           static_cast<int>(bytes.size()), nullptr, 0) > 0;
  return validUtf8 ? std::string(bytes) : Narrow(Wide(bytes, GetOEMCP()));
}

}  // namespace vok
