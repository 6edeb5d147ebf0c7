#include "codecs/lzrw1.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <vector>

#include "platform/file.h"
#include "platform/ui.h"
#include "tests/codecs/codec_test_util.h"

namespace {

using codec_test::Bytes;
using codec_test::TempDir;

// The message of the ELzrw1Exception that fn throws; a test failure when it throws nothing or
// something else.
std::string ErrorOf(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const ELzrw1Exception& e) {
    return e.Message();
  } catch (const std::exception& e) {
    ADD_FAILURE() << "unexpected exception: " << e.what();
    return {};
  }
  ADD_FAILURE() << "no exception";
  return {};
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

class Lzrw1Test : public testing::Test {
 protected:
  // Compresses "in" into "z" with the mode; returns Compress's result.
  std::int32_t CompressAs(TCompressMode mode, const std::string& in = "in",
                          const std::string& out = "z") {
    c.InputFile = dir.Path(in);
    c.OutputFile = dir.Path(out);
    c.CompressMode = mode;
    return c.Compress();
  }
  std::int32_t Expand(const std::string& in = "z", const std::string& out = "out") {
    c.InputFile = dir.Path(in);
    c.OutputFile = dir.Path(out);
    return c.Decompress();
  }
  // What Decompress says about the file "bad"; the output must be gone afterwards.
  std::string ExpandError(const Bytes& file) {
    dir.Write("bad", file);
    const std::string message = ErrorOf([&] { Expand("bad", "out"); });
    EXPECT_FALSE(dir.Exists("out")) << "partial output left behind";
    return message;
  }

