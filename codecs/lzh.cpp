#include "codecs/lzh.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <memory>
#include <new>

namespace {

// Sliding window and search trees.
constexpr unsigned kWindow = 4096;           // ring of past bytes, 12-bit positions
constexpr unsigned kLookAhead = 60;          // longest match
constexpr unsigned kThreshold = 2;           // matches this short go as literals
constexpr unsigned kNil = kWindow;           // empty link
constexpr unsigned kLeft = 0, kRight = 1;    // sides of a tree node
constexpr unsigned kStart = kWindow - kLookAhead;  // first coding position
constexpr std::uint8_t kFill = 0x20;         // what the window before kStart starts as

// Adaptive Huffman model.
constexpr unsigned kSymbols = 256 + kLookAhead - kThreshold;  // bytes, then lengths 3..60
constexpr unsigned kNodes = 2 * kSymbols - 1;
constexpr unsigned kRoot = kNodes - 1;
constexpr unsigned kMaxFreq = 0x8000;  // counts are halved when the root reaches it
constexpr unsigned kLengthBase = 256 - kThreshold - 1;  // symbol = length + 253

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
constexpr DistanceCode kDistance = MakeDistanceCode();
static_assert(kDistance.pattern[11] == 0x88 && kDistance.pattern[47] == 0xEE &&
              kDistance.decodeHigh[0xFF] == 63);

// The working state of one Encode or Decode: about 35 KB, allocated per call and zero-filled,
// which also fixes what the look-ahead holds past the end of a short input (it can steer the
// choice among equally long matches, so it must not be left to chance).
struct Tables {
  // Binary search trees over window positions, one per first byte: the root of byte b is
  // node[kWindow + 1 + b].child[kRight]. Entry kNil absorbs writes through an empty link. A
  // node's two links share a cache line, since the descent stalls on fetching them; the
  // parents, which only removal needs, are apart so that the descent's lines stay few.
  struct Node {
    std::uint16_t child[2];  // by side
  } node[kWindow + 1 + 256];
  std::uint16_t parent[kWindow + 1];  // kNil while the position is in no tree
  // The ring, then a mirror of positions 0..58 so a 60-byte comparison never wraps, then slack
  // for word-wide comparisons that look past the 60th byte.
  std::uint8_t window[kWindow + 64];

  // Node counts, nondecreasing over 0..626, with a sentinel above the root.
  std::uint16_t freq[kNodes + 1];
  // 0..626: the parent of each node; 627 + s: the leaf of symbol s.
  std::uint16_t nodeParent[kNodes + kSymbols];
  // A value of kNodes or more marks the leaf of symbol value - kNodes; otherwise the node's
  // children are value and value + 1.
  std::uint16_t nodeChild[kNodes];

