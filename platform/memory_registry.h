// A registry held in memory: the registry of a host that has none, and a store tests can fill
// and inspect. Key paths and value names match without regard to case, as on Windows.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/registry.h"

namespace platform {

class MemoryRegistry final : public Registry {
 public:
  std::unique_ptr<RegistryKey> OpenKey(RootKey root, const std::string& path, bool create) override;

  // Every value stored below root, keyed by "KEY\PATH" then value name, both upper-cased.
  struct Key {
    std::map<std::string, RegistryValue> Values;
  };
  using Keys = std::map<std::string, Key>;
  const Keys& Contents(RootKey root) const;

 private:
  std::map<RootKey, Keys> roots_;
};

}  // namespace platform
