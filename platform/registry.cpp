#include "platform/registry.h"

#include "platform/little_endian.h"

namespace platform {

std::optional<std::string> RegistryKey::ReadString(const std::string& name) {
  std::optional<RegistryValue> value = ReadValue(name);
  if (!value) return std::string();
  if (value->Type != RegSz && value->Type != RegExpandSz) return std::nullopt;
  // Stored strings end with a NUL, but nothing forces a writer to include one or to stop there.
  std::string text = value->Data;
  std::size_t nul = text.find('\0');
  if (nul != std::string::npos) text.resize(nul);
  return text;
}

void RegistryKey::WriteString(const std::string& name, const std::string& value) {
  WriteValue(name, RegSz, value.c_str(), value.size() + 1);
}

void RegistryKey::WriteInteger(const std::string& name, std::int32_t value) {
  std::uint8_t bytes[4];
  StoreLE(bytes, static_cast<std::uint32_t>(value));
  WriteValue(name, RegDword, bytes, sizeof bytes);
}

void RegistryKey::WriteBinary(const std::string& name, const void* data, std::size_t size) {
  WriteValue(name, RegBinary, data, size);
}

}  // namespace platform
