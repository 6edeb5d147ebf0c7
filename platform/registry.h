// The Windows registry, as the install engine sees it: keys below a predefined root, opened
// with full access with or without being created, string values read, and string, 32-bit
// integer and binary values written.
//
// One Registry is current for the process: the host's (the real registry on Windows, an
// in-memory one elsewhere) until SetRegistry installs another, as tests do.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/exception.h"
#include "platform/service.h"

namespace platform {

// The predefined root keys, with the values of their Windows handles.
enum class RootKey : std::uint32_t {
  ClassesRoot = 0x80000000u,
  CurrentUser = 0x80000001u,
  LocalMachine = 0x80000002u,
  Users = 0x80000003u,
};

// Value types, numbered as the registry numbers them.
enum RegType : std::uint32_t {
  RegNone = 0,
  RegSz = 1,
  RegExpandSz = 2,
  RegBinary = 3,
  RegDword = 4,
};

// A value as stored: its type and its bytes (for a string, the characters and the final NUL).
struct RegistryValue {
  std::uint32_t Type = RegNone;
  std::string Data;
  bool operator==(const RegistryValue&) const = default;
};

// Raised when a key cannot be opened or created for a write, or a value cannot be set.
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

// An open key; closed when destroyed.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;

  // The value named name, or nothing when there is none. The empty name is the key's default
  // value. Names match without regard to case.
  virtual std::optional<RegistryValue> ReadValue(const std::string& name) = 0;
  // Stores a value; raises ERegistryException when the registry refuses it.
  virtual void WriteValue(const std::string& name, std::uint32_t type, const void* data,
                          std::size_t size) = 0;

  // A string value as a program reads a path: absent or empty gives "", a string or expandable
  // string is taken up to its first NUL without expanding anything, and a value of any other
  // type gives nothing, so the caller can keep what it had.
  std::optional<std::string> ReadString(const std::string& name);
  // REG_SZ: the characters and one NUL.
  void WriteString(const std::string& name, const std::string& value);
  // REG_DWORD: the four bytes of value, least significant first.
  void WriteInteger(const std::string& name, std::int32_t value);
  // REG_BINARY: size bytes as given.
  void WriteBinary(const std::string& name, const void* data, std::size_t size);
};

class Registry {
 public:
  virtual ~Registry() = default;
  // Opens path (backslash-separated; leading and trailing backslashes are ignored) below root
  // with full access. With create, a missing key and its missing parents are created first.
  // Returns nothing when the key cannot be opened (or created).
  virtual std::unique_ptr<RegistryKey> OpenKey(RootKey root, const std::string& path,
                                               bool create) = 0;
};

// The current registry; the host's until SetRegistry installs another.
Registry& CurrentRegistry();
// Makes registry current (nullptr: the host's) until the guard goes. The caller keeps ownership.
ServiceGuard<Registry*> SetRegistry(Registry* registry);

}  // namespace platform
