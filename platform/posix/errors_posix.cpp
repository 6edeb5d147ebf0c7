#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace platform {

void RaiseLastOSError(const std::string& action, const std::string& path) {
  int code = errno;
  // A failure the system gave no code for must not read "Success".
  throw EInOutError(action + " " + path + ": " + (code ? std::strerror(code) : "erro desconhecido"),
                    code);
}

void RaiseIOError(const std::string& action, const std::string& path, const std::string& reason) {
  throw EInOutError(action + " " + path + ": " + reason, 0);
}

}  // namespace platform
