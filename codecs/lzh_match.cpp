#include "codecs/lzh_match.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace lzh {

namespace {

// Keys are compared 8 bytes at a time, bytes 1..64 of the key in eight words (byte 0 is the
// tree's own). Only bytes up to 59 count, so the last word keeps its first three bytes.
constexpr bool kLittleEndian = std::endian::native == std::endian::little;
constexpr unsigned kLastWord = kLookAhead - 3;  // 57
constexpr std::uint64_t kLastWordMask = kLittleEndian ? 0xFFFFFFu : 0xFFFFFFull << 40;

inline std::uint64_t LoadWord(const std::uint8_t* p) {
  std::uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// Lexicographic order of two words as stored, from their numeric order in memory byte order.
inline bool WordGreater(std::uint64_t x, std::uint64_t y) {
  if constexpr (kLittleEndian) return __builtin_bswap64(x) > __builtin_bswap64(y);
  return x > y;
}

// Equal leading bytes of the two words, given that they differ.
inline unsigned WordCommon(std::uint64_t diff) {
  return static_cast<unsigned>(kLittleEndian ? std::countr_zero(diff) : std::countl_zero(diff)) /
         8;
}

static_assert(sizeof(MatchFinder::Node) == 4);

// A node's two links as one word, so that the descent can pick a child's with a mask.
inline std::uint32_t LinksOf(const MatchFinder::Node& n) {
  std::uint32_t links;
  std::memcpy(&links, &n, sizeof links);
  return links;
}

inline unsigned Child(std::uint32_t links, unsigned side) {
  MatchFinder::Node n;
  std::memcpy(&n, &links, sizeof n);
  return n.child[side];
}

}  // namespace

void MatchFinder::Reset() {
  for (unsigned b = 0; b < 256; ++b) node[kWindow + 1 + b].child[kRight] = kNil;
  for (unsigned p = 0; p <= kWindow; ++p) parent[p] = kNil;
  repeat = kNil;
}

// Puts position r in the place of p, which holds the same key, with p's parent and children.
void MatchFinder::Replace(unsigned p, unsigned r) {
  const unsigned up = parent[p];
  parent[r] = static_cast<std::uint16_t>(up);
  for (unsigned side : {kLeft, kRight}) {
    node[r].child[side] = node[p].child[side];
    parent[node[p].child[side]] = static_cast<std::uint16_t>(r);
  }
  node[up].child[node[up].child[kRight] == p ? kRight : kLeft] = static_cast<std::uint16_t>(r);
  parent[p] = kNil;
  matchLength = kLookAhead;
  matchPosition = static_cast<std::int16_t>(((r - p) & (kWindow - 1)) - 1);
  repeat = static_cast<std::uint16_t>((p + 1) & (kWindow - 1));
}

// Adds position r to the tree of its first byte and leaves the longest match among the positions
// passed on the way in matchLength / matchPosition; among equally long ones the nearest wins. A
// position matching all 60 bytes is replaced by r, which is newer and as good.
//
// The trees never hold two equal keys, so a position in a tree whose key equals r's is the one
// the descent would end at, with the full match that overrides all it passed: when the position
// after the last one replaced is still in its tree and matches r in all 60 bytes, r takes its
// place without a descent. Long repeats, where the descent is deepest and compares the most
// bytes, are mostly coded that way.
void MatchFinder::Insert(unsigned r) {
  const std::uint8_t* key = &window[r];
  if (const unsigned q = repeat;
      q != kNil && parent[q] != kNil && std::memcmp(key, &window[q], kLookAhead) == 0) {
    Replace(q, r);
    return;
  }
  repeat = kNil;
  unsigned p = kWindow + 1 + key[0];
  node[r].child[kLeft] = node[r].child[kRight] = kNil;
  // The best match so far as one number: length above, distance code inverted below, so the
  // greatest is the longest and, among equally long ones, the nearest. Keeping it with max()
  // spares the descent two unpredictable branches per node.
  std::uint32_t best = 0;
  bool greater = true;
  // The descent is a chain of dependent loads, short as they are from a window that stays in
  // the first-level cache. While a node is compared, both children's links and first key words
  // are loaded, so the step down only picks among values at hand, with masks: the side is as
  // good as random, and a branch on it would mispredict half the time.
  const std::uint64_t first = LoadWord(key + 1);
  unsigned next = node[p].child[kRight];
  std::uint32_t links = LinksOf(node[next]);
  std::uint64_t word = LoadWord(&window[next + 1]);
  while (next != kNil) {
    p = next;
    const unsigned left = Child(links, kLeft), right = Child(links, kRight);
    const std::uint32_t leftLinks = LinksOf(node[left]), rightLinks = LinksOf(node[right]);
    const std::uint64_t leftWord = LoadWord(&window[left + 1]);
    const std::uint64_t rightWord = LoadWord(&window[right + 1]);
    // Bytes 1..8 part four keys in five; the rest are compared from the window.
    std::uint64_t x = first, y = word;
    unsigned i = 1;
    if (x == y) {
      const std::uint8_t* const other = &window[p];
      do {
        i += 8;
        x = LoadWord(key + i);
        y = LoadWord(other + i);
        if (i == kLastWord) {
          x &= kLastWordMask;
          y &= kLastWordMask;
        }
      } while (x == y && i != kLastWord);
    }
    const unsigned d = ((r - p) & (kWindow - 1)) - 1;
    if (x == y) {  // all 60 bytes
      best = kLookAhead << 16 | (0xFFFF - d);
      break;
    }
    best = std::max(best, (i + WordCommon(x ^ y)) << 16 | (0xFFFF - d));
    greater = WordGreater(x, y);
    const std::uint64_t side = 0 - static_cast<std::uint64_t>(greater);
    next = left ^ ((left ^ right) & static_cast<unsigned>(side));
    links = leftLinks ^ ((leftLinks ^ rightLinks) & static_cast<std::uint32_t>(side));
    word = leftWord ^ ((leftWord ^ rightWord) & side);
  }
  if (next == kNil) {
    node[p].child[greater ? kRight : kLeft] = static_cast<std::uint16_t>(r);
    parent[r] = static_cast<std::uint16_t>(p);
  }
  if (best >> 16 == kLookAhead) {
    Replace(p, r);
    return;
  }
  matchLength = 0;
  if (best >> 16 > kThreshold) {
    matchLength = static_cast<std::uint16_t>(best >> 16);
    matchPosition = static_cast<std::int16_t>(0xFFFF - (best & 0xFFFF));
  }
}

// Removes position p (the oldest, about to be overwritten) from its tree.
void MatchFinder::Delete(unsigned p) {
  const unsigned up = parent[p];
  if (up == kNil) return;
  const unsigned left = node[p].child[kLeft], right = node[p].child[kRight];
  unsigned q;
  if (right == kNil) {
    q = left;
  } else if (left == kNil) {
    q = right;
  } else {
    // The greatest node of the left subtree takes p's place.
    q = left;
    if (node[q].child[kRight] != kNil) {
      do q = node[q].child[kRight];
      while (node[q].child[kRight] != kNil);
      const unsigned qUp = parent[q], qLeft = node[q].child[kLeft];
      node[qUp].child[kRight] = static_cast<std::uint16_t>(qLeft);
      parent[qLeft] = static_cast<std::uint16_t>(qUp);
      node[q].child[kLeft] = static_cast<std::uint16_t>(left);
      parent[left] = static_cast<std::uint16_t>(q);
    }
    node[q].child[kRight] = static_cast<std::uint16_t>(right);
    parent[right] = static_cast<std::uint16_t>(q);
  }
  parent[q] = static_cast<std::uint16_t>(up);
  // A tree root holds its tree on the right, so the left side is taken only below a position.
  node[up].child[node[up].child[kRight] == p ? kRight : kLeft] = static_cast<std::uint16_t>(q);
  parent[p] = kNil;
}

}  // namespace lzh
