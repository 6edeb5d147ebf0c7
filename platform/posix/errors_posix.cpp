#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace platform {

void RaiseLastOSError(const std::string& action, const std::string& path) {
  int code = errno;
  throw EInOutError(action + " " + path + ": " + std::strerror(code), code);
}

void RaiseIOError(const std::string& action, const std::string& path, const std::string& reason) {
  throw EInOutError(action + " " + path + ": " + reason, 0);
}

}  // namespace platform
