#include "codecs/lzh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <random>
#include <stdexcept>

#include "tests/codecs/codec_test_util.h"

namespace {

using codec_test::Bytes;

Bytes Encode(const Bytes& input) {
  Tlzh lzh;
  TLzhBufferSource source(input.data(), input.size());
  Bytes out;
  TLzhVectorSink sink(out);
  EXPECT_EQ(lzh.Encode(source, sink), static_cast<std::int64_t>(input.size()));
  sink.Finish();
  return out;
}

Bytes Decode(const Bytes& stream, std::int64_t count, std::int64_t* written = nullptr) {
  Tlzh lzh;
  TLzhBufferSource source(stream.data(), stream.size());
  Bytes out;
  TLzhVectorSink sink(out);
  const std::int64_t n = lzh.Decode(count, source, sink);
  sink.Finish();
  EXPECT_EQ(n, static_cast<std::int64_t>(out.size()));
  if (written) *written = n;
  return out;
}

// Hands out `chunk` bytes per refill, and checks that it is not asked again after the end.
class ChunkSource final : public TLzhSource {
 public:
  ChunkSource(const Bytes& data, std::size_t chunk) : data_(data), chunk_(chunk) {}
  bool Refill() override {
    if (ended_) throw std::logic_error("refilled after the end of the input");
    if (pos_ == data_.size()) {
      ended_ = true;
      return false;
    }
    const std::size_t n = std::min(chunk_, data_.size() - pos_);
    next = data_.data() + pos_;
    end = next + n;
    pos_ += n;
    ++refills;
    return true;
  }
  int refills = 0;

 private:
  const Bytes& data_;
  std::size_t chunk_, pos_ = 0;
  bool ended_ = false;
};

// Room for `room` bytes at a time.
class ChunkSink final : public TLzhSink {
 public:
  explicit ChunkSink(std::size_t room) : buffer_(room) { Reset(); }
  void Drain() override {
    Take();
    if (failAfter_ && out.size() >= failAfter_) throw std::runtime_error("disk full");
  }
  void Take() {
    out.insert(out.end(), buffer_.data(), next);
    Reset();
  }
  void FailAfter(std::size_t bytes) { failAfter_ = bytes; }
  Bytes out;

