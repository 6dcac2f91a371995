#include "runner/own_files.h"

namespace vok {

FileBuffer::int_type FileBuffer::underflow() {
  if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
  const std::size_t got = ReadSome(buffer_.data(), buffer_.size());
  if (got == 0) return traits_type::eof();
  setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
  return traits_type::to_int_type(*gptr());
}

std::string WhyNotPut(const std::error_code& error) {
  if (error == std::errc::is_a_directory) {
    return "a folder of that name is in the way; move or rename it";
  }
  if (error == std::errc::too_many_symbolic_link_levels) {
    return "a link of that name is in the way; remove it";
  }
  std::string reason = error.message();
  while (!reason.empty() && (reason.back() == '.' || reason.back() == '\n' ||
                             reason.back() == '\r' || reason.back() == ' ')) {
    reason.pop_back();
  }
  return reason;
}

}  // namespace vok
