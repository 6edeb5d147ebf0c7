#include "platform/mo_catalog.h"

#include <cstring>

namespace platform {
namespace {

constexpr std::uint32_t kMagic = 0x950412DE;
constexpr std::uint32_t kSwapped = 0xDE120495;

std::uint32_t Get32(const std::uint8_t* p, bool bigEndian) {
  return bigEndian ? std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                         std::uint32_t{p[2]} << 8 | p[3]
                   : std::uint32_t{p[3]} << 24 | std::uint32_t{p[2]} << 16 |
                         std::uint32_t{p[1]} << 8 | p[0];
}

}  // namespace

bool MoCatalog::Load(const std::uint8_t* data, std::size_t size) {
  entries_.clear();
  if (size < 20) return false;
  const std::uint32_t magic = Get32(data, false);
  if (magic != kMagic && magic != kSwapped) return false;
  const bool big = magic == kSwapped;
  if (Get32(data + 4, big) >> 16 > 1) return false;  // a major revision this reader predates
  const std::uint64_t count = Get32(data + 8, big);
  const std::uint64_t originals = Get32(data + 12, big), translations = Get32(data + 16, big);
  if (originals + count * 8 > size || translations + count * 8 > size) return false;
  // A string: its length and offset in the table, and a NUL after it, all inside the data.
  auto string = [&](std::uint64_t table, std::uint64_t i, std::string& out) {
    const std::uint64_t length = Get32(data + table + i * 8, big);
    const std::uint64_t at = Get32(data + table + i * 8 + 4, big);
    if (at + length >= size || data[at + length] != 0) return false;
    out.assign(reinterpret_cast<const char*>(data + at), static_cast<std::size_t>(length));
    return true;
  };
  std::map<std::string, std::string> read;
  for (std::uint64_t i = 0; i < count; ++i) {
    std::string original, translation;
    if (!string(originals, i, original) || !string(translations, i, translation)) return false;
    // A plural entry answers for its first form with its first translation.
    original.resize(std::strlen(original.c_str()));
    translation.resize(std::strlen(translation.c_str()));
    if (!original.empty() && !translation.empty()) read.emplace(original, translation);
  }
  entries_ = std::move(read);
  return true;
}

const std::string* MoCatalog::Find(const std::string& original) const {
  const auto it = entries_.find(original);
  return it == entries_.end() ? nullptr : &it->second;
}

}  // namespace platform
