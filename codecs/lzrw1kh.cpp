#include "codecs/lzrw1kh.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

constexpr std::uint8_t kCompressedFlag = 0x40;
constexpr std::uint8_t kStoredFlag = 0x80;

constexpr unsigned kHashSize = 4096;
constexpr std::int16_t kEmpty = -32768;  // farther back than any position can be
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

inline std::uint64_t Load64(const std::uint8_t* p) {
  std::uint64_t v;
  std::memcpy(&v, p, 8);
  return v;
}

// Where the bytes at the lowest addresses lie in a word loaded from memory.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr unsigned kFirstBit = kLittleEndian ? 0 : 56;  // a bit of the first byte
constexpr std::uint64_t kFirstThreeBytes = kLittleEndian ? 0xFFFFFF : 0xFFFFFFull << 40;

// Index of the first differing byte of two words loaded from memory.
inline unsigned FirstDifference(std::uint64_t diff) {
  if constexpr (kLittleEndian)
    return static_cast<unsigned>(std::countr_zero(diff)) / 8;
  else
    return static_cast<unsigned>(std::countl_zero(diff)) / 8;
}

// Length of the common prefix of a and b, at most limit; both readable for limit bytes.
inline unsigned CommonLength(const std::uint8_t* a, const std::uint8_t* b, unsigned limit) {
  unsigned m = 0;
  for (; m + 8 <= limit; m += 8)
    if (const std::uint64_t diff = Load64(a + m) ^ Load64(b + m)) return m + FirstDifference(diff);
  while (m < limit && a[m] == b[m]) ++m;
  return m;
}

inline void Put16(std::uint8_t* p, unsigned v) {
  p[0] = static_cast<std::uint8_t>(v >> 8);
  p[1] = static_cast<std::uint8_t>(v);
}

[[noreturn]] void Damaged() {
  throw ELzrw1KHCompressor(ELzrw1KHCompressor::TKind::Damaged, "LZRW1KH : damaged block");
}

}  // namespace

TLZRW1KH::TLZRW1KH() : hash_(new (std::nothrow) std::int16_t[kHashSize]) {
  if (!hash_)
    throw ELzrw1KHCompressor(ELzrw1KHCompressor::TKind::NoMemory,
                             "LZRW1KH : no memory for HASH table");
}

TLZRW1KH::~TLZRW1KH() = default;

// One probe: the last position whose prefix hashed to the same entry, accepted when it is close
// enough and really shares at least 3 bytes. The probed position always takes the entry over.
// Callers probe only where 3 bytes remain: nearer the end no match can exist.
//
// Empty entries hold kEmpty, so one comparison of the distance rejects them too. Where 8 bytes
// remain, the candidate is compared word-wide with no branch on its validity: the outcome of a
// probe is unpredictable, and one mispredicted branch costs more than the whole comparison.
inline TLZRW1KH::Match TLZRW1KH::FindMatch(const std::uint8_t* source, std::uint16_t x,
                                           std::uint16_t sourceSize) {
  std::int16_t& entry = hash_[Hash(source + x)];
  const int candidate = entry;
  entry = static_cast<std::int16_t>(x);
  const bool valid = static_cast<unsigned>(x - candidate) <= kMaxDistance;
  const unsigned limit = std::min<unsigned>(kMaxMatch, sourceSize - x);
  if (limit >= 8) {
    const std::uint8_t* const b = source + (valid ? candidate : x);
    const std::uint64_t diff = (Load64(source + x) ^ Load64(b)) | std::uint64_t{!valid}
                                                                      << kFirstBit;
    if (diff & kFirstThreeBytes) return {0, 0};
    const unsigned m =
        diff ? FirstDifference(diff) : 8 + CommonLength(source + x + 8, b + 8, limit - 8);
    return {static_cast<std::uint16_t>(candidate), static_cast<std::uint16_t>(m)};
  }
  if (!valid) return {0, 0};
  const unsigned m = CommonLength(source + x, source + candidate, limit);
  if (m < kMinMatch) return {0, 0};
  return {static_cast<std::uint16_t>(candidate), static_cast<std::uint16_t>(m)};
}

namespace {

std::uint16_t StoreVerbatim(const std::uint8_t* source, std::uint8_t* dest, unsigned n) {
  dest[0] = kStoredFlag;
  if (n) std::memcpy(dest + 1, source, n);
  return static_cast<std::uint16_t>(n + 1);
}

}  // namespace