  TempDir dir;
  Tlzrw1 c;
};

TEST_F(Lzrw1Test, WritesTheKnownFiles) {
  std::vector<std::int32_t> percents;
  c.OnFinished = [&](TObject* sender, std::int32_t percent) {
    EXPECT_EQ(sender, &c);
    percents.push_back(percent);
  };
  dir.Write("in", {'a', 'b', 'c'});
  EXPECT_EQ(CompressAs(TCompressMode::Good), 12);
  EXPECT_EQ(dir.Read("z"),
            (Bytes{0x21, 0x48, 0x5A, 0x4C, 0x03, 0x00, 0x00, 0x00, 0xF6, 0xFB, 0xBD, 0xE0}));
  EXPECT_EQ(CompressAs(TCompressMode::Fast), 14);
  EXPECT_EQ(dir.Read("z"), (Bytes{0x57, 0x52, 0x5A, 0x4C, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x80,
                                  0x61, 0x62, 0x63}));
  EXPECT_EQ(percents, (std::vector<std::int32_t>{400, 466}));

  dir.Write("in", {});
  EXPECT_EQ(CompressAs(TCompressMode::Fast), 8);
  EXPECT_EQ(dir.Read("z"), (Bytes{0x57, 0x52, 0x5A, 0x4C, 0x00, 0x00, 0x00, 0x00}));
  EXPECT_EQ(percents.back(), 0);  // nothing compressed: no division by zero
  EXPECT_EQ(Expand(), 0);
  EXPECT_TRUE(dir.Exists("out"));
  EXPECT_TRUE(dir.Read("out").empty());
}

TEST_F(Lzrw1Test, RoundTripsInEveryMode) {
  const std::size_t sizes[] = {0, 1, 32767, 32768, 32769, 65536, 100000, 300000};
  for (std::size_t n : sizes) {
    const Bytes data = codec_test::MixedBytes(n, static_cast<std::uint32_t>(n));
    dir.Write("in", data);
    for (TCompressMode mode : {TCompressMode::Good, TCompressMode::Fast, TCompressMode::Auto}) {
      const std::int32_t written = CompressAs(mode);
      EXPECT_EQ(written, static_cast<std::int32_t>(std::filesystem::file_size(dir.Host("z"))));
      EXPECT_EQ(Expand(), static_cast<std::int32_t>(n));
      ASSERT_EQ(dir.Read("out"), data) << "size " << n << " mode " << int(mode);
    }
  }
}

// A listing reads the method and size from the first bytes and the file's size alone.
TEST_F(Lzrw1Test, HeaderTellsMethodAndSizeOrThatItIsDamaged) {
  using K = TCompressedHeader::TKind;
  auto read = [](const Bytes& b, std::int64_t fileSize) {
    return TCompressedHeader::Read(b.data(), std::min<std::size_t>(b.size(), 8), fileSize);
  };
  for (std::size_t n : {std::size_t{0}, std::size_t{70000}}) {
    dir.Write("in", codec_test::MixedBytes(n, 7));
    for (TCompressMode mode : {TCompressMode::Good, TCompressMode::Fast}) {
      const Bytes z = (CompressAs(mode), dir.Read("z"));
      const auto h = read(z, static_cast<std::int64_t>(z.size()));
      EXPECT_EQ(h.Kind, mode == TCompressMode::Fast ? K::Fast : K::Good) << n;
      EXPECT_EQ(h.Size, static_cast<std::int32_t>(n));
    }
  }
  const Bytes fast = dir.Read("z");  // 70000 bytes: three block records
  const auto size = static_cast<std::int64_t>(fast.size());
  Bytes negative = fast;
  negative[7] = 0x80;
  EXPECT_EQ(read(negative, size).Kind, K::Damaged);
  Bytes tooLarge = fast;  // nearly 2 GB needs more block records than these bytes can hold
  tooLarge[4] = tooLarge[5] = tooLarge[6] = 0, tooLarge[7] = 0x7F;
  EXPECT_EQ(read(tooLarge, size).Kind, K::Damaged);
  Bytes tooSmall = fast;  // an empty file has no block records at all
  tooSmall[4] = tooSmall[5] = tooSmall[6] = tooSmall[7] = 0;
  EXPECT_EQ(read(tooSmall, size).Kind, K::Damaged);
  EXPECT_EQ(read(fast, 6).Kind, K::Damaged);  // cut inside the header
  EXPECT_EQ(read(Bytes(fast.begin(), fast.begin() + 4), 4).Kind, K::Damaged);
  EXPECT_EQ(read(Bytes{'W', 'R', 'Z', 'X', 0, 0, 0, 0}, 8).Kind, K::NotCompressed);
  EXPECT_EQ(read(Bytes{'W', 'R'}, 2).Kind, K::NotCompressed);
}

TEST_F(Lzrw1Test, FastBodyIsOneRecordPer32768Bytes) {
  TLZRW1KH kh;
  const Bytes data = codec_test::TextBytes(100000, 1);
  std::int32_t expected = 8;
  Bytes block(32769);
  for (std::size_t at = 0; at < data.size(); at += 32768) {
    const auto n = static_cast<std::uint16_t>(std::min<std::size_t>(32768, data.size() - at));
    expected += 2 + kh.CompressBlock(data.data() + at, block.data(), n);
  }
  dir.Write("in", data);
  std::int32_t percent = -1;
  c.OnFinished = [&](TObject*, std::int32_t p) { percent = p; };
  EXPECT_EQ(CompressAs(TCompressMode::Fast), expected);
  EXPECT_EQ(percent, expected * 100 / 100000);

  // Expansion reports one step per record: 32768 bytes each, then the short one.
  std::vector<std::int32_t> outSizes;
  c.OnProgress = [&](TObject*, std::int32_t, std::int32_t out) { outSizes.push_back(out); };
  EXPECT_EQ(Expand(), 100000);
  EXPECT_EQ(outSizes, (std::vector<std::int32_t>{32768, 65536, 98304, 100000}));
  EXPECT_EQ(c.InSize(), expected);  // every byte of the file, the header included
  EXPECT_EQ(c.OutSize(), 100000);
}

TEST_F(Lzrw1Test, ProgressCountsAndYieldsAsItGoes) {
  struct CountingUi : platform::UserInterface {
    int ShowMessage(const std::string&, platform::MsgType, unsigned) override {
      return platform::mrNone;
    }
    void ProcessMessages() override { ++yields; }
    int yields = 0;
  } ui;
  auto current = platform::SetUi(&ui);
  const Bytes data = codec_test::TextBytes(200000, 2);
  dir.Write("in", data);
  for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
    ui.yields = 0;
    std::int32_t lastIn = 0, lastOut = 0;
    c.OnProgress = [&](TObject* sender, std::int32_t in, std::int32_t out) {
      EXPECT_EQ(sender, &c);
      EXPECT_GE(in, lastIn);
      EXPECT_GE(out, lastOut);
      lastIn = in;
      lastOut = out;
    };
    const std::int32_t written = CompressAs(mode);
    EXPECT_EQ(lastIn, 200000);
    EXPECT_EQ(lastOut, written);
    EXPECT_GE(ui.yields, 7);  // at least one per 32768 bytes read
    ui.yields = 0;
    lastIn = lastOut = 0;
    EXPECT_EQ(Expand(), 200000);
    EXPECT_EQ(lastIn, written);
    EXPECT_EQ(lastOut, 200000);
    EXPECT_GE(ui.yields, 7);
  }
}

