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

// A word as a number whose order is the lexicographic order of its bytes.
inline std::uint64_t InOrder(std::uint64_t x) {
  if constexpr (kLittleEndian) return __builtin_bswap64(x);
  return x;
}

// Equal leading bytes of the two words, given that they differ.
inline unsigned WordCommon(std::uint64_t diff) {
  return static_cast<unsigned>(kLittleEndian ? std::countr_zero(diff) : std::countl_zero(diff)) / 8;
}

static_assert(sizeof(MatchFinder::Node) == 4);

// Where a key stands against a position: the common prefix, at most kLookAhead, and whether the
// key is the greater at the first difference. `first` holds the key's bytes 1..8.
struct Comparison {
  unsigned length;
  bool greater;
};

inline Comparison Compare(std::uint64_t first, const std::uint8_t* key, const std::uint8_t* other) {
  std::uint64_t x = first, y = LoadWord(other + 1);
  unsigned i = 1;
  while (x == y) {
    if (i == kLastWord) return {kLookAhead, false};
    i += 8;
    x = LoadWord(key + i);
    y = LoadWord(other + i);
    if (i == kLastWord) {
      x &= kLastWordMask;
      y &= kLastWordMask;
    }
  }
  return {i + WordCommon(x ^ y), WordGreater(x, y)};
}

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

// A short cut's length in links: longer ones pass more at a time but are laid less often and
// broken more often.
constexpr unsigned kSkip = 8;
// How deep a descent goes before it looks for short cuts and lays them. Most descents end
// before, and cost no more than they would without short cuts.
constexpr unsigned kShallow = 16;

}  // namespace

void MatchFinder::Reset() {
  for (unsigned b = 0; b < 256; ++b) node[kWindow + 1 + b].child[kRight] = kNil;
  for (unsigned p = 0; p <= kWindow; ++p) parent[p] = kNil;
  for (auto& s : skip) s[kLeft] = s[kRight] = kNil;
  std::fill(std::begin(covered), std::end(covered), 0);
  repeat = kNil;
}

// Drops the short cuts that pass over or end at position z, which is about to leave its place:
// they start at most kSkip links above it on the chain of links on z's side.
void MatchFinder::Unskip(unsigned z) {
  if (!covered[z]) return;
  covered[z] = 0;
  unsigned u = parent[z];
  const unsigned side = node[u].child[kRight] == z ? kRight : kLeft;
  for (unsigned k = 0; k < kSkip; ++k) {
    skip[u][side] = kNil;
    if (u > kNil) return;  // a tree root
    const unsigned w = parent[u];
    if (node[w].child[side] != u) return;
    u = w;
  }
}

