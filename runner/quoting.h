#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "runner/workspace.h"

namespace vok {

// A name that cannot be written into a one-line script as a single argument.
class UnsafeNameError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// `text` quoted so that the script's shell passes it to the program as exactly one argument,
// equal to `text`, and runs nothing else. Throws UnsafeNameError for text that cannot be carried
// (a line break, which would end the script's one line).
std::string QuoteArgument(std::string_view text, ScriptDialect dialect);

}  // namespace vok