TEST_F(Lzrw1Test, AutoPicksByTwoSamples) {
  // Under three blocks: Good without a trial, and the component stays in Good.
  dir.Write("in", Bytes(98303, 0));
  CompressAs(TCompressMode::Auto);
  EXPECT_EQ(dir.Read("z")[0], '!');
  EXPECT_EQ(c.CompressMode, TCompressMode::Good);

  // The samples start at size / 3 and 2 * size / 3, rounded down to 32768: only those blocks
  // decide. 98304 bytes: 32768 and 65536; 300000 bytes: 98304 and 196608.
  for (std::size_t size : {98304u, 300000u}) {
    const std::size_t first = size / 3 / 32768 * 32768, second = size * 2 / 3 / 32768 * 32768;
    Bytes compressibleSamples = codec_test::RandomBytes(size, 5);
    Bytes randomSamples(size, 0);
    for (std::size_t at : {first, second}) {
      const Bytes noise = codec_test::RandomBytes(32768, static_cast<std::uint32_t>(at));
      for (std::size_t i = 0; i < 32768 && at + i < size; ++i) {
        compressibleSamples[at + i] = 0;
        randomSamples[at + i] = noise[i];
      }
    }
    dir.Write("in", compressibleSamples);
    c.CompressMode = TCompressMode::Auto;
    EXPECT_EQ(c.Advise(), TCompressMode::Fast) << size;
    CompressAs(TCompressMode::Auto);
    EXPECT_EQ(dir.Read("z")[0], 'W');
    EXPECT_EQ(c.CompressMode, TCompressMode::Auto);  // a trial leaves the mode alone
    dir.Write("in", randomSamples);
    EXPECT_EQ(c.Advise(), TCompressMode::Good) << size;
  }
}

TEST_F(Lzrw1Test, InputIsOnlyRead) {
  const Bytes data = codec_test::TextBytes(50000, 3);
  dir.Write("in", data);
  std::filesystem::permissions(dir.Host("in"), std::filesystem::perms::owner_read |
                                                   std::filesystem::perms::group_read |
                                                   std::filesystem::perms::others_read);
  // Another program reading it at the same time.
  platform::File reader;
  ASSERT_TRUE(reader.Open(dir.Path("in"), platform::OpenMode::Read));
  for (TCompressMode mode : {TCompressMode::Good, TCompressMode::Fast}) {
    CompressAs(mode);
    EXPECT_EQ(Expand(), 50000);
    EXPECT_EQ(dir.Read("out"), data);
  }
  c.CompressMode = TCompressMode::Auto;
  EXPECT_EQ(c.Advise(), TCompressMode::Good);
}

TEST_F(Lzrw1Test, ReportsFilesItCannotOpen) {
  c.InputFile = dir.Path("missing");
  c.OutputFile = dir.Path("z");
  EXPECT_EQ(ErrorOf([&] { c.Compress(); }), "Lzrw1 : Cannot obtain size of " + c.InputFile);
  EXPECT_EQ(ErrorOf([&] { c.Advise(); }), "Lzrw1 : Cannot obtain size of " + c.InputFile);
  EXPECT_EQ(ErrorOf([&] { c.Decompress(); }), "Lzrw1 : Inputfile " + c.InputFile + " not found !");
  EXPECT_FALSE(dir.Exists("z"));

  // An output that is the input would be emptied before it is read.
  dir.Write("in", {'a', 'b', 'c'});
  c.InputFile = c.OutputFile = dir.Path("in");
  EXPECT_EQ(ErrorOf([&] { c.Compress(); }),
            "Lzrw1 : Outputfile " + c.OutputFile + " can not be opened !");
  EXPECT_EQ(ErrorOf([&] { c.Decompress(); }),
            "Lzrw1 : Outputfile " + c.OutputFile + " can not be opened !");
  EXPECT_EQ(dir.Read("in"), (Bytes{'a', 'b', 'c'}));

  c.OutputFile = dir.Path("no-such-dir") + "\\z";  // a host name may hold a backslash
  EXPECT_EQ(ErrorOf([&] { c.Compress(); }),
            "Lzrw1 : Outputfile " + c.OutputFile + " can not be opened !");
  EXPECT_EQ(dir.Read("in"), (Bytes{'a', 'b', 'c'}));
}