// Puts position r in the place of p, which holds the same key, with p's parent, children and
// short cuts.
void MatchFinder::Replace(unsigned p, unsigned r) {
  Unskip(p);
  const unsigned up = parent[p];
  parent[r] = static_cast<std::uint16_t>(up);
  for (unsigned side : {kLeft, kRight}) {
    node[r].child[side] = node[p].child[side];
    parent[node[p].child[side]] = static_cast<std::uint16_t>(r);
    skip[r][side] = skip[p][side];
    passed[r][side] = passed[p][side];
    skip[p][side] = kNil;
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
//
// Rising keys (numbered lines, the keys of table records) make the trees long chains of links on
// one side, and the descent follows them for hundreds of positions. So a position keeps, for
// each side, a short cut to a position kSkip links or fewer down the chain on that side, laid by
// an earlier descent that went all that way. The positions of such a chain are in order, so a
// key beyond the far end is beyond all of them: the descent would have passed each on the same
// side, and it may jump. What they would have contributed follows from the order too: each
// shares with the key exactly the lesser of its common prefix with the far end and the far
// end's with the key, so none is longer than the far end, and all tie with it when the short
// cut knows their common prefix with the far end reaches that far; then its newest is the
// nearest of them. Otherwise they are walked one by one at the end, should the far end's length
// be the longest of the descent. A short cut holds while its positions stay where they were:
// whatever moves or removes a position first drops the short cuts over it or to it (Unskip).
void MatchFinder::Insert(unsigned r) {
  const std::uint8_t* key = &window[r];
  if (const unsigned q = repeat;
      q != kNil && parent[q] != kNil && std::memcmp(key, &window[q], kLookAhead) == 0) {
    Replace(q, r);
    return;
  }
  repeat = kNil;
  node[r].child[kLeft] = node[r].child[kRight] = kNil;
  // The best match so far as one number: length above, 12 bits of age below that grow towards
  // the newest, so the greatest is the longest and, among equally long ones, the nearest.
  // Keeping it with max() spares the descent two unpredictable branches per node.
  std::uint32_t best = 0;
  // The descent is a chain of dependent loads, short as they are from a window that stays in
  // the first-level cache. While a node is compared, both children's links and first key words
  // are loaded, so the step down only picks among values at hand, with conditional moves: the
  // side is as good as random, and a branch on it would mispredict half the time.
  const std::uint64_t first = LoadWord(key + 1);
  // Words are compared as big-endian numbers, so that their order is the bytes' order and the
  // common prefix is the count of leading equal bits.
  const std::uint64_t firstOrder = InOrder(first);
  const unsigned ageBase = kWindow - r;  // age of q: (q + ageBase) mod kWindow
  unsigned p = kWindow + 1 + key[0], depth = 0;
  bool greater = true;
  unsigned next = node[p].child[kRight];
  std::uint32_t links = LinksOf(node[next]);
  std::uint64_t word = LoadWord(&window[next + 1]);
  while (next != kNil) {
    if (++depth > kShallow) return DescendDeep(r, p, greater ? kRight : kLeft, best);
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
      if (x == y) return Finish(r, p, kRight, best, true);  // all 60 bytes
      greater = WordGreater(x, y);
    } else {
      greater = firstOrder > InOrder(y);
    }
    best = std::max(best, (i + WordCommon(x ^ y)) << 12 | ((p + ageBase) & (kWindow - 1)));
    next = greater ? right : left;
    links = greater ? rightLinks : leftLinks;
    word = greater ? rightWord : leftWord;
  }
  Finish(r, p, greater ? kRight : kLeft, best, false);
}

// The rest of a descent that has gone kShallow positions deep from p, the last position passed,
// on to its side: most likely it is on a long chain, so it takes the short cuts it finds and lays
// new ones where it goes kSkip links on one side.
void MatchFinder::DescendDeep(unsigned r, unsigned p, unsigned side, std::uint32_t best) {
  const std::uint8_t* key = &window[r];
  const std::uint64_t first = LoadWord(key + 1);
  auto age = [r](unsigned q) { return (q - r) & (kWindow - 1); };
  auto consider = [&](unsigned q, unsigned length) {
    best = std::max(best, length << 12 | age(q));
  };
  // Short cuts taken whose positions may tie with the best match: from, to, side, length.
  struct Pending {
    std::uint16_t from, to;
    std::uint8_t side, length;
  } pending[16];
  unsigned pendingCount = 0;
  // The chain being followed link by link: where it started (kNil: at the next step), on which
  // side, the links taken, and the newest and least common prefix of the positions after its
  // start.
  unsigned anchor = kNil, runSide = kRight, run = 0, runNewest = kNil, runCommon = kLookAhead;
  for (unsigned next = node[p].child[side]; next != kNil; next = node[p].child[side]) {
    if (const unsigned y = skip[p][side]; y != kNil) {
      const Comparison c = Compare(first, key, &window[y]);
      if (c.length == kLookAhead) return Finish(r, y, side, best, true);
      const Passed pass = passed[p][side];
      const bool ties = pass.newest != kNil && pass.common >= c.length;
      const bool walkLater = pass.newest != kNil && !ties;
      if (c.greater == (side == kRight) && (!walkLater || pendingCount < std::size(pending))) {
        consider(y, c.length);
        if (ties) consider(pass.newest, c.length);
        if (walkLater)
          pending[pendingCount++] = {static_cast<std::uint16_t>(p), static_cast<std::uint16_t>(y),
                                     static_cast<std::uint8_t>(side),
                                     static_cast<std::uint8_t>(c.length)};
        p = y;
        anchor = kNil;
        continue;
      }
    }
    if (anchor == kNil || side != runSide) {
      anchor = p;
      runSide = side;
      run = 0;
      runNewest = kNil;
      runCommon = kLookAhead;
    }
    const Comparison c = Compare(first, key, &window[next]);
    if (c.length == kLookAhead) return Finish(r, next, side, best, true);
    consider(next, c.length);
    covered[next] = 1;
    if (++run == kSkip) {
      skip[anchor][side] = static_cast<std::uint16_t>(next);
      passed[anchor][side] = {static_cast<std::uint16_t>(runNewest),
                              static_cast<std::uint8_t>(std::min(runCommon, c.length))};
      anchor = next;
      run = 0;
      runNewest = kNil;
      runCommon = kLookAhead;
    } else {
      if (runNewest == kNil || age(next) > age(runNewest)) runNewest = next;
      runCommon = std::min(runCommon, c.length);
    }
    p = next;
    side = c.greater ? kRight : kLeft;
  }
  const unsigned length = best >> 12;
  for (unsigned k = 0; k < pendingCount && length > kThreshold; ++k) {
    const Pending& w = pending[k];
    if (w.length != length) continue;
    for (unsigned z = node[w.from].child[w.side]; z != w.to; z = node[z].child[w.side])
      consider(z, Compare(first, key, &window[z]).length);
  }
  Finish(r, p, side, best, false);
}

// Ends a descent at p: r takes p's place when they match in full, else becomes p's child on the
// side given, and the best match is reported.
void MatchFinder::Finish(unsigned r, unsigned p, unsigned side, std::uint32_t best, bool full) {
  if (full) return Replace(p, r);
  node[p].child[side] = static_cast<std::uint16_t>(r);
  parent[r] = static_cast<std::uint16_t>(p);
  matchLength = 0;
  if (best >> 12 > kThreshold) {
    matchLength = static_cast<std::uint16_t>(best >> 12);
    matchPosition = static_cast<std::int16_t>(kWindow - 1 - (best & (kWindow - 1)));
  }
}

// Removes position p (the oldest, about to be overwritten) from its tree.
void MatchFinder::Delete(unsigned p) {
  const unsigned up = parent[p];
  if (up == kNil) return;
  Unskip(p);
  skip[p][kLeft] = skip[p][kRight] = kNil;
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
      Unskip(q);
      skip[q][kLeft] = kNil;
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