  std::int16_t matchPosition;  // distance code of the best match of the last insertion
  std::uint16_t matchLength;   // its length, 0 when none
  // The position after the one the last insertion replaced, kNil when it replaced none: inside a
  // long repeat it holds the next key again.
  std::uint16_t repeat;
};

std::unique_ptr<Tables> AllocTables() {
  std::unique_ptr<Tables> t(new (std::nothrow) Tables{});
  if (!t) throw ElzhException("LZH : Cannot get memory for dictionary tables");
  return t;
}

// ---------------------------------------------------------------------------------------------
// Model. Encoder and decoder run the same updates after every symbol, so their trees agree.

void StartModel(Tables& t) {
  for (unsigned s = 0; s < kSymbols; ++s) {
    t.freq[s] = 1;
    t.nodeChild[s] = static_cast<std::uint16_t>(kNodes + s);
    t.nodeParent[kNodes + s] = static_cast<std::uint16_t>(s);
  }
  for (unsigned i = 0, j = kSymbols; j < kNodes; i += 2, ++j) {
    t.freq[j] = static_cast<std::uint16_t>(t.freq[i] + t.freq[i + 1]);
    t.nodeChild[j] = static_cast<std::uint16_t>(i);
    t.nodeParent[i] = t.nodeParent[i + 1] = static_cast<std::uint16_t>(j);
  }
  t.freq[kNodes] = 0xFFFF;
  t.nodeParent[kRoot] = 0;
}

// Halves every count and builds the tree again from the leaves.
void RebuildModel(Tables& t) {
  unsigned j = 0;
  for (unsigned i = 0; i < kNodes; ++i) {
    if (t.nodeChild[i] >= kNodes) {
      t.freq[j] = static_cast<std::uint16_t>((t.freq[i] + 1) / 2);
      t.nodeChild[j] = t.nodeChild[i];
      ++j;
    }
  }
  for (unsigned i = 0; j < kNodes; i += 2, ++j) {
    const unsigned f = t.freq[i] + t.freq[i + 1];
    unsigned k = j - 1;
    while (f < t.freq[k]) --k;
    ++k;
    std::memmove(&t.freq[k + 1], &t.freq[k], (j - k) * sizeof t.freq[0]);
    std::memmove(&t.nodeChild[k + 1], &t.nodeChild[k], (j - k) * sizeof t.nodeChild[0]);
    t.freq[k] = static_cast<std::uint16_t>(f);
    t.nodeChild[k] = static_cast<std::uint16_t>(i);
  }
  for (unsigned i = 0; i < kNodes; ++i) {
    const unsigned v = t.nodeChild[i];
    t.nodeParent[v] = static_cast<std::uint16_t>(i);
    if (v < kNodes) t.nodeParent[v + 1] = static_cast<std::uint16_t>(i);
  }
}

// Counts symbol s once more, keeping the counts in order: a node that now outweighs the nodes
// above it trades places with the last of them that it outweighs.
void UpdateModel(Tables& t, unsigned s) {
  if (t.freq[kRoot] == kMaxFreq) RebuildModel(t);
  unsigned k = t.nodeParent[kNodes + s];
  do {
    const unsigned f = ++t.freq[k];
    if (f > t.freq[k + 1]) {
      unsigned l = k + 1;
      while (f > t.freq[l + 1]) ++l;
      t.freq[k] = t.freq[l];
      t.freq[l] = static_cast<std::uint16_t>(f);
      const unsigned i = t.nodeChild[k], j = t.nodeChild[l];
      t.nodeChild[l] = static_cast<std::uint16_t>(i);
      t.nodeParent[i] = static_cast<std::uint16_t>(l);
      if (i < kNodes) t.nodeParent[i + 1] = static_cast<std::uint16_t>(l);
      t.nodeChild[k] = static_cast<std::uint16_t>(j);
      t.nodeParent[j] = static_cast<std::uint16_t>(k);
      if (j < kNodes) t.nodeParent[j + 1] = static_cast<std::uint16_t>(k);
      k = l;
    }
    k = t.nodeParent[k];
  } while (k != 0);  // the root's parent; node 0 is always a leaf, so no other node has it
}

// ---------------------------------------------------------------------------------------------
// Byte and bit I/O.

class Input {
 public:
  explicit Input(TLzhSource& source) : source_(source) {}
  bool Get(std::uint8_t& byte) {
    while (source_.next == source_.end) {
      if (exhausted_ || !source_.Refill()) {
        exhausted_ = true;
        return false;
      }
    }
    byte = *source_.next++;
    return true;
  }

 private:
  TLzhSource& source_;
  bool exhausted_ = false;
};

inline void Put(TLzhSink& sink, std::uint8_t byte) {
  if (sink.next == sink.end) sink.Drain();
  *sink.next++ = byte;
}

// Packs codes most significant bit first. A symbol's code can exceed 16 bits when the counts are
// very skewed; with the root bounded by 0x8000 and every count at least 1 a leaf lies at most 21
// levels deep (a deeper one needs a Fibonacci-sized total), so 32-bit codes always suffice.
class BitWriter {
 public:
  explicit BitWriter(TLzhSink& sink) : sink_(sink) {}
  // code: `length` bits, left-aligned in 32.
  void Put(unsigned length, std::uint32_t code) {
    bits_ |= (std::uint64_t{code} << 32) >> count_;
    count_ += length;
    while (count_ >= 8) {
      ::Put(sink_, static_cast<std::uint8_t>(bits_ >> 56));
      bits_ <<= 8;
      count_ -= 8;
    }
  }
  // Pads the last byte with 0 bits.
  void Flush() {
    if (count_) ::Put(sink_, static_cast<std::uint8_t>(bits_ >> 56));
    bits_ = 0;
    count_ = 0;
  }

