#include "codecs/lzrw1kh.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace {

constexpr std::uint8_t kCompressedFlag = 0x40;
constexpr std::uint8_t kStoredFlag = 0x80;

constexpr unsigned kHashSize = 4096;
constexpr unsigned kMaxDistance = 4095;
constexpr unsigned kMinMatch = 3;
constexpr unsigned kMaxMatch = 18;
constexpr unsigned kMinRun = 16;
constexpr unsigned kMaxRun = 4095;
constexpr unsigned kItemsPerGroup = 16;

// Only bits 4..15 of the product matter, so the arithmetic width does not change the result.
inline unsigned Hash(const std::uint8_t* p) {
  std::uint32_t k = ((std::uint32_t{p[0]} << 4 ^ p[1]) << 4) ^ p[2];
  return (k * 40543u >> 4) & (kHashSize - 1);
}

inline void Put16(std::uint8_t* p, unsigned v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

[[noreturn]] void Damaged() { throw ELzrw1KHCompressor("LZRW1KH : damaged block"); }

}  // namespace

TLZRW1KH::TLZRW1KH() : hash_(new (std::nothrow) std::int16_t[kHashSize]) {
  if (!hash_) throw ELzrw1KHCompressor("LZRW1KH : no memory for HASH table");
}

TLZRW1KH::~TLZRW1KH() = default;

// One probe: the last position whose prefix hashed to the same entry, accepted when it is close
// enough and really shares at least 3 bytes. The probed position always takes the entry over.
// Callers probe only where 3 bytes remain: nearer the end no match can exist.
TLZRW1KH::Match TLZRW1KH::FindMatch(const std::uint8_t* source, std::uint16_t x,
                                    std::uint16_t sourceSize) {
  std::int16_t& entry = hash_[Hash(source + x)];
  Match match{0, 0};
  if (entry != -1 && x - entry <= static_cast<int>(kMaxDistance)) {
    const unsigned p = static_cast<unsigned>(entry);
    const unsigned limit = std::min<unsigned>(kMaxMatch, sourceSize - x);
    unsigned m = 0;
    while (m < limit && source[x + m] == source[p + m]) ++m;
    if (m >= kMinMatch) match = {static_cast<std::uint16_t>(p), static_cast<std::uint16_t>(m)};
  }
  entry = static_cast<std::int16_t>(x);
  return match;
}

std::uint16_t TLZRW1KH::CompressBlock(const std::uint8_t* source, std::uint8_t* dest,
                                      std::uint16_t sourceSize) {
  const unsigned n = sourceSize;
  std::fill_n(hash_.get(), kHashSize, std::int16_t{-1});
  dest[0] = kCompressedFlag;

  // The compressed form is given up as soon as it would grow past n bytes. Checking before each
  // item is written, rather than after, yields the same blocks and keeps every write inside the
  // n + 1 bytes the stored form needs anyway.
  unsigned x = 0, y = 3, z = 1, items = 0;
  std::uint16_t control = 0;
  bool fits = n >= 3;
  while (fits && x < n) {
    const unsigned header = items == kItemsPerGroup ? 2 : 0;

    unsigned run = 1;
    const unsigned runLimit = std::min(kMaxRun, n - x);
    while (run < runLimit && source[x + run] == source[x]) ++run;

    if (run >= kMinRun) {
      if (y + header + 4 > n) { fits = false; break; }
      if (header) { Put16(dest + z, control); z = y; y += 2; items = 0; }
      dest[y] = 0;
      Put16(dest + y + 1, run - kMinRun);
      dest[y + 3] = source[x];
      y += 4;
      x += run;
      control = static_cast<std::uint16_t>(control << 1 | 1);
    } else {
      Match match{0, 0};
      if (n - x >= kMinMatch) match = FindMatch(source, static_cast<std::uint16_t>(x), sourceSize);
      if (match.length) {
        if (y + header + 2 > n) { fits = false; break; }
        if (header) { Put16(dest + z, control); z = y; y += 2; items = 0; }
        Put16(dest + y, (x - match.position) << 4 | (match.length - kMinMatch));
        y += 2;
        x += match.length;
        control = static_cast<std::uint16_t>(control << 1 | 1);
      } else {
        if (y + header + 1 > n) { fits = false; break; }
        if (header) { Put16(dest + z, control); z = y; y += 2; items = 0; }
        dest[y++] = source[x++];
        control = static_cast<std::uint16_t>(control << 1);
      }
    }
    ++items;
  }

  if (!fits) {
    dest[0] = kStoredFlag;
    if (n) std::memcpy(dest + 1, source, n);
    return static_cast<std::uint16_t>(n + 1);
  }
  Put16(dest + z, static_cast<std::uint16_t>(control << (kItemsPerGroup - items)));
  return static_cast<std::uint16_t>(y);
}

std::uint16_t TLZRW1KH::DecompressBlock(const std::uint8_t* source, std::uint8_t* dest,
                                        std::uint16_t sourceSize, std::uint16_t destCapacity) {
  const unsigned n = sourceSize, cap = destCapacity;
  if (n <= 1) return 0;
  if (source[0] == kStoredFlag) {
    if (n - 1 > cap) Damaged();
    std::memcpy(dest, source + 1, n - 1);
    return static_cast<std::uint16_t>(n - 1);
  }
  // Any other flag reads as the compressed form. Its first control word is read only when an
  // item follows; a block of the flag and at most the word decodes to nothing.
  if (n <= 3) return 0;

  unsigned x = 3, y = 0, bits = kItemsPerGroup;
  unsigned control = source[1] << 8 | source[2];
  while (x < n) {
    if (bits == 0) {
      if (n - x <= 2) Damaged();  // a control word needs at least one item after it
      control = source[x] << 8 | source[x + 1];
      x += 2;
      bits = kItemsPerGroup;
    }
    if (!(control & 0x8000)) {
      if (y >= cap) Damaged();
      dest[y++] = source[x++];
    } else {
      if (n - x < 2) Damaged();
      const unsigned distance = source[x] << 4 | source[x + 1] >> 4;
      if (distance == 0) {
        if (n - x < 4) Damaged();
        const unsigned count = (source[x + 1] << 8 | source[x + 2]) + kMinRun;
        if (count > cap - y) Damaged();
        std::memset(dest + y, source[x + 3], count);
        x += 4;
        y += count;
      } else {
        const unsigned count = (source[x + 1] & 0x0F) + kMinMatch;
        if (distance > y || count > cap - y) Damaged();
        std::uint8_t* out = dest + y;
        const std::uint8_t* from = out - distance;
        if (distance >= count) {
          std::memcpy(out, from, count);
        } else {
          // Overlapping: the copy repeats the last `distance` bytes, front to back.
          for (unsigned k = 0; k < count; ++k) out[k] = from[k];
        }
        x += 2;
        y += count;
      }
    }
    control <<= 1;
    --bits;
  }
  return static_cast<std::uint16_t>(y);
}