 private:
  void Reset() {
    next = buffer_.data();
    end = next + buffer_.size();
  }
  Bytes buffer_;
  std::size_t failAfter_ = 0;
};

// Data whose symbol counts grow like Fibonacci numbers, which pushes the rarest symbols deep into
// the Huffman tree: nine match lengths in the ratio 1.618 put a byte seen once about 18 levels
// down just before the counts are halved. The data copies its own recent bytes so that each copy
// is coded as one match of exactly the chosen length: the byte after a copy never continues any
// earlier occurrence of the copied bytes. A few fresh bytes in between are the rare literals.
Bytes SkewedBytes(std::size_t n) {
  static const unsigned kWeights[] = {1000, 618, 382, 236, 146, 90, 56, 34, 21};
  unsigned total = 0;
  for (unsigned w : kWeights) total += w;
  std::mt19937 rng(3);
  Bytes data = codec_test::RandomBytes(4000, 4);
  std::size_t last = 0;  // length of the last copy, 0 after a fresh byte
  bool follows[256];
  while (data.size() < n) {
    // Bytes that follow an earlier occurrence of the last copy within the window.
    std::fill(std::begin(follows), std::end(follows), false);
    if (last) {
      const std::uint8_t* tail = data.data() + data.size() - last;
      for (std::size_t p = data.size() - std::min<std::size_t>(data.size(), 4090);
           p + last < data.size(); ++p)
        if (data[p] == tail[0] && std::equal(tail, tail + last, data.begin() + p))
          follows[data[p + last]] = true;
    }
    if (rng() % 1000 < 3) {
      std::uint8_t b;
      do b = static_cast<std::uint8_t>(rng());
      while (follows[b]);
      data.push_back(b);
      last = 0;
      continue;
    }
    unsigned pick = rng() % total, k = 0;
    while (pick >= kWeights[k]) pick -= kWeights[k++];
    const std::size_t length = 3 + k;
    std::size_t from;
    do from = data.size() - 4000 + rng() % (4000 - length - 1);
    while (follows[data[from]]);
    for (std::size_t i = 0; i < length; ++i) data.push_back(data[from + i]);
    last = length;
  }
  return data;
}

TEST(Lzh, EncodesTheKnownVectors) {
  // Three literals of 9 bits and five padding bits.
  EXPECT_EQ(Encode(Bytes{'a', 'b', 'c'}), (Bytes{0xF6, 0xFB, 0xBD, 0xE0}));
  // A literal, then length 9 at distance code 0 (prefix 000 and six 0 bits).
  EXPECT_EQ(Encode(Bytes(10, 'a')), (Bytes{0xF6, 0xC9, 0x00, 0x00}));
}

// 64-bit FNV-1a, enough to pin a stream without storing it.
// Random blocks copied again, each copy longer than a match, from just behind and from about the
// window's size back: chains of full matches start, outlive the positions they copy from, break
// off at a fresh byte and start again.
Bytes RepeatedBytes() {
  static const std::size_t kDistances[] = {1, 2, 7, 61, 300, 4030, 4035, 4036, 4037, 4095};
  std::mt19937 rng(5);
  Bytes data = codec_test::RandomBytes(5000, 6);
  for (unsigned k = 0; k < 80; ++k) {
    const std::size_t distance = kDistances[k % 10], length = 61 + rng() % 600;
    for (std::size_t i = 0; i < length; ++i) data.push_back(data[data.size() - distance]);
    const std::size_t freshLength = 1 + rng() % 20;  // apart: argument order is unspecified
    const Bytes fresh = codec_test::RandomBytes(freshLength, static_cast<std::uint32_t>(rng()));
    data.insert(data.end(), fresh.begin(), fresh.end());
  }
  return data;
}

std::uint64_t Fnv1a(const Bytes& data) {
  std::uint64_t h = 0xCBF29CE484222325u;
  for (std::uint8_t b : data) h = (h ^ b) * 0x100000001B3u;
  return h;
}

TEST(Lzh, StreamsStayExactlyAsTheyWere) {
  // The encoder's match choice and model updates fix every bit of a stream, and streams written
  // once must decode the same forever: any change to the encoder's speed work that alters a
  // choice (a different match among equals, a skipped node, a reordered update) shows up here.
  // The figures were taken from the encoder before it was tuned.
  struct Case {
    const char* name;
    Bytes input;
    std::size_t size;
    std::uint64_t hash;
  };
  Bytes periodic;
  for (std::size_t i = 0; i < 50000; ++i) periodic.push_back(static_cast<std::uint8_t>(i % 7 * 31));
  const Case cases[] = {
      {"empty", Bytes{}, 2u, 0x0AB83C07B710085Bu},
      {"text", codec_test::TextBytes(100000, 11), 20535u, 0xA5D3877409FDFFBDu},
      {"random", codec_test::RandomBytes(20000, 12), 20121u, 0xECD3EE7F33FAEB24u},
      {"run", Bytes(30000, 'z'), 666u, 0xF03462A0B77C8F1Bu},
      {"periodic", periodic, 1091u, 0xEB9319E066CB78CAu},
      {"mixed", codec_test::MixedBytes(250000, 13), 41308u, 0xBD792B0B3E2C5CECu},
      {"skewed", SkewedBytes(120000), 54843u, 0x39CFD6DCB9FCE5AFu},
  };
  for (const Case& c : cases) {
    const Bytes stream = Encode(c.input);
    EXPECT_EQ(stream.size(), c.size) << c.name;
    EXPECT_EQ(Fnv1a(stream), c.hash) << c.name;
  }
}

TEST(Lzh, LongRepeatsCodeAsTheyAlwaysHave) {
  // Inside a long repeat the encoder skips the tree descent for keys it has just seen again; the
  // stream must still be the one the full descent gave (figures from the encoder before that),
  // also where the copied positions have already left the window.
  const Bytes input = RepeatedBytes();
  const Bytes stream = Encode(input);
  EXPECT_EQ(stream.size(), 11888u);
  EXPECT_EQ(Fnv1a(stream), 0x64B0C0B8535A21DCu);
  ASSERT_EQ(Decode(stream, static_cast<std::int64_t>(input.size())), input);
}

// Inputs whose search trees grow long one-sided chains, where the encoder takes short cuts:
// rising numbers as text, and table records with rising keys stored high byte first, both
// broken now and then by random bytes and by falling runs, so that chains turn, positions inside
// them are removed, moved and replaced, and the short cuts over them must go.
Bytes RisingKeys(std::uint32_t seed) {
  std::mt19937 rng(seed);
  Bytes data;
  std::uint32_t number = 1000 + rng() % 100000, key = rng() % 50000;
  while (data.size() < 300000) {
    switch (rng() % 8) {
      case 0: {                                      // noise
        const std::size_t length = 1 + rng() % 200;  // apart: argument order is unspecified
        const Bytes noise = codec_test::RandomBytes(length, static_cast<std::uint32_t>(rng()));
        data.insert(data.end(), noise.begin(), noise.end());
        break;
      }
      case 1:  // falling numbers
        for (unsigned n = 0, count = 10 + rng() % 300; n < count; ++n)
          for (char c : std::to_string(number + count - n) + ';')
            data.push_back(static_cast<std::uint8_t>(c));
        break;
      case 2:
      case 3:
      case 4:  // records: key high byte first, a small field, zeros
        for (unsigned n = 0, count = 20 + rng() % 600; n < count; ++n, key += 1 + rng() % 3) {
          for (int b = 3; b >= 0; --b) data.push_back(static_cast<std::uint8_t>(key >> 8 * b));
          data.push_back(static_cast<std::uint8_t>(rng() % 4));
          data.insert(data.end(), 11, 0);
        }
        break;
      default:  // numbered lines
        for (unsigned n = 0, count = 50 + rng() % 2000; n < count; ++n, ++number)
          for (char c : std::to_string(number) + '\n') data.push_back(static_cast<std::uint8_t>(c));
    }
  }
  return data;
}

TEST(Lzh, RisingKeysCodeAsTheyAlwaysHave) {
  // The short cuts down long chains must change nothing: figures from the encoder before them.
  struct Case {
    std::uint32_t seed;
    std::size_t size;
    std::uint64_t hash;
  };
  const Case cases[] = {
      {1, 83342u, 0x6446AC2E18621A53u},
      {2, 95946u, 0x3874B004D6405A61u},
      {3, 97201u, 0x0D5EEB49D45058A8u},
  };
  for (const Case& c : cases) {
    const Bytes input = RisingKeys(c.seed);
    const Bytes stream = Encode(input);
    EXPECT_EQ(stream.size(), c.size) << c.seed;
    EXPECT_EQ(Fnv1a(stream), c.hash) << c.seed;
    EXPECT_EQ(Decode(stream, static_cast<std::int64_t>(input.size())), input) << c.seed;
  }
}

TEST(Lzh, EmptyInputGivesAShortStreamThatDecodesToNothing) {
  const Bytes stream = Encode(Bytes{});
  EXPECT_GE(stream.size(), 1u);
  EXPECT_LE(stream.size(), 2u);
  // A decoder asked for nothing reads nothing.
  Tlzh lzh;
  ChunkSource source(stream, 1);
  ChunkSink sink(16);
  EXPECT_EQ(lzh.Decode(0, source, sink), 0);
  EXPECT_EQ(source.refills, 0);
}

TEST(Lzh, RoundTripsEverySmallInput) {
  // Short inputs end with matches cut to the bytes left, cut matches of 1 or 2 bytes sent as
  // literals, and look-ahead positions that hold no input.
  for (std::size_t n = 0; n <= 130; ++n) {
    for (const Bytes& input : {Bytes(n, 'x'), codec_test::TextBytes(n, 1),
                               codec_test::MixedBytes(n, static_cast<std::uint32_t>(n))}) {
      ASSERT_EQ(Decode(Encode(input), static_cast<std::int64_t>(n)), input) << "size " << n;
    }
  }
}

TEST(Lzh, RoundTripsLongInputsAcrossTheWindowAndTheFrequencyLimit) {
  // Far more than 32455 symbols each, so the counts are halved many times; long runs and text
  // wrap the window many times over.
  for (const Bytes& input : {codec_test::RandomBytes(150000, 1), codec_test::TextBytes(300000, 2),
                             codec_test::MixedBytes(300000, 3), Bytes(200000, 0)}) {
    const Bytes stream = Encode(input);
    ASSERT_EQ(Decode(stream, static_cast<std::int64_t>(input.size())), input);
  }
}

TEST(Lzh, RoundTripsSymbolCodesLongerThan16Bits) {
  const Bytes input = SkewedBytes(800000);
  ASSERT_EQ(Decode(Encode(input), static_cast<std::int64_t>(input.size())), input);
}

TEST(Lzh, OutputDoesNotDependOnHowTheBytesAreBuffered) {
  const Bytes input = codec_test::MixedBytes(70000, 9);
  const Bytes reference = Encode(input);
  Tlzh lzh;
  ChunkSource source(input, 1);
  ChunkSink sink(1);
  EXPECT_EQ(lzh.Encode(source, sink), static_cast<std::int64_t>(input.size()));
  sink.Take();
  EXPECT_EQ(sink.out, reference);

  ChunkSource streamSource(reference, 3);
  ChunkSink decoded(7);
  EXPECT_EQ(lzh.Decode(static_cast<std::int64_t>(input.size()), streamSource, decoded),
            static_cast<std::int64_t>(input.size()));
  decoded.Take();
  EXPECT_EQ(decoded.out, input);
}

TEST(Lzh, DecoderStopsAtTheFirstCodeThatReachesTheCount) {
  const Bytes input = codec_test::TextBytes(5000, 4);
  const Bytes stream = Encode(input);
  for (std::int64_t count : {1, 100, 2500, 4999}) {
    std::int64_t written = 0;
    const Bytes out = Decode(stream, count, &written);
    EXPECT_GE(written, count);
    EXPECT_LT(written, count + 60);  // at most one match past the count
    EXPECT_TRUE(std::equal(out.begin(), out.end(), input.begin()));
  }
}

TEST(Lzh, StreamThatRunsOutStopsShortOfTheCount) {
  // A valid stream never needs a bit past its last byte; one cut short or decoded with too large
  // a count stops at the first code that does, instead of producing junk up to the count.
  const Bytes input = codec_test::TextBytes(20000, 5);
  const Bytes stream = Encode(input);
  std::int64_t written = 0;
  Decode(stream, static_cast<std::int64_t>(input.size()) + 1, &written);
  EXPECT_EQ(written, static_cast<std::int64_t>(input.size()));

  for (std::size_t cut = 0; cut < stream.size(); cut += 97) {
    const Bytes part(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(cut));
    const Bytes out = Decode(part, static_cast<std::int64_t>(input.size()), &written);
    EXPECT_LT(written, static_cast<std::int64_t>(input.size())) << "cut at " << cut;
    EXPECT_TRUE(std::equal(out.begin(), out.end(), input.begin())) << "cut at " << cut;
  }

  // Garbage with an absurd count ends within a few codes of its end.
  const Bytes garbage = codec_test::RandomBytes(1000, 6);
  Decode(garbage, std::int64_t{1} << 40, &written);
  EXPECT_LT(written, 1000 * 8 * 60);
}

TEST(Lzh, ExceptionsOfTheSinkPassThrough) {
  const Bytes input = codec_test::RandomBytes(50000, 8);
  Tlzh lzh;
  ChunkSource source(input, 4096);
  ChunkSink sink(1024);
  sink.FailAfter(8192);
  EXPECT_THROW(lzh.Encode(source, sink), std::runtime_error);
}

}  // namespace