TEST_F(Lzrw1Test, RefusesInputsOf2GBOrMore) {
  // Sparse: no disk space is used, and the size is refused before anything is read.
  { std::ofstream(dir.Host("huge"), std::ios::binary); }
  std::filesystem::resize_file(dir.Host("huge"), std::uintmax_t{1} << 31);
  EXPECT_EQ(ErrorOf([&] { CompressAs(TCompressMode::Fast, "huge"); }),
            "Lzrw1 : " + dir.Path("huge") + " : FILE TOO LARGE (2 GB OR MORE) !");
  EXPECT_FALSE(dir.Exists("z"));
  // Sampling such a file works: a third and two thirds of 3 GB lie beyond 32-bit arithmetic.
  std::filesystem::resize_file(dir.Host("huge"), std::uintmax_t{3} << 30);
  c.InputFile = dir.Path("huge");
  EXPECT_EQ(c.Advise(), TCompressMode::Fast);
}

TEST_F(Lzrw1Test, FinishedHandlerFailures) {
  dir.Write("in", codec_test::TextBytes(1000, 4));
  c.OnFinished = [](TObject*, std::int32_t) {
    throw ELzrw1Exception(ELzrw1Exception::TKind::Other, "handler");
  };
  // Compress has closed its files when the event fires: the output stays.
  EXPECT_EQ(ErrorOf([&] { CompressAs(TCompressMode::Good); }), "handler");
  EXPECT_TRUE(dir.Exists("z"));
  // Decompress fires it before it is done: the output goes.
  EXPECT_EQ(ErrorOf([&] { Expand(); }), "handler");
  EXPECT_FALSE(dir.Exists("out"));
}

TEST_F(Lzrw1Test, RejectsFilesThatAreNotCompressed) {
  const std::string name = dir.Path("bad");
  EXPECT_EQ(ExpandError({'P', 'K', 0x03, 0x04, 0, 0, 0, 0}),
            "Lzrw1 : " + name + " : NOT A COMPRESSED FILE !");
  EXPECT_EQ(ExpandError({'W', 'R', 'Z'}), "Lzrw1 : ERROR READING FROM " + name + " !");
  EXPECT_EQ(ExpandError({'W', 'R', 'Z', 'L', 0}), "Lzrw1 : ERROR READING FROM " + name + " !");
  EXPECT_EQ(ExpandError({'!', 'H', 'Z', 'L'}), "Lzrw1 : ERROR READING FROM " + name + " !");
}

TEST_F(Lzrw1Test, DamagedFastFilesFailWithoutOutput) {
  const std::string corrupt = "Lzrw1/KH : Sizes do not match !! Corruption";
  const std::string readError = "Lzrw1 : ERROR READING FROM " + dir.Path("bad") + " !";
  dir.Write("in", codec_test::TextBytes(40000, 5));
  CompressAs(TCompressMode::Fast);
  const Bytes file = dir.Read("z");
  const std::size_t firstRecord = 8 + 2 + (file[8] | file[9] << 8);

  // Cut anywhere: inside a record it is a read error, right after one the size does not match.
  std::vector<std::size_t> cuts;
  for (std::size_t cut = 8; cut < file.size(); cut += 97) cuts.push_back(cut);
  for (std::size_t around : {std::size_t{8}, firstRecord, file.size() - 1})
    for (std::size_t cut = around - 2; cut <= around + 2 && cut < file.size(); ++cut)
      if (cut >= 8) cuts.push_back(cut);
  for (std::size_t cut : cuts) {
    const std::string message = ExpandError(Bytes(file.begin(), file.begin() + cut));
    ASSERT_EQ(message, cut == 8 || cut == firstRecord ? corrupt : readError) << "cut " << cut;
  }

  Bytes wrongSize = file;
  wrongSize[4] ^= 1;
  EXPECT_EQ(ExpandError(wrongSize), corrupt);
  Bytes smallerSize = file;
  smallerSize[5] = 0;  // recorded 40000 & 0xFF: the first block already exceeds it
  EXPECT_EQ(ExpandError(smallerSize), corrupt);

  // A block length beyond the largest block, and blocks that decode out of bounds.
  const Bytes header = {'W', 'R', 'Z', 'L', 0x00, 0x80, 0x00, 0x00};
  EXPECT_EQ(ExpandError(Concat({header, {0x02, 0x80}, Bytes(32770, 0x80)})), corrupt);
  EXPECT_EQ(ExpandError(Concat({header, {0x05, 0x00, 0x40, 0x80, 0x00, 0x00, 0x10}})), corrupt);
  Bytes manyRuns = {0x40, 0xFF, 0xFF};
  for (int i = 0; i < 16; ++i) manyRuns.insert(manyRuns.end(), {0x00, 0x0F, 0xEF, 0x00});
  EXPECT_EQ(
      ExpandError(Concat({header, {static_cast<std::uint8_t>(manyRuns.size()), 0x00}, manyRuns})),
      corrupt);
}

