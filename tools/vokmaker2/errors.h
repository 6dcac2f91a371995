#pragma once

#include <stdexcept>
#include <string>

namespace vokmaker {

// A failure that ends the command: the message is the one line the user sees, naming the
// file and the step.
class ToolError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The archive's bytes do not follow its format.
class DamagedArchive : public ToolError {
 public:
  using ToolError::ToolError;
};

}  // namespace vokmaker
