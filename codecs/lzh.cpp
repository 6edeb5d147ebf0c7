#include "codecs/lzh.h"

#include <algorithm>
#include <memory>

#include "codecs/lzh_match.h"
#include "codecs/lzh_model.h"

using namespace lzh;

namespace {

// What one Encode works on; the finder's zero-filled window also fixes what the look-ahead holds
// past the end of a short input, which can steer the choice among equally long matches.
struct EncoderTables {
  MatchFinder finder;
  Model model;
};

struct DecoderTables {
  Model model;
  std::uint8_t window[kWindow];
};

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
// Symbols and distances.

// The path from the symbol's leaf up to the root, the bit just below the root sent first.
void EncodeSymbol(Model& m, BitWriter& out, unsigned s) {
  std::uint32_t code = 0;
  unsigned length = 0;
  unsigned k = m.nodeParent[kNodes + s];
  do {
    code >>= 1;
    if (k & 1) code |= 0x80000000u;
    ++length;
    k = m.nodeParent[k];
  } while (k != kRoot);
  out.Put(length, code);
  UpdateModel(m, s);
}

void EncodeDistance(BitWriter& out, unsigned d) {
  const unsigned u = d >> 6;
  out.Put(kDistance.length[u], std::uint32_t{kDistance.pattern[u]} << 24);
  out.Put(6, (d & 0x3F) << 26);
}

unsigned DecodeSymbol(Model& m, BitReader& in) {
  unsigned v = m.nodeChild[kRoot];
  while (v < kNodes) v = m.nodeChild[v + in.Bit()];
  v -= kNodes;
  UpdateModel(m, v);
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
  std::unique_ptr<EncoderTables> tables = AllocTables<EncoderTables>();
  MatchFinder& f = tables->finder;
  Model& model = tables->model;
  Input input(source);
  BitWriter out(sink);

  StartModel(model);
  f.Reset();
  unsigned s = 0, r = kStart;
  std::fill(f.window, f.window + kStart, kFill);

  int len = 0;
  for (std::uint8_t byte; len < static_cast<int>(kLookAhead) && input.Get(byte); ++len)
    f.Store(r + len, byte);
  std::int64_t inputCount = len;

  for (unsigned i = 1; i <= kLookAhead; ++i) f.Insert(r - i);
  f.Insert(r);

  do {
    unsigned length = std::min<unsigned>(f.matchLength, static_cast<unsigned>(len));
    if (length <= kThreshold) {
      length = 1;
      EncodeSymbol(model, out, f.window[r]);
    } else {
      EncodeSymbol(model, out, length + kLengthBase);
      EncodeDistance(out, static_cast<unsigned>(f.matchPosition));
    }
    unsigned i = 0;
    for (std::uint8_t byte; i < length && input.Get(byte); ++i) {
      f.Delete(s);
      f.Store(s, byte);
      s = (s + 1) & (kWindow - 1);
      r = (r + 1) & (kWindow - 1);
      f.Insert(r);
    }
    inputCount += i;
    // Input exhausted: slide over the rest of the coded bytes, which shortens the look-ahead.
    for (; i < length; ++i) {
      f.Delete(s);
      s = (s + 1) & (kWindow - 1);
      r = (r + 1) & (kWindow - 1);
      if (--len) f.Insert(r);
    }
  } while (len > 0);

  out.Flush();
  return inputCount;
}

std::int64_t Tlzh::Decode(std::int64_t count, TLzhSource& source, TLzhSink& sink) {
  std::unique_ptr<DecoderTables> tables = AllocTables<DecoderTables>();
  Model& model = tables->model;
  std::uint8_t* const window = tables->window;
  BitReader in(source);

  StartModel(model);
  std::fill(window, window + kStart, kFill);
  unsigned r = kStart;
  std::int64_t written = 0;
  while (written < count) {
    in.Fill();
    const unsigned symbol = DecodeSymbol(model, in);
    if (symbol < 256) {
      if (in.Overrun()) break;
      const auto byte = static_cast<std::uint8_t>(symbol);
      Put(sink, byte);
      window[r] = byte;
      r = (r + 1) & (kWindow - 1);
      ++written;
    } else {
      const unsigned start = (r - DecodeDistance(in) - 1) & (kWindow - 1);
      if (in.Overrun()) break;
      const unsigned length = symbol - kLengthBase;
      for (unsigned k = 0; k < length; ++k) {
        const std::uint8_t byte = window[(start + k) & (kWindow - 1)];
        Put(sink, byte);
        window[r] = byte;
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
