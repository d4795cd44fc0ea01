#pragma once
// The one error type of the tool: a message text, nothing more.
#include <stdexcept>
#include <string>

class OvexError : public std::runtime_error {
 public:
  explicit OvexError(const std::string& message) : std::runtime_error(message) {}
};
