// pck compress and pck expand, run as separate processes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/codecs/codec_test_util.h"
#include "tests/tools/pck_runner.h"

namespace {

using codec_test::Bytes;
using codec_test::TempDir;
using pck_test::Result;
using pck_test::RunPck;

class PckCodecs : public testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return RunPck(dir, args); }
  std::string H(const std::string& name) const { return dir.Host(name).string(); }
  TempDir dir;
};

TEST_F(PckCodecs, RoundTripsInEveryMode) {
  for (const Bytes& data : {Bytes{}, codec_test::MixedBytes(150000, 1)}) {
    dir.Write("in", data);
    for (const char* mode : {"good", "fast", "auto"}) {
      Result r = Run({"compress", "--mode", mode, H("in"), H("in.z")});
      ASSERT_EQ(r.exitCode, 0) << r.err;
      EXPECT_TRUE(r.err.empty()) << r.err;
      r = Run({"expand", H("in.z"), H("back")});
      ASSERT_EQ(r.exitCode, 0) << r.err;
      EXPECT_EQ(dir.Read("back"), data) << mode;
    }
  }
}

TEST_F(PckCodecs, WritesTheFileFormat) {
  dir.Write("abc", {'a', 'b', 'c'});
  ASSERT_EQ(Run({"compress", H("abc"), H("abc.z")}).exitCode, 0);  // good by default
  EXPECT_EQ(dir.Read("abc.z"),
            (Bytes{0x21, 0x48, 0x5A, 0x4C, 0x03, 0x00, 0x00, 0x00, 0xF6, 0xFB, 0xBD, 0xE0}));
  ASSERT_EQ(Run({"compress", "--mode=fast", H("abc"), H("abc.z")}).exitCode, 0);
  EXPECT_EQ(dir.Read("abc.z"), (Bytes{0x57, 0x52, 0x5A, 0x4C, 0x03, 0x00, 0x00, 0x00, 0x04, 0x00,
                                      0x80, 0x61, 0x62, 0x63}));
  dir.Write("zeros", Bytes(200000, 0));
  const Result r = Run({"compress", "-v", "-m", "auto", H("zeros"), H("zeros.z")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("method fast"), std::string::npos) << r.out;
}

TEST_F(PckCodecs, FailuresLeaveNoOutput) {
  dir.Write("plain", Bytes(100, 'x'));
  Result r = Run({"expand", H("plain"), H("out")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.err.rfind("pck expand: ", 0), 0u) << r.err;
  EXPECT_NE(r.err.find(": not a compressed file"), std::string::npos) << r.err;
  EXPECT_FALSE(dir.Exists("out"));

  dir.Write("in", codec_test::TextBytes(50000, 2));
  ASSERT_EQ(Run({"compress", "--mode", "fast", H("in"), H("in.z")}).exitCode, 0);
  Bytes cut = dir.Read("in.z");
  cut.resize(cut.size() / 2);
  dir.Write("cut.z", cut);
  r = Run({"expand", H("cut.z"), H("out")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find(": the compressed data ends too soon (it is cut short)"), std::string::npos)
      << r.err;
  EXPECT_FALSE(dir.Exists("out"));

  // Failing before anything was written leaves an existing OUTPUT alone.
  dir.Write("out", {'k', 'e', 'e', 'p'});
  r = Run({"compress", H("missing"), H("out")});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("missing: cannot read its size: "), std::string::npos) << r.err;
  EXPECT_EQ(dir.Read("out"), (Bytes{'k', 'e', 'e', 'p'}));
}

TEST_F(PckCodecs, RejectsWrongCommandLines) {
  dir.Write("in", Bytes(10, 'x'));
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"squash", H("in"), H("out")},
           {"compress", H("in")},
           {"compress", "--mode", "best", H("in"), H("out")},
           {"compress", "--mode"},
           {"compress", "--level", "9", H("in"), H("out")},
           {"expand", "--mode", "fast", H("in"), H("out")},
           {"expand", H("in"), H("out"), H("more")},
       }) {
    const Result r = Run(args);
    EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(args);
    EXPECT_NE(r.err.find("pck"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(dir.Exists("out"));

  // Compressing a file onto itself would destroy it before it is read.
  const Result r = Run({"compress", H("in"), H("in")});
  EXPECT_EQ(r.exitCode, 2);
  EXPECT_EQ(dir.Read("in"), Bytes(10, 'x'));
}

TEST_F(PckCodecs, DocumentsItsCommands) {
  Result r = Run({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("compress [--mode good|fast|auto]"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("expand"), std::string::npos) << r.out;
  r = Run({"compress", "--help"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("--mode"), std::string::npos) << r.out;
  r = Run({"help", "expand"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("Usage: pck expand"), std::string::npos) << r.out;
}

#ifndef _WIN32
// Host names in UTF-8 reach the engines as Windows-1252 and come back as the same files.
TEST_F(PckCodecs, KeepsAccentedFileNames) {
  const std::string name = "a\xC3\xA7\xC3\xA3o.txt";  // "ação.txt" in UTF-8
  dir.Write(name, codec_test::TextBytes(1000, 3));
  ASSERT_EQ(Run({"compress", H(name), H(name + ".z")}).exitCode, 0);
  ASSERT_EQ(Run({"expand", H(name + ".z"), H("back")}).exitCode, 0);
  EXPECT_EQ(dir.Read("back"), dir.Read(name));
}
#endif

}  // namespace
