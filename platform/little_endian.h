// Little-endian integers in byte buffers, as the archive format, the compressed-file header and
// the registry's 32-bit values store them, whatever the host's own order.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

template <std::unsigned_integral T>
constexpr T LoadLE(const std::uint8_t* p) {
  T v = 0;
  for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(static_cast<T>(p[i]) << (8 * i));
  return v;
}

template <std::unsigned_integral T>
constexpr void StoreLE(std::uint8_t* p, T v) {
  for (std::size_t i = 0; i < sizeof(T); ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

template <std::unsigned_integral T>
void AppendLE(std::vector<std::uint8_t>& out, T v) {
  out.resize(out.size() + sizeof(T));
  StoreLE(out.data() + out.size() - sizeof(T), v);
}

}  // namespace platform