 private:
  TLzhSink& sink_;
  std::uint64_t bits_ = 0;  // pending bits, left-aligned
  unsigned count_ = 0;
};

// Reads bits most significant first, seeing 0 bits past the end of the input and counting them.
class BitReader {
 public:
  explicit BitReader(TLzhSource& source) : input_(source) {}
  // Makes at least 57 bits available: a symbol code and a distance code take 35 at most.
  void Fill() {
    while (count_ <= 56) {
      std::uint8_t byte = 0;
      if (!input_.Get(byte)) padding_ += 8;
      bits_ |= std::uint64_t{byte} << (56 - count_);
      count_ += 8;
    }
  }
  unsigned Bit() {
    const unsigned bit = static_cast<unsigned>(bits_ >> 63);
    bits_ <<= 1;
    --count_;
    return bit;
  }
  unsigned Peek8() const { return static_cast<unsigned>(bits_ >> 56); }
  unsigned Take(unsigned n) {
    const unsigned v = static_cast<unsigned>(bits_ >> (64 - n));
    bits_ <<= n;
    count_ -= n;
    return v;
  }
  // Whether any bit past the end of the input has been consumed: the zero bits read in are the
  // last ones fetched, so they are consumed once fewer bits remain buffered than were invented.
  bool Overrun() const { return padding_ > count_; }

