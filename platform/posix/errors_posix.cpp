#include <cerrno>
#include <cstring>

#include "platform/errors.h"

namespace platform {

int LastErrorCode() { return errno; }

std::string SystemMessage(int code) { return std::strerror(code); }

bool IsSizeLimit(int code) { return code == EFBIG; }

bool IsDiskFull(int code) { return code == ENOSPC || code == EDQUOT; }

}  // namespace platform