TEST_F(Lzrw1Test, DamagedGoodFilesFailWithoutOutput) {
  const std::string corrupt = "Lzrw1/LZH : Sizes do not match !! Corruption";
  dir.Write("in", codec_test::TextBytes(40000, 6));
  CompressAs(TCompressMode::Good);
  const Bytes file = dir.Read("z");
  // Every cut leaves a stream that runs out before the recorded size.
  for (std::size_t cut = 8; cut < file.size(); cut += 1 + cut / 50) {
    ASSERT_EQ(ExpandError(Bytes(file.begin(), file.begin() + cut)), corrupt) << "cut " << cut;
  }
  // A size field grown to nearly 2 GB stops soon after the end of the stream.
  Bytes hugeSize = file;
  hugeSize[7] = 0x7F;
  EXPECT_EQ(ExpandError(hugeSize), corrupt);
  Bytes negativeSize = file;
  negativeSize[7] = 0xFF;
  EXPECT_EQ(ExpandError(negativeSize), corrupt);
  // Garbage after a valid header ends in the size comparison as well.
  EXPECT_EQ(ExpandError(Concat(
                {{'!', 'H', 'Z', 'L', 0x40, 0x9C, 0x00, 0x00}, codec_test::RandomBytes(3000, 7)})),
            corrupt);
}

TEST_F(Lzrw1Test, ReplacesAnExistingOutput) {
  dir.Write("z", Bytes(100000, 0x55));
  dir.Write("in", {'a', 'b', 'c'});
  EXPECT_EQ(CompressAs(TCompressMode::Fast), 14);
  EXPECT_EQ(dir.Read("z").size(), 14u);
}

// An output that keeps what it is given, so a test can see it went nowhere else.
class Collect final : public TLzrw1Output {
 public:
  bool Write(const void* data, std::size_t size) override {
    const auto* p = static_cast<const std::uint8_t*>(data);
    bytes.insert(bytes.end(), p, p + size);
    return accept;
  }
  Bytes bytes;
  bool accept = true;
};

TEST_F(Lzrw1Test, ExpandsIntoAnOutputThatIsNoFile) {
  const Bytes text = codec_test::TextBytes(70000, 8);
  dir.Write("in", text);
  for (TCompressMode mode : {TCompressMode::Fast, TCompressMode::Good}) {
    CompressAs(mode);
    Collect collect;
    c.InputFile = dir.Path("z");
    c.OutputFile = dir.Path("never");
    EXPECT_EQ(c.Decompress(collect), 70000);
    EXPECT_EQ(collect.bytes, text);
    EXPECT_FALSE(dir.Exists("never"));

    // Damage is reported the same way, and there is still no file.
    const Bytes file = dir.Read("z");
    dir.Write("cut", Bytes(file.begin(), file.begin() + static_cast<long>(file.size() / 2)));
    c.InputFile = dir.Path("cut");
    ErrorOf([&] { c.Decompress(collect); });
    EXPECT_FALSE(dir.Exists("never"));
  }
  Collect refusing;
  refusing.accept = false;
  c.InputFile = dir.Path("z");
  EXPECT_EQ(ErrorOf([&] { c.Decompress(refusing); }),
            "Lzrw1 : ERROR WRITING TO " + dir.Path("never") + " !");
}

}  // namespace
