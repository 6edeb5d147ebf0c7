// pck's command lines read through the options table, in process; and the progress line's
// layout for every width.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tools/pck/commands.h"
#include "tools/pck/options.h"
#include "tools/pck/progress.h"

namespace {

using pck::Opt;

// A command with a bit of everything: flags, options with values, repeatable ones, masks.
const pck::Command kCommand = {"demo",
                               "ARCHIVE [MASK...]",
                               1,
                               pck::kAnyNumber,
                               "summary",
                               "help\n",
                               {{Opt::Directory},
                                {Opt::Mode},
                                {Opt::Password},
                                {Opt::PasswordFile},
                                {Opt::Exclude},
                                {Opt::Media},
                                {Opt::VolumeSize},
                                {Opt::Jobs},
                                {Opt::Json},
                                {Opt::Verbose},
                                {Opt::Quiet},
                                {Opt::FilesFrom},
                                {Opt::KeepOld},
                                {Opt::ToStdout},
                                {Opt::KeepGoing}},
                               "notes\n",
                               [](const pck::Command&, const pck::Options&) { return 0; }};

const pck::Command kTwoFiles = {"pair",
                                "INPUT OUTPUT",
                                2,
                                2,
                                "summary",
                                "help\n",
                                {{Opt::Verbose}},
                                "",
                                [](const pck::Command&, const pck::Options&) { return 0; }};

struct Parsed {
  int exitCode;
  pck::Options o;
  std::string err;
};

Parsed Parse(const std::vector<std::string>& args, const pck::Command& command = kCommand) {
  Parsed p;
  testing::internal::CaptureStderr();
  p.exitCode = pck::ParseOptions(command, args, p.o);
  p.err = testing::internal::GetCapturedStderr();
  return p;
}

TEST(PckOptions, ValuesAttachedSeparateOrAfterAnEqualsSign) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"a.pck", "-Cout", "-j2", "-x*.bak", "-mfast"},
           {"a.pck", "-C", "out", "-j", "2", "-x", "*.bak", "-m", "fast"},
           {"--directory=out", "--jobs=2", "a.pck", "--exclude=*.bak", "--mode=fast"},
           {"--directory", "out", "--jobs", "2", "--exclude", "*.bak", "--mode", "fast", "a.pck"},
       }) {
    const Parsed p = Parse(args);
    ASSERT_EQ(p.exitCode, pck::kExitOk) << testing::PrintToString(args) << p.err;
    EXPECT_EQ(p.o.directory, "out");
    EXPECT_EQ(p.o.jobs, 2);
    EXPECT_EQ(p.o.excludes, std::vector<std::string>{"*.bak"});
    EXPECT_EQ(p.o.mode, TCompressMode::Fast);
    EXPECT_EQ(p.o.archive, "a.pck");
    EXPECT_TRUE(p.o.masks.empty());
    EXPECT_TRUE(p.err.empty()) << p.err;
  }
}

TEST(PckOptions, GroupedFlagsOperandsAndTheEndOfOptions) {
  // Flags grouped, the last one of a group taking the rest of the word or the next one.
  Parsed p = Parse({"-qj4", "a.pck", "-j", "3", "x*", "-", "--", "-v", "--json"});
  ASSERT_EQ(p.exitCode, pck::kExitOk) << p.err;
  EXPECT_TRUE(p.o.quiet);
  EXPECT_EQ(p.o.jobs, 3);  // the last one counts
  EXPECT_FALSE(p.o.verbose);
  EXPECT_FALSE(p.o.json);
  EXPECT_EQ(p.o.masks, (std::vector<std::string>{"x*", "-", "-v", "--json"}));

  p = Parse({"a.pck", "-vC", "dir", "--password=a=b", "--media", "--json"});
  ASSERT_EQ(p.exitCode, pck::kExitOk) << p.err;
  EXPECT_TRUE(p.o.verbose);
  EXPECT_EQ(p.o.directory, "dir");
  EXPECT_EQ(p.o.password, "a=b");
  EXPECT_EQ(p.o.media, "--json");  // a value, even one that looks like an option
  EXPECT_FALSE(p.o.json);

  // The options of extract and create grouped and spelled out; -T repeatable.
  p = Parse({"-kO", "a.pck", "--keep-going", "-Tlist", "-T", "-", "--files-from=more"});
  ASSERT_EQ(p.exitCode, pck::kExitOk) << p.err;
  EXPECT_TRUE(p.o.keepOld && p.o.toStdout && p.o.keepGoing);
  EXPECT_EQ(p.o.filesFrom, (std::vector<std::string>{"list", "-", "more"}));
  EXPECT_TRUE(p.o.masks.empty());

  p = Parse({"in", "out"}, kTwoFiles);
  ASSERT_EQ(p.exitCode, pck::kExitOk) << p.err;
  EXPECT_EQ(p.o.operands, (std::vector<std::string>{"in", "out"}));
}