 private:
  Input input_;
  std::uint64_t bits_ = 0;  // left-aligned
  unsigned count_ = 0;
  std::uint64_t padding_ = 0;
};

// ---------------------------------------------------------------------------------------------
// Search trees (encoder only).

void ResetTrees(Tables& t) {
  for (unsigned b = 0; b < 256; ++b) t.node[kWindow + 1 + b].child[kRight] = kNil;
  for (unsigned p = 0; p <= kWindow; ++p) t.parent[p] = kNil;
  t.repeat = kNil;
}

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

// Puts position r in the place of p, which holds the same key, with p's parent and children.
void ReplacePosition(Tables& t, unsigned p, unsigned r) {
  Tables::Node* const node = t.node;
  const unsigned up = t.parent[p];
  t.parent[r] = static_cast<std::uint16_t>(up);
  for (unsigned side : {kLeft, kRight}) {
    node[r].child[side] = node[p].child[side];
    t.parent[node[p].child[side]] = static_cast<std::uint16_t>(r);
  }
  node[up].child[node[up].child[kRight] == p ? kRight : kLeft] = static_cast<std::uint16_t>(r);
  t.parent[p] = kNil;
  t.matchLength = kLookAhead;
  t.matchPosition = static_cast<std::int16_t>(((r - p) & (kWindow - 1)) - 1);
  t.repeat = static_cast<std::uint16_t>((p + 1) & (kWindow - 1));
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
void InsertPosition(Tables& t, unsigned r) {
  const std::uint8_t* key = &t.window[r];
  if (const unsigned q = t.repeat;
      q != kNil && t.parent[q] != kNil && std::memcmp(key, &t.window[q], kLookAhead) == 0) {
    ReplacePosition(t, q, r);
    return;
  }
  t.repeat = kNil;
  unsigned p = kWindow + 1 + key[0];
  Tables::Node* const node = t.node;
  node[r].child[kLeft] = node[r].child[kRight] = kNil;
  // The best match so far as one number: length above, distance code inverted below, so the
  // greatest is the longest and, among equally long ones, the nearest. Keeping it with max()
  // spares the descent two unpredictable branches per node.
  std::uint32_t best = 0;
  bool greater = true;
  unsigned next = node[p].child[kRight];
  for (;;) {
    if (next == kNil) {
      node[p].child[greater ? kRight : kLeft] = static_cast<std::uint16_t>(r);
      t.parent[r] = static_cast<std::uint16_t>(p);
      break;
    }
    p = next;
    // Both children are fetched while the comparison runs; it then only picks one of them.
    const unsigned left = node[p].child[kLeft], right = node[p].child[kRight];
    __builtin_prefetch(&node[left]);
    __builtin_prefetch(&node[right]);
    __builtin_prefetch(&t.window[left]);
    __builtin_prefetch(&t.window[right]);
    // The compare reads up to key[64] and node[64]; the words already loaded give the order,
    // which only needs the first difference, so the length is worked out beside it.
    const std::uint8_t* const other = &t.window[p];
    unsigned i = 1;
    std::uint64_t x, y;
    for (;;) {
      x = LoadWord(key + i);
      y = LoadWord(other + i);
      if (i == kLastWord) {
        x &= kLastWordMask;
        y &= kLastWordMask;
      }
      if (x != y || i == kLastWord) break;
      i += 8;
    }
    const unsigned d = ((r - p) & (kWindow - 1)) - 1;
    if (x == y) {  // all 60 bytes
      best = kLookAhead << 16 | (0xFFFF - d);
      break;
    }
    best = std::max(best, (i + WordCommon(x ^ y)) << 16 | (0xFFFF - d));
    greater = WordGreater(x, y);
    next = greater ? right : left;
  }
  if (best >> 16 == kLookAhead) {
    ReplacePosition(t, p, r);
    return;
  }
  t.matchLength = 0;
  if (best >> 16 > kThreshold) {
    t.matchLength = static_cast<std::uint16_t>(best >> 16);
    t.matchPosition = static_cast<std::int16_t>(0xFFFF - (best & 0xFFFF));
  }
}

// Removes position p (the oldest, about to be overwritten) from its tree.
void DeletePosition(Tables& t, unsigned p) {
  Tables::Node* const node = t.node;
  const unsigned up = t.parent[p];
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
      const unsigned qUp = t.parent[q], qLeft = node[q].child[kLeft];
      node[qUp].child[kRight] = static_cast<std::uint16_t>(qLeft);
      t.parent[qLeft] = static_cast<std::uint16_t>(qUp);
      node[q].child[kLeft] = static_cast<std::uint16_t>(left);
      t.parent[left] = static_cast<std::uint16_t>(q);
    }
    node[q].child[kRight] = static_cast<std::uint16_t>(right);
    t.parent[right] = static_cast<std::uint16_t>(q);
  }
  t.parent[q] = static_cast<std::uint16_t>(up);
  // A tree root holds its tree on the right, so the left side is taken only below a position.
  node[up].child[node[up].child[kRight] == p ? kRight : kLeft] = static_cast<std::uint16_t>(q);
  t.parent[p] = kNil;
}

// ---------------------------------------------------------------------------------------------
// Symbols and distances.

// The path from the symbol's leaf up to the root, the bit just below the root sent first.
void EncodeSymbol(Tables& t, BitWriter& out, unsigned s) {
  std::uint32_t code = 0;
  unsigned length = 0;
  unsigned k = t.nodeParent[kNodes + s];
  do {
    code >>= 1;
    if (k & 1) code |= 0x80000000u;
    ++length;
    k = t.nodeParent[k];
  } while (k != kRoot);
  out.Put(length, code);
  UpdateModel(t, s);
}

void EncodeDistance(BitWriter& out, unsigned d) {
  const unsigned u = d >> 6;
  out.Put(kDistance.length[u], std::uint32_t{kDistance.pattern[u]} << 24);
  out.Put(6, (d & 0x3F) << 26);
}

unsigned DecodeSymbol(Tables& t, BitReader& in) {
  unsigned v = t.nodeChild[kRoot];
  while (v < kNodes) v = t.nodeChild[v + in.Bit()];
  v -= kNodes;
  UpdateModel(t, v);
  return v;
}

unsigned DecodeDistance(BitReader& in) {
  const unsigned x = in.Peek8();
  const unsigned high = kDistance.decodeHigh[x];
  in.Take(kDistance.decodeLength[x]);
  return high << 6 | in.Take(6);
}

}  // namespace

