#include <random>
#include <string>

#include "tools/vokmaker2/file_system.h"

namespace vokmaker {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kPrefix = ".vok-";
constexpr std::string_view kSuffix = ".part";
constexpr std::size_t kRandomDigits = 16;
constexpr char kHex[] = "0123456789abcdef";

}  // namespace

std::filesystem::path RandomTemporaryName() {
  static std::mt19937_64 engine{std::random_device{}()};
  std::uint64_t value = engine();
  std::string name(kPrefix);
  for (std::size_t i = 0; i < kRandomDigits; ++i, value >>= 4) name += kHex[value & 0xF];
  name += kSuffix;
  return name;
}

bool IsTemporaryName(const std::filesystem::path& name) {
  const auto& text = name.native();
  if (text.size() != kPrefix.size() + kRandomDigits + kSuffix.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const fs::path::value_type c = text[i];
    if (i < kPrefix.size()) {
      if (c != static_cast<fs::path::value_type>(kPrefix[i])) return false;
    } else if (i < kPrefix.size() + kRandomDigits) {
      if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    } else if (c !=
               static_cast<fs::path::value_type>(kSuffix[i - kPrefix.size() - kRandomDigits])) {
      return false;
    }
  }
  return true;
}

}  // namespace vokmaker
