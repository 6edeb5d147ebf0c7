// LZH internals shared by encoder and decoder: the stream's dimensions, the fixed code of a
// distance's high bits, and the adaptive Huffman model over literals and match lengths.
//
// Both directions start from StartModel and count every symbol with UpdateModel right after
// coding it, so their code trees agree symbol for symbol; any change here changes every stream.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <new>

#include "codecs/lzh.h"

namespace lzh {

// Sliding window.
inline constexpr unsigned kWindow = 4096;                 // ring of past bytes, 12-bit positions
inline constexpr unsigned kLookAhead = 60;                // longest match
inline constexpr unsigned kThreshold = 2;                 // matches this short go as literals
inline constexpr unsigned kStart = kWindow - kLookAhead;  // first coding position
inline constexpr std::uint8_t kFill = 0x20;               // what the window before kStart holds

// Adaptive Huffman model.
inline constexpr unsigned kSymbols = 256 + kLookAhead - kThreshold;  // bytes, then lengths 3..60
inline constexpr unsigned kNodes = 2 * kSymbols - 1;
inline constexpr unsigned kRoot = kNodes - 1;
inline constexpr unsigned kMaxFreq = 0x8000;  // counts are halved when the root reaches it
inline constexpr unsigned kLengthBase = 256 - kThreshold - 1;  // symbol = length + 253

// Fixed prefix code of the high 6 bits of a distance: canonical, with 1, 3, 8, 12, 24 and 16
// codes of lengths 3 to 8. Left-aligned 8-bit patterns, and the inverse indexed by the next 8
// bits of the stream.
struct DistanceCode {
  std::array<std::uint8_t, 64> pattern{}, length{};
  std::array<std::uint8_t, 256> decodeHigh{}, decodeLength{};
};
constexpr DistanceCode MakeDistanceCode() {
  constexpr unsigned counts[] = {1, 3, 8, 12, 24, 16};
  DistanceCode c;
  unsigned u = 0, next = 0;
  for (unsigned len = 3; len <= 8; ++len) {
    for (unsigned k = 0; k < counts[len - 3]; ++k, ++u) {
      c.pattern[u] = static_cast<std::uint8_t>(next);
      c.length[u] = static_cast<std::uint8_t>(len);
      for (unsigned x = next; x < next + (1u << (8 - len)); ++x) {
        c.decodeHigh[x] = static_cast<std::uint8_t>(u);
        c.decodeLength[x] = static_cast<std::uint8_t>(len);
      }
      next += 1u << (8 - len);
    }
  }
  return c;
}
inline constexpr DistanceCode kDistance = MakeDistanceCode();
static_assert(kDistance.pattern[11] == 0x88 && kDistance.pattern[47] == 0xEE &&
              kDistance.decodeHigh[0xFF] == 63);

// The code tree, kept as a list of nodes ordered by count (the sibling property): a leaf's code
// is its path up to the root, bit k being whether the node at that level has an odd index.
struct Model {
  // Node counts, nondecreasing over 0..626, with a sentinel above the root.
  std::uint16_t freq[kNodes + 1];
  // 0..626: the parent of each node; 627 + s: the leaf of symbol s.
  std::uint16_t nodeParent[kNodes + kSymbols];
  // A value of kNodes or more marks the leaf of symbol value - kNodes; otherwise the node's
  // children are value and value + 1.
  std::uint16_t nodeChild[kNodes];
};

// All counts 1.
void StartModel(Model& m);
// Counts symbol s once more, halving all counts first when the root has reached kMaxFreq.
void UpdateModel(Model& m, unsigned s);

// The working state of one Encode or Decode, allocated per call and zero-filled (which fixes
// every byte the coder may read before writing it, so the output never depends on chance).
template <class Tables>
std::unique_ptr<Tables> AllocTables() {
  std::unique_ptr<Tables> t(new (std::nothrow) Tables{});
  if (!t) throw ElzhException("LZH : Cannot get memory for dictionary tables");
  return t;
}

}  // namespace lzh
