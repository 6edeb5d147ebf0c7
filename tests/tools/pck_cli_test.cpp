// The pck program's command line as a user meets it: help, version, wrong command lines and their
// exit codes, the forms options are written in, and quiet runs. Natively and, for pck.exe,
// under Wine.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/codecs/codec_test_util.h"
#include "tests/tools/pck_runner.h"

namespace {

using pck_test::Result;

// Lines of a program's output, whatever line ends the system gave them.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (char c : text) {
    if (c == '\n') {
      lines.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

class PckCli : public testing::Test {
 protected:
  Result Run(const std::vector<std::string>& args) { return pck_test::RunPck(dir, args); }
  std::string H(const std::string& name) const { return dir.Host(name).string(); }
  codec_test::TempDir dir;
};

TEST_F(PckCli, HelpAndVersion) {
  Result r = Run({"--version"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(Lines(r.out), std::vector<std::string>{"pck " PCK_VERSION});
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"help", "extract"}, std::vector<std::string>{"extract", "-h"}}) {
    r = Run(args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("Usage: pck extract ", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("-q, --quiet"), std::string::npos) << r.out;
  }
}

// One line naming the problem, one saying where to read more, exit 2; nothing on stdout.
TEST_F(PckCli, WrongCommandLinesAnswerInOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* first;
  };
  const std::string archive = H("a.pck");
  const std::vector<Case> cases = {
      {{}, "pck: no command given"},
      {{"squash"}, "pck: unknown command \"squash\""},
      {{"--bogus"}, "pck: unknown option \"--bogus\""},
      {{"help", "nosuch"}, "pck: no command \"nosuch\" to help with"},
      {{"extract", archive, "--bogus"}, "pck extract: unknown option \"--bogus\""},
      {{"list", archive, "-j2"}, "pck list: unknown option \"-j\""},
      {{"create", archive, "--media", H("d"), "--volume-size=17592186044417M"},
       "pck create: bad volume size \"17592186044417M\""},
      {{"create", archive, "-j", "100"}, "pck create: bad number of jobs \"100\""},
  };
  for (const Case& c : cases) {
    const Result r = Run(c.args);
    EXPECT_EQ(r.exitCode, 2) << testing::PrintToString(c.args);
    EXPECT_EQ(r.out, "");
    const std::vector<std::string> lines = Lines(r.err);
    ASSERT_EQ(lines.size(), 2u) << r.err;
    EXPECT_EQ(lines[0].rfind(c.first, 0), 0u) << lines[0];
    EXPECT_EQ(lines[1].rfind("Try 'pck --help'", 0), 0u) << lines[1];
  }
  EXPECT_FALSE(dir.Exists("a.pck"));
  EXPECT_FALSE(dir.Exists("d"));
}

// Attached values and --opt=value do what the separate forms do; -q leaves stdout empty.
TEST_F(PckCli, OptionsInEveryFormAndQuietRuns) {
  std::filesystem::create_directories(dir.Host("tree/sub"));
  dir.Write("tree/sub/b.txt", codec_test::TextBytes(20000, 1));
  dir.Write("tree/a.txt", codec_test::TextBytes(5000, 2));
  Result r = Run({"create", "-q", "-j2", "-C" + H("tree"), "--mode=fast", H("a.pck")});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  r = Run({"extract", "-qj1", "--directory=" + H("out"), H("a.pck"), "--exclude=*a.txt"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  EXPECT_EQ(dir.Read("out/sub/b.txt"), dir.Read("tree/sub/b.txt"));
  EXPECT_FALSE(dir.Exists("out/a.txt"));

  r = Run({"test", "--quiet", H("a.pck")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out + r.err, "");
  r = Run({"test", H("a.pck")});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("2 entries"), std::string::npos) << r.out;
}

}  // namespace