// Every wrong command line: exit 2 and two lines on stderr, the problem (naming what was
// wrong) and where to read more.
TEST(PckOptions, WrongCommandLinesSayWhatInOneLine) {
  struct Case {
    std::vector<std::string> args;
    const char* named;
    const pck::Command* command = &kCommand;
  };
  const std::vector<Case> cases = {
      {{"a.pck", "--bogus"}, "unknown option \"--bogus\""},
      {{"a.pck", "--bogus=1"}, "unknown option \"--bogus\""},
      {{"a.pck", "-vZ"}, "unknown option \"-Z\""},
      {{"a.pck", "--header", "x"}, "unknown option \"--header\""},  // not one of this command
      {{"a.pck", "--json=yes"}, "--json takes no value"},
      {{"a.pck", "--verbose="}, "--verbose takes no value"},
      {{"a.pck", "-C"}, "--directory needs a value DIR"},
      {{"a.pck", "--jobs"}, "--jobs needs a value N"},
      {{"a.pck", "-j0"}, "bad number of jobs \"0\""},
      {{"a.pck", "-j65"}, "bad number of jobs \"65\""},
      {{"a.pck", "--jobs=2x"}, "bad number of jobs \"2x\""},
      {{"a.pck", "-j99999999999999999999"}, "bad number of jobs"},
      {{"a.pck", "--mode", "best"}, "unknown mode \"best\""},
      {{"a.pck", "--media", "d", "--volume-size", "17592186044417M"}, "bad volume size"},
      {{"a.pck", "--media", "d", "--volume-size=1025G"}, "bad volume size \"1025G\""},
      {{"a.pck", "--volume-size", "1K"}, "--volume-size needs --media"},
      {{"a.pck", "-p", "x", "--password-file", "f"}, "one --password or --password-file only"},
      {{"a.pck", "-v", "-q"}, "--verbose and --quiet exclude each other"},
      {{"a.pck", "-T", "-", "--password-file", "-"}, "standard input can be read only once"},
      {{"a.pck", "-T-", "--files-from=-"}, "standard input can be read only once"},
      {{"a.pck", "--keep-going=yes"}, "--keep-going takes no value"},
      {{}, "ARCHIVE is missing"},
      {{"-v"}, "ARCHIVE is missing"},
      {{}, "INPUT and OUTPUT are missing", &kTwoFiles},
      {{"in"}, "OUTPUT is missing", &kTwoFiles},
      {{"in", "out", "more"}, "too many arguments: \"more\"", &kTwoFiles},
  };
  for (const Case& c : cases) {
    const Parsed p = Parse(c.args, *c.command);
    const std::string prefix = "pck " + std::string(c.command->name) + ": ";
    EXPECT_EQ(p.exitCode, pck::kExitUsage) << testing::PrintToString(c.args);
    EXPECT_EQ(p.err.rfind(prefix + c.named, 0), 0u) << p.err;
    EXPECT_EQ(p.err.substr(p.err.find('\n') + 1),
              "Try 'pck --help' or 'pck " + std::string(c.command->name) + " --help'.\n")
        << p.err;
  }
}

TEST(PckOptions, SizesAndCountsAreRefusedRatherThanWrapped) {
  const std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
  struct Good {
    const char* text;
    std::int64_t bytes;
  };
  for (const Good& g :
       {Good{"1", 1}, Good{"1423K", 1423 * 1024}, Good{"1423k", 1423 * 1024}, Good{"64M", 64 << 20},
        Good{"3G", std::int64_t{3} << 30}, Good{"9223372036854775807", kMax}}) {
    std::int64_t size = 0;
    EXPECT_TRUE(pck::ParseSize(g.text, kMax, size)) << g.text;
    EXPECT_EQ(size, g.bytes) << g.text;
  }
  for (const char* bad : {"", "0", "0K", "-1", "+1", " 1", "1 ", "K", "1.5M", "1KB", "1T", "0x10",
                          "9223372036854775808", "8589934592G", "17592186044417M",
                          "18446744073709551617", "99999999999999999999999999"}) {
    std::int64_t size = 7;
    EXPECT_FALSE(pck::ParseSize(bad, kMax, size)) << bad;
    EXPECT_EQ(size, 7) << bad;
  }
  std::int64_t size = 0;
  EXPECT_TRUE(pck::ParseSize("1024G", pck::kMaxVolumeSize, size));
  EXPECT_FALSE(pck::ParseSize("1025G", pck::kMaxVolumeSize, size));
  EXPECT_FALSE(pck::ParseSize("1099511627777", pck::kMaxVolumeSize, size));

  int n = 0;
  EXPECT_TRUE(pck::ParseCount("64", 1, 64, n));
  EXPECT_EQ(n, 64);
  for (const char* bad : {"", "0", "65", "-1", "4x", "x4", "2147483648", "99999999999999999999"})
    EXPECT_FALSE(pck::ParseCount(bad, 1, 64, n)) << bad;
}

