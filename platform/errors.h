// Exceptions the platform layer raises for the engines above it.
//
// EInOutError is a failed file operation: its message names the operation and the path, and
// carries the system's own reason when there is one; the same is told by its fields, for a
// program that words it otherwise. EAbort is the silent stop: a run raises it to unwind to its
// caller, which swallows it without showing anything.
#pragma once

#include <cstdint>
#include <string>

#include "platform/exception.h"

namespace platform {

// What was being done to the file.
enum class IoAction : std::uint8_t { Open, Create, Read, Write, Seek, Close, Rename };
// Why it failed: the system said so (ErrorCode), or a read or write fell short.
enum class IoFault : std::uint8_t {
  System,
  EndOfFile,   // the file ended before the bytes expected
  DiskFull,    // a write took fewer bytes than given
  NoTempName,  // no unused temporary name could be found
};

}  // namespace platform

class EInOutError : public Exception {
 public:
  EInOutError(const std::string& message, int code, platform::IoAction action, std::string path,
              platform::IoFault fault)
      : Exception(message), ErrorCode(code), Action(action), Path(std::move(path)), Fault(fault) {}
  // errno or GetLastError(); 0 when the system reported nothing (a read that fell short). A
  // write that fell short keeps the code of the call that failed, when there was one.
  int ErrorCode;
  platform::IoAction Action;
  std::string Path;
  platform::IoFault Fault;
};

class EAbort : public Exception {
 public:
  EAbort() : Exception("Opera\xE7\xE3o cancelada") {}
};

namespace platform {

// Raises EInOutError "<action> <path>: <system reason>" for the system error of the call that
// just failed ("Erro abrindo C:\X.PCK: ..."). Call it right after the failing call, before
// anything can change the error.
[[noreturn]] void RaiseLastOSError(IoAction action, const std::string& path);

// Raises EInOutError "<action> <path>: <reason>" for a failure the system did not report
// ("fim do arquivo", "disco cheio", "sem nome temporário"). A DiskFull one keeps the code of
// the system's last error: the write that fell short may have been stopped by a size limit.
[[noreturn]] void RaiseIOError(IoAction action, const std::string& path, IoFault fault);

// The code of the system's last error (errno, GetLastError()).
int LastErrorCode();
// The system's own text for an error code, in the user's language where the system has one.
std::string SystemMessage(int code);
// Whether the code says a file may not grow so large (a size limit set for the process or by
// the file system), or that the disk has no room left.
bool IsSizeLimit(int code);
bool IsDiskFull(int code);

}  // namespace platform
