// The real registry through the ANSI registry API.
#include <windows.h>

#include <vector>

#include "platform/registry.h"

namespace platform {
namespace {

HKEY ToHandle(RootKey root) {
  // Predefined handles are 32-bit constants sign-extended to the pointer size.
  return reinterpret_cast<HKEY>(
      static_cast<ULONG_PTR>(static_cast<LONG_PTR>(static_cast<LONG>(root))));
}

// The API takes paths relative to the root: no separator at either end.
std::string RelativePath(const std::string& path) {
  std::size_t first = path.find_first_not_of('\\');
  if (first == std::string::npos) return "";
  return path.substr(first, path.find_last_not_of('\\') - first + 1);
}

class Win32Key final : public RegistryKey {
 public:
  explicit Win32Key(HKEY key) : key_(key) {}
  ~Win32Key() override { RegCloseKey(key_); }
  Win32Key(const Win32Key&) = delete;
  Win32Key& operator=(const Win32Key&) = delete;

  std::optional<RegistryValue> ReadValue(const std::string& name) override {
    // The value may grow between asking its size and reading it; ask again then.
    for (;;) {
      DWORD type = 0, size = 0;
      LONG rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type, nullptr, &size);
      if (rc != ERROR_SUCCESS) return std::nullopt;
      std::vector<BYTE> data(size);
      rc = RegQueryValueExA(key_, name.c_str(), nullptr, &type, data.data(), &size);
      if (rc == ERROR_MORE_DATA) continue;
      if (rc != ERROR_SUCCESS) return std::nullopt;
      return RegistryValue{type, std::string(reinterpret_cast<const char*>(data.data()), size)};
    }
  }

  void WriteValue(const std::string& name, std::uint32_t type, const void* data,
                  std::size_t size) override {
    LONG rc = ERROR_INVALID_PARAMETER;
    if (size <= MAXDWORD)
      rc = RegSetValueExA(key_, name.c_str(), 0, type, static_cast<const BYTE*>(data),
                          static_cast<DWORD>(size));
    if (rc != ERROR_SUCCESS) throw ERegistryException("Failed to set data for '" + name + "'");
  }

 private:
  HKEY key_;
};

class Win32Registry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RootKey root, const std::string& path,
                                       bool create) override {
    const std::string relative = RelativePath(path);
    HKEY key = nullptr;
    LONG rc = create
                  ? RegCreateKeyExA(ToHandle(root), relative.c_str(), 0, nullptr,
                                    REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr)
                  : RegOpenKeyExA(ToHandle(root), relative.c_str(), 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS) return nullptr;
    return std::make_unique<Win32Key>(key);
  }
};

Win32Registry host;
ServiceSlot<Registry> slot(host);

}  // namespace

Registry& CurrentRegistry() { return slot.Current(); }
ServiceGuard<Registry*> SetRegistry(Registry* registry) { return slot.Set(registry); }

}  // namespace platform