// The help comes from the same rows as the parsing: every option the command takes is in its
// usage line and has a line of its own, with the command's own text where it has one.
TEST(PckOptions, HelpListsWhatTheParserTakes) {
  const std::string help = pck::HelpText(kCommand);
  for (const char* spelled :
       {"[--directory DIR]", "[--mode good|fast|auto]", "[--exclude MASK]...", "[-v]", "[-q]",
        "[--json]", "  -C, --directory DIR   ", "  --password-file FILE  ",
        "  -q, --quiet           no progress bar", "\nnotes\n", "encrypts nothing",
        "[--files-from FILE|-]...", "  -k, --keep-old-files  ", "Masks (MASK, --exclude"})
    EXPECT_NE(help.find(spelled), std::string::npos) << spelled << "\n" << help;
  EXPECT_EQ(help.rfind("Usage: pck demo ", 0), 0u) << help;

  const pck::Command custom = {"custom",
                               "ARCHIVE",
                               1,
                               1,
                               "s",
                               "h\n",
                               {{Opt::Verbose, "say a lot"}},
                               "",
                               [](const pck::Command&, const pck::Options&) { return 0; }};
  const std::string customHelp = pck::HelpText(custom);
  EXPECT_NE(customHelp.find("  -v, --verbose         say a lot\n"), std::string::npos)
      << customHelp;
  EXPECT_EQ(customHelp.find("name every file"), std::string::npos) << customHelp;
  EXPECT_EQ(customHelp.find("encrypts nothing"), std::string::npos) << customHelp;
  EXPECT_EQ(customHelp.find("Masks ("), std::string::npos) << customHelp;  // it takes none
  // The usage, all of it before the first blank line, fits 80 columns.
  const std::string usage = help.substr(0, help.find("\n\n") + 1);
  for (std::size_t start = 0, end; (end = usage.find('\n', start)) != std::string::npos;
       start = end + 1) {
    EXPECT_LT(end - start, 80u) << usage.substr(start, end - start);
  }
}

// Columns on the screen: UTF-8 on Linux, one byte each on Windows.
std::size_t Columns(const std::string& line) {
  std::size_t n = 0;
  for (unsigned char c : line) {
#ifdef _WIN32
    (void)c;
    ++n;
#else
    n += (c & 0xC0) != 0x80;
#endif
  }
  return n;
}

TEST(PckProgressLine, FillsTheWidthWithoutWrappingAndKeepsTheNamesEnd) {
#ifdef _WIN32
  const std::string accented = "a\xE7\xE3o";  // Windows-1252
#else
  const std::string accented = "a\xC3\xA7\xC3\xA3o";  // UTF-8
#endif
  std::string longName = "docs/";
  for (int i = 0; i < 30; ++i) longName += accented + "/";
  longName += "END.TXT";
  for (int columns : {1, 2, 4, 5, 6, 12, 19, 20, 21, 22, 40, 50, 80, 81, 300}) {
    for (const std::string& name : {std::string(), std::string("a.txt"), longName}) {
      const std::string line = pck::progress::Line(name, 50, columns);
      EXPECT_EQ(Columns(line), static_cast<std::size_t>(columns - 1))
          << columns << " [" << line << "]";
      if (columns >= 20 && !name.empty()) {
        // The end of the name shows whole, the front gives way, a character is never split.
        const std::string shown = line.substr(line.find('%') + 2);
        const std::string kept = shown.substr(0, shown.find_last_not_of(' ') + 1);
        if (kept.size() < name.size()) {
          ASSERT_EQ(kept.rfind("...", 0), 0u) << kept;
          EXPECT_EQ(name.substr(name.size() - (kept.size() - 3)), kept.substr(3)) << kept;
        } else {
          EXPECT_EQ(kept, name);
        }
      }
    }
  }
  EXPECT_EQ(pck::progress::Line("a.txt", 50, 40), "[#####     ]  50% a.txt" + std::string(16, ' '));
  EXPECT_EQ(pck::progress::Line("x", 100, 12), "100% x     ") << "no room for a bar";
  // A name's control characters would move the cursor: shown as "?".
  EXPECT_EQ(pck::progress::Line("a\nb\rc\x1b", 0, 20), "  0% a?b?c?" + std::string(8, ' '));
}

}  // namespace
