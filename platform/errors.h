// Exceptions the platform layer raises for the engines above it.
//
// EInOutError is a failed file operation: its message names the operation and the path, and
// carries the system's own reason when there is one. EAbort is the silent stop: a run raises it
// to unwind to its caller, which swallows it without showing anything.
#pragma once

#include <string>

#include "platform/exception.h"

class EInOutError : public Exception {
 public:
  EInOutError(const std::string& message, int code) : Exception(message), ErrorCode(code) {}
  int ErrorCode;  // errno or GetLastError(); 0 when the failure was not the system's (a short read)
};

class EAbort : public Exception {
 public:
  EAbort() : Exception("Opera\xE7\xE3o cancelada") {}
};

namespace platform {

// Raises EInOutError "<action> <path>: <system reason>" for the system error of the call that
// just failed. Call it right after the failing call, before anything can change the error.
[[noreturn]] void RaiseLastOSError(const std::string& action, const std::string& path);

// Raises EInOutError "<action> <path>: <reason>" for a failure the system did not report.
[[noreturn]] void RaiseIOError(const std::string& action, const std::string& path,
                               const std::string& reason);

}  // namespace platform
