// The root of every exception the system raises: a message text and nothing else.
// Messages are Windows-1252 byte strings, exactly as the user is shown them.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
 public:
  explicit Exception(const std::string& message) : std::runtime_error(message) {}
  std::string Message() const { return what(); }
};
