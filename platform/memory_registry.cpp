#include "platform/memory_registry.h"

#include <utility>

#include "platform/text.h"

namespace platform {
namespace {

// Upper case as the registry compares names.
std::string Fold(std::string text) {
  for (char& c : text) c = UpperName(c);
  return text;
}

// "\A\\B\" -> "A\B": separators at the ends dropped, runs of them taken as one.
std::string NormalizePath(const std::string& path) {
  std::string out;
  for (char c : path) {
    if (c == '\\') {
      if (!out.empty() && out.back() != '\\') out += '\\';
    } else {
      out += c;
    }
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return Fold(out);
}

class MemoryKey final : public RegistryKey {
 public:
  explicit MemoryKey(MemoryRegistry::Key& key) : key_(key) {}

  std::optional<RegistryValue> ReadValue(const std::string& name) override {
    auto it = key_.Values.find(Fold(name));
    if (it == key_.Values.end()) return std::nullopt;
    return it->second;
  }

  void WriteValue(const std::string& name, std::uint32_t type, const void* data,
                  std::size_t size) override {
    key_.Values[Fold(name)] =
        RegistryValue{type, std::string(static_cast<const char*>(data), size)};
  }

 private:
  MemoryRegistry::Key& key_;
};

}  // namespace

std::unique_ptr<RegistryKey> MemoryRegistry::OpenKey(RootKey root, const std::string& path,
                                                     bool create) {
  Keys& keys = roots_[root];
  keys[""];  // the root itself always exists
  const std::string name = NormalizePath(path);
  auto it = keys.find(name);
  if (it == keys.end()) {
    if (!create) return nullptr;
    for (std::size_t cut = name.find('\\'); cut != std::string::npos;
         cut = name.find('\\', cut + 1))
      keys[name.substr(0, cut)];
    it = keys.emplace(name, Key{}).first;
  }
  // std::map never moves its elements, so the reference stays good while the registry lives.
  return std::make_unique<MemoryKey>(it->second);
}

const MemoryRegistry::Keys& MemoryRegistry::Contents(RootKey root) const {
  static const Keys none;
  auto it = roots_.find(root);
  return it == roots_.end() ? none : it->second;
}

}  // namespace platform
