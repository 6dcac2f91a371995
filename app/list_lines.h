#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vok {

// The lines of a list box, kept in one buffer so that a million of them cost little more than
// their text.
class ListLines {
 public:
  void push_back(std::string_view line) {
    chars_.append(line);
    ends_.push_back(chars_.size());
  }
  void reserve(std::size_t lines, std::size_t chars) {
    ends_.reserve(lines);
    chars_.reserve(chars);
  }
  [[nodiscard]] std::size_t size() const { return ends_.size(); }
  [[nodiscard]] bool empty() const { return ends_.empty(); }
  [[nodiscard]] std::string_view operator[](std::size_t i) const {
    const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
    return std::string_view(chars_).substr(begin, ends_[i] - begin);
  }
  [[nodiscard]] std::size_t memory_bytes() const {
    return chars_.capacity() + ends_.capacity() * sizeof(std::size_t);
  }

 private:
  std::string chars_;
  std::vector<std::size_t> ends_;
};

}  // namespace vok
