// LZH match finder: the encoder's window and its search trees.
//
// Every position of the window that may still be matched sits in a binary search tree of the
// positions that start with the same byte, ordered by their next 59 bytes. Inserting a position
// reports the longest match among the positions the descent passes (the nearest among equally
// long ones); which positions those are depends on the exact shape of the trees, so the shape is
// part of the stream format: the streams of old stay the same only while every insertion and
// removal reshapes the trees as it always has.
#pragma once

#include <cstdint>

#include "codecs/lzh_model.h"

namespace lzh {

struct MatchFinder {
  // Empties every tree.
  void Reset();
  // Writes the byte at a window position, and into the mirror behind the ring.
  void Store(unsigned position, std::uint8_t byte) {
    window[position] = byte;
    if (position < kLookAhead - 1) window[position + kWindow] = byte;
  }
  // Adds position r and sets matchLength (0 when no match is longer than kThreshold) and
  // matchPosition (distance minus one). A position with all 60 bytes equal to r's leaves its
  // tree for r, which is newer and as good.
  void Insert(unsigned r);
  // Removes position p, about to be overwritten, from its tree; nothing if it is in none.
  void Delete(unsigned p);

  // The trees over window positions, one per first byte: the root of byte b is
  // node[kWindow + 1 + b].child[kRight]. Entry kNil absorbs writes through an empty link, and the
  // descent, which loads ahead through both links, reads it and window[kNil + 1..] freely. A
  // node's two links share a cache line, since the descent stalls on fetching them; the
  // parents, which only removal needs, are apart so that the descent's lines stay few.
  static constexpr unsigned kNil = kWindow;  // empty link
  static constexpr unsigned kLeft = 0, kRight = 1;
  static constexpr unsigned kNodes = kWindow + 1 + 256;
  struct Node {
    std::uint16_t child[2];  // by side
  } node[kNodes];
  // Short cuts down long chains of links on one side (see Insert), for each node and side: kNil,
  // or a position at most kSkip links down; what it passes over: the newest of the positions
  // strictly between its ends (kNil: none) and a lower bound of their common prefix with the far
  // end; and for each position whether a short cut may pass over it or end at it.
  std::uint16_t skip[kNodes][2];
  struct Passed {
    std::uint16_t newest;
    std::uint8_t common;
  } passed[kNodes][2];
  std::uint8_t covered[kWindow];
  std::uint16_t parent[kWindow + 1];  // kNil while the position is in no tree
  // The ring, then a mirror of positions 0..58 so a 60-byte comparison never wraps, then slack
  // for word-wide comparisons that look past the 60th byte.
  std::uint8_t window[kWindow + 64];

  std::int16_t matchPosition;  // of the last insertion
  std::uint16_t matchLength;
  // The position after the one the last insertion replaced, kNil when it replaced none: inside a
  // long repeat it holds the next key again.
  std::uint16_t repeat;

 private:
  void DescendDeep(unsigned r, unsigned p, unsigned side, std::uint32_t best);
  void Finish(unsigned r, unsigned p, unsigned side, std::uint32_t best, bool full);
  void Replace(unsigned p, unsigned r);
  void Unskip(unsigned z);
};

}  // namespace lzh