// ---------------------------------------------------------------------------------------------

std::int64_t Tlzh::Encode(TLzhSource& source, TLzhSink& sink) {
  std::unique_ptr<Tables> tables = AllocTables();
  Tables& t = *tables;
  Input input(source);
  BitWriter out(sink);

  StartModel(t);
  ResetTrees(t);
  unsigned s = 0, r = kStart;
  std::fill(t.window, t.window + kStart, kFill);

  int len = 0;
  for (std::uint8_t byte; len < static_cast<int>(kLookAhead) && input.Get(byte); ++len)
    t.window[r + len] = byte;
  std::int64_t inputCount = len;

  for (unsigned i = 1; i <= kLookAhead; ++i) InsertPosition(t, r - i);
  InsertPosition(t, r);

  do {
    if (t.matchLength > len) t.matchLength = static_cast<std::uint16_t>(len);
    if (t.matchLength <= kThreshold) {
      t.matchLength = 1;
      EncodeSymbol(t, out, t.window[r]);
    } else {
      EncodeSymbol(t, out, t.matchLength + kLengthBase);
      EncodeDistance(out, static_cast<unsigned>(t.matchPosition));
    }
    const unsigned last = t.matchLength;
    unsigned i = 0;
    for (std::uint8_t byte; i < last && input.Get(byte); ++i) {
      DeletePosition(t, s);
      t.window[s] = byte;
      if (s < kLookAhead - 1) t.window[s + kWindow] = byte;
      s = (s + 1) & (kWindow - 1);
      r = (r + 1) & (kWindow - 1);
      InsertPosition(t, r);
    }
    inputCount += i;
    // Input exhausted: slide over the rest of the coded bytes, which shortens the look-ahead.
    for (; i < last; ++i) {
      DeletePosition(t, s);
      s = (s + 1) & (kWindow - 1);
      r = (r + 1) & (kWindow - 1);
      if (--len) InsertPosition(t, r);
    }
  } while (len > 0);

  out.Flush();
  return inputCount;
}

std::int64_t Tlzh::Decode(std::int64_t count, TLzhSource& source, TLzhSink& sink) {
  std::unique_ptr<Tables> tables = AllocTables();
  Tables& t = *tables;
  BitReader in(source);

  StartModel(t);
  std::fill(t.window, t.window + kStart, kFill);
  unsigned r = kStart;
  std::int64_t written = 0;
  while (written < count) {
    in.Fill();
    const unsigned symbol = DecodeSymbol(t, in);
    if (symbol < 256) {
      if (in.Overrun()) break;
      const auto byte = static_cast<std::uint8_t>(symbol);
      Put(sink, byte);
      t.window[r] = byte;
      r = (r + 1) & (kWindow - 1);
      ++written;
    } else {
      const unsigned start = (r - DecodeDistance(in) - 1) & (kWindow - 1);
      if (in.Overrun()) break;
      const unsigned length = symbol - kLengthBase;
      for (unsigned k = 0; k < length; ++k) {
        const std::uint8_t byte = t.window[(start + k) & (kWindow - 1)];
        Put(sink, byte);
        t.window[r] = byte;
        r = (r + 1) & (kWindow - 1);
      }
      written += length;
    }
  }
  return written;
}

// ---------------------------------------------------------------------------------------------

TLzhVectorSink::TLzhVectorSink(std::vector<std::uint8_t>& out) : out_(out) {
  const std::size_t used = out_.size();
  out_.resize(used + 4096);
  next = out_.data() + used;
  end = out_.data() + out_.size();
}

void TLzhVectorSink::Drain() {
  const std::size_t used = static_cast<std::size_t>(next - out_.data());
  out_.resize(std::max<std::size_t>(out_.size() * 2, used + 4096));
  next = out_.data() + used;
  end = out_.data() + out_.size();
}

void TLzhVectorSink::Finish() {
  out_.resize(static_cast<std::size_t>(next - out_.data()));
  next = end = out_.data() + out_.size();
}
