// Failures the tool reports to the user and then stops on.
#pragma once

#include <stdexcept>
#include <string>

namespace orlin::tool {

// A problem with the input files or the system: exit status 1.
class ToolError : public std::runtime_error {
 public:
  explicit ToolError(const std::string& message) : std::runtime_error(message) {}
};

// A problem with the command line itself: exit status 2.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;

}  // namespace orlin::tool
