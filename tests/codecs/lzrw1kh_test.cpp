#include "codecs/lzrw1kh.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/codecs/codec_test_util.h"

namespace {

using codec_test::Bytes;

Bytes Compress(TLZRW1KH& codec, const Bytes& source) {
  // Exactly as much room as the codec promises to need; ASan builds catch any byte more.
  Bytes dest(source.size() + 1);
  const std::uint16_t n =
      codec.CompressBlock(source.data(), dest.data(), static_cast<std::uint16_t>(source.size()));
  EXPECT_LE(n, source.size() + 1);
  dest.resize(n);
  return dest;
}

Bytes Decompress(TLZRW1KH& codec, const Bytes& block, std::size_t capacity = 32768) {
  Bytes dest(capacity);
  const std::uint16_t n =
      codec.DecompressBlock(block.data(), dest.data(), static_cast<std::uint16_t>(block.size()),
                            static_cast<std::uint16_t>(capacity));
  dest.resize(n);
  return dest;
}

Bytes Repeat(std::uint8_t byte, std::size_t n) { return Bytes(n, byte); }

Bytes Ascii(const std::string& s) { return Bytes(s.begin(), s.end()); }

TEST(Lzrw1khBlock, EncodesTheKnownVectors) {
  TLZRW1KH codec;
  // Eight maximal runs, a literal and a copy of distance 1, length 7.
  Bytes full = {0x40, 0xFF, 0x40};
  for (int i = 0; i < 8; ++i) full.insert(full.end(), {0x00, 0x0F, 0xEF, 0x41});
  full.insert(full.end(), {0x41, 0x00, 0x14});
  EXPECT_EQ(Compress(codec, Repeat(0x41, 32768)), full);
  EXPECT_EQ(full.size(), 38u);

  EXPECT_EQ(Compress(codec, Ascii("abcabcabcabcabcabc")),
            (Bytes{0x40, 0x10, 0x00, 0x61, 0x62, 0x63, 0x00, 0x3C}));
  EXPECT_EQ(Compress(codec, Ascii("ABCDEFGHIJ")),
            (Bytes{0x80, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A}));
  EXPECT_EQ(Compress(codec, Bytes{}), Bytes{0x80});
}

TEST(Lzrw1khBlock, RunsStartAtSixteenAndEndAt4095) {
  TLZRW1KH codec;
  EXPECT_EQ(Compress(codec, Repeat(0x41, 15)), (Bytes{0x40, 0x40, 0x00, 0x41, 0x00, 0x1B}));
  EXPECT_EQ(Compress(codec, Repeat(0x41, 16)), (Bytes{0x40, 0x80, 0x00, 0x00, 0x00, 0x00, 0x41}));
  EXPECT_EQ(Compress(codec, Repeat(0x41, 4095)), (Bytes{0x40, 0x80, 0x00, 0x00, 0x0F, 0xEF, 0x41}));
  EXPECT_EQ(Compress(codec, Repeat(0x41, 4096)),
            (Bytes{0x40, 0x80, 0x00, 0x00, 0x0F, 0xEF, 0x41, 0x41}));
}

// Every literal adds one byte to both sides; every new control word tips the balance by two, so
// growing the tail walks the encoded length across the source length.
TEST(Lzrw1khBlock, KeepsTheCompressedFormUpToTheSourceLength) {
  TLZRW1KH codec;
  bool sawEqual = false, sawStored = false;
  for (int tail = 0; tail < 128 && !sawStored; ++tail) {
    Bytes source = Ascii("abcabcabcabcabcabc");
    for (int i = 0; i < tail; ++i) source.push_back(static_cast<std::uint8_t>(0x80 + i));
    const Bytes block = Compress(codec, source);
    if (block[0] == 0x40) {
      EXPECT_LE(block.size(), source.size());
      sawEqual = sawEqual || block.size() == source.size();
    } else {
      ASSERT_TRUE(sawEqual) << "stored before the compressed form reached the source length";
      EXPECT_EQ(block[0], 0x80);
      EXPECT_EQ(block.size(), source.size() + 1);
      sawStored = true;
    }
    EXPECT_EQ(Decompress(codec, block), source);
  }
  EXPECT_TRUE(sawStored);
}

TEST(Lzrw1khBlock, RoundTripsEveryKindOfData) {
  TLZRW1KH codec;
  const std::size_t sizes[] = {1, 2, 3, 4, 17, 18, 19, 100, 4095, 4096, 4097, 32767, 32768};
  std::uint32_t seed = 1;
  for (std::size_t n : sizes) {
    for (const Bytes& source : {codec_test::RandomBytes(n, seed), codec_test::TextBytes(n, seed),
                                codec_test::MixedBytes(n, seed), Repeat(0, n)}) {
      const Bytes block = Compress(codec, source);
      ASSERT_EQ(Decompress(codec, block), source) << "size " << n << " seed " << seed;
      ++seed;
    }
  }
}

TEST(Lzrw1khBlock, SameBlockGivesSameOutputWhateverCameBefore) {
  TLZRW1KH codec;
  const Bytes a = codec_test::TextBytes(32768, 7);
  const Bytes first = Compress(codec, a);
  Compress(codec, codec_test::TextBytes(32768, 8));
  EXPECT_EQ(Compress(codec, a), first);
  TLZRW1KH other;
  EXPECT_EQ(Compress(other, a), first);
}

TEST(Lzrw1khBlock, DecodesShortAndOddlyFlaggedBlocks) {
  TLZRW1KH codec;
  EXPECT_TRUE(Decompress(codec, Bytes{}).empty());
  EXPECT_TRUE(Decompress(codec, Bytes{0x80}).empty());
  EXPECT_TRUE(Decompress(codec, Bytes{0x40}).empty());
  EXPECT_TRUE(Decompress(codec, Bytes{0x40, 0xFF}).empty());
  EXPECT_TRUE(Decompress(codec, Bytes{0x40, 0xFF, 0xFF}).empty());
  // Any flag but 0x80 reads as the compressed form.
  EXPECT_EQ(Decompress(codec, Bytes{0x00, 0x10, 0x00, 0x61, 0x62, 0x63, 0x00, 0x3C}),
            Ascii("abcabcabcabcabcabc"));
  // A copy whose distance is shorter than its length repeats a pattern.
  EXPECT_EQ(Decompress(codec, Bytes{0x40, 0x40, 0x00, 0x61, 0x00, 0x1F}), Repeat('a', 19));
}

TEST(Lzrw1khBlock, RejectsDamagedBlocksWithoutTouchingOtherMemory) {
  TLZRW1KH codec;
  const Bytes damaged[] = {
      {0x40, 0x80, 0x00, 0x00, 0x10},        // copy reaching before the output
      {0x40, 0x40, 0x00, 0x61, 0x00, 0x20},  // distance 2 with one byte produced
      {0x40, 0x40, 0x00, 0x61, 0x00},        // copy cut short
      {0x40, 0x80, 0x00, 0x00, 0x00, 0x00},  // run cut short
      {0x40, 0x80, 0x00, 0x00, 0x00},        // run cut shorter
      {0x40, 0x00, 0x00, 0x61, 0x62, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68,
       0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6E, 0x6F, 0x70, 0x00, 0x00},  // a control word with no item
                                                                     // after it
  };
  for (const Bytes& block : damaged)
    EXPECT_THROW(Decompress(codec, block), ELzrw1KHCompressor) << testing::PrintToString(block);

  // Output beyond the destination's room: a 4095-byte run into 100 bytes, a stored block into
  // fewer bytes than it holds. The bytes after the room must stay untouched.
  Bytes dest(200, 0xEE);
  const Bytes run = {0x40, 0x80, 0x00, 0x00, 0x0F, 0xEF, 0x41};
  EXPECT_THROW(codec.DecompressBlock(run.data(), dest.data(), 7, 100), ELzrw1KHCompressor);
  const Bytes stored = {0x80, 1, 2, 3, 4, 5};
  EXPECT_THROW(codec.DecompressBlock(stored.data(), dest.data(), 6, 4), ELzrw1KHCompressor);
  for (std::size_t i = 100; i < dest.size(); ++i) ASSERT_EQ(dest[i], 0xEE) << i;
  EXPECT_EQ(codec.DecompressBlock(stored.data(), dest.data(), 6, 5), 5);
}

TEST(Lzrw1khBlock, FindsTheFarthestAndLongestCopy) {
  TLZRW1KH codec;
  // 18 distinct bytes, a run (whose positions never enter the hash table), and the 18 bytes
  // again 4095 bytes after the first time.
  Bytes source = Ascii("0123456789ABCDEFGH");
  source.resize(4095, 0);
  source.insert(source.end(), source.begin(), source.begin() + 18);
  const Bytes block = Compress(codec, source);
  EXPECT_EQ(Decompress(codec, block), source);
  // The last item: distance 4095, length 18.
  ASSERT_GE(block.size(), 2u);
  EXPECT_EQ(block[block.size() - 2], 0xFF);
  EXPECT_EQ(block[block.size() - 1], 0xFF);
}

}  // namespace