std::uint16_t TLZRW1KH::CompressBlock(const std::uint8_t* source, std::uint8_t* dest,
                                      std::uint16_t sourceSize) {
  const unsigned n = sourceSize;
  if (n < 3) return StoreVerbatim(source, dest, n);  // flag and control word alone exceed n
  std::fill_n(hash_.get(), kHashSize, kEmpty);
  dest[0] = kCompressedFlag;

  // The compressed form is given up as soon as it would grow past n bytes. Checking before each
  // part is written, rather than after the item, yields the same blocks and keeps every write
  // inside the n + 1 bytes the stored form needs anyway.
  unsigned x = 0, y = 3, z = 1, items = 0;
  unsigned control = 0;
  while (x < n) {
    if (items == kItemsPerGroup) {
      if (y + 2 > n) return StoreVerbatim(source, dest, n);
      Put16(dest + z, control);
      z = y;
      y += 2;
      items = 0;
    }
    ++items;

    // Most positions start no run at all; the others are measured.
    unsigned run = 1;
    if (n - x > 1 && source[x + 1] == source[x]) {
      const unsigned limit = std::min(kMaxRun, n - x);
      const std::uint64_t pattern = 0x0101010101010101u * source[x];
      for (run = 2; run + 8 <= limit; run += 8)
        if (Load64(source + x + run) != pattern) break;
      while (run < limit && source[x + run] == source[x]) ++run;
    }
    if (run >= kMinRun) {
      if (y + 4 > n) return StoreVerbatim(source, dest, n);
      dest[y] = 0;
      Put16(dest + y + 1, run - kMinRun);
      dest[y + 3] = source[x];
      y += 4;
      x += run;
      control = control << 1 | 1;
      continue;
    }

    if (n - x >= kMinMatch) {
      const Match match = FindMatch(source, static_cast<std::uint16_t>(x), sourceSize);
      if (match.length) {
        if (y + 2 > n) return StoreVerbatim(source, dest, n);
        Put16(dest + y, (x - match.position) << 4 | (match.length - kMinMatch));
        y += 2;
        x += match.length;
        control = control << 1 | 1;
        continue;
      }
    }

    if (y + 1 > n) return StoreVerbatim(source, dest, n);
    dest[y++] = source[x++];
    control <<= 1;
  }
  Put16(dest + z, (control << (kItemsPerGroup - items)) & 0xFFFF);
  return static_cast<std::uint16_t>(y);
}

std::uint16_t TLZRW1KH::DecompressBlock(const std::uint8_t* source, std::uint8_t* dest,
                                        std::uint16_t sourceSize, std::uint16_t destCapacity) {
  const unsigned n = sourceSize;
  if (n <= 1) return 0;
  if (source[0] == kStoredFlag) {
    if (n - 1 > destCapacity) Damaged();
    std::memcpy(dest, source + 1, n - 1);
    return static_cast<std::uint16_t>(n - 1);
  }
  // Any other flag reads as the compressed form. Its first control word is read only when an
  // item follows; a block of the flag and at most the word decodes to nothing.
  if (n <= 3) return 0;

  const std::uint8_t* in = source + 3;
  const std::uint8_t* const inEnd = source + n;
  std::uint8_t* out = dest;
  std::uint8_t* const outEnd = dest + destCapacity;
  // The group's control bits still to use, left-aligned in 32 bits so the run of literals ahead
  // is its count of leading zeros.
  std::uint32_t control = std::uint32_t{source[1]} << 24 | std::uint32_t{source[2]} << 16;
  unsigned bits = kItemsPerGroup;
  while (in < inEnd) {
    if (bits == 0) {
      if (inEnd - in <= 2) Damaged();  // a control word needs at least one item after it
      control = std::uint32_t{in[0]} << 24 | std::uint32_t{in[1]} << 16;
      in += 2;
      bits = kItemsPerGroup;
    }

    // All literals up to the next copy or run at once, none as often as not; the 0 bits after
    // the last item of a block are not items, so the end of the block cuts them off.
    unsigned literals = std::min<unsigned>(std::countl_zero(control), bits);
    if (inEnd - in >= 16 && outEnd - out >= 16) {
      std::memcpy(out, in, 16);
    } else {
      literals = std::min<unsigned>(literals, static_cast<unsigned>(inEnd - in));
      if (literals > static_cast<unsigned>(outEnd - out)) Damaged();
      std::memcpy(out, in, literals);
    }
    in += literals;
    out += literals;
    control <<= literals;
    bits -= literals;
    if (bits == 0 || in == inEnd) continue;

    if (inEnd - in < 2) Damaged();
    const unsigned distance = in[0] << 4 | in[1] >> 4;
    if (distance == 0) {
      if (inEnd - in < 4) Damaged();
      const unsigned count = (in[1] << 8 | in[2]) + kMinRun;
      if (count > static_cast<unsigned>(outEnd - out)) Damaged();
      std::memset(out, in[3], count);
      in += 4;
      out += count;
    } else {
      const unsigned count = (in[1] & 0x0F) + kMinMatch;
      if (distance > static_cast<unsigned>(out - dest) ||
          count > static_cast<unsigned>(outEnd - out))
        Damaged();
      const std::uint8_t* from = out - distance;
      if (distance >= 8 && outEnd - out >= 24) {
        // Word by word: each word is read after the words it depends on were written. Up to
        // 24 - count bytes past the copy are scratch, overwritten later or past the result.
        std::memcpy(out, from, 8);
        std::memcpy(out + 8, from + 8, 8);
        std::memcpy(out + 16, from + 16, 8);
      } else {
        // A distance shorter than the length repeats the last `distance` bytes, front to back.
        for (unsigned k = 0; k < count; ++k) out[k] = from[k];
      }
      in += 2;
      out += count;
    }
    control <<= 1;
    --bits;
  }
  return static_cast<std::uint16_t>(out - dest);
}
