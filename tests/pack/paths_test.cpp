// The path, mask, drive and file-time helpers, and the host services under them.
#include "pack/paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>

#include "platform/drive.h"
#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/tempfile.h"
#include "tests/pack/pack_test_util.h"

namespace {

using packtest::PackTest;

TEST(ConcatPath, JoinsWithExactlyOneBackslash) {
  const struct {
    const char *dir, *name, *joined;
  } cases[] = {
      {"C:\\A", "B.TXT", "C:\\A\\B.TXT"},
      {"C:\\A\\", "\\B.TXT", "C:\\A\\B.TXT"},
      {"", "\\B", "B"},
      {"C:\\A", "", "C:\\A\\"},
      {"", "", ""},
      {"C:\\A", "\\\\B", "C:\\A\\\\B"},  // only one leading backslash is dropped
  };
  for (const auto& c : cases)
    EXPECT_EQ(ConcatPath(c.dir, c.name), c.joined) << c.dir << " + " << c.name;
}

TEST(ExtPos, FindsTheDotOfTheLastComponentOnly) {
  EXPECT_EQ(ExtPos("C:\\DIR.X\\FILE"), 14);
  EXPECT_EQ(ExtPos("A.B.C"), 4);
  EXPECT_EQ(ExtPos("README"), 7);
  EXPECT_EQ(ExtPos(""), 1);
  EXPECT_EQ(ExtPos("A:.X"), 3);
  EXPECT_EQ(ExtPos("A.TXT"), 2);
}

// MatchMask compares the whole text; MatchFileMask the base names and the extensions apart.
TEST(MatchMask, StarsQuestionMarksAndExtensions) {
  using Match = bool (*)(const std::string&, const std::string&);
  const Match whole = MatchMask, file = MatchFileMask;
  const struct {
    Match match;
    const char *mask, *text;
    bool matches;
  } cases[] = {
      {whole, "A*", "A", true},
      {whole, "A**", "A", false},
      {whole, "*", "", true},
      {whole, "", "", true},
      {whole, "", "A", false},
      {whole, "?", "", false},
      {whole, "A?C", "abc", true},
      {whole, "*\\B", "X\\Y\\B", true},  // a star spans backslashes
      {whole, "*B", "B", true},          // a star may match nothing when text is left for the rest
      {whole, "A*?", "A", false},
      {whole, "*B", "AB", true},
      {whole, "A*C*E", "ABCDE", true},
      {whole, "A*C*E", "ABCD", false},
      {file, "*.*", "README", true},
      {file, "*", "A.TXT", false},
      {file, "*", "README", true},
      {file, "*.TXT", "a.txt", true},
      {file, "?.TXT", "AB.TXT", false},
      {file, "C:\\T\\*.TXT", "C:\\T\\SUB\\B.TXT", true},
      {file, "C:\\T\\*.TXT", "C:\\T\\C.DOC", false},
      {file, "C:\\T\\*.*", "C:\\T\\DIR.X\\FILE", true},
      {file, "C:\\T\\*", "C:\\T\\DIR.X\\FILE.Y", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(c.match(c.mask, c.text), c.matches)
        << (c.match == whole ? "MatchMask " : "MatchFileMask ") << c.mask << " ~ " << c.text;
}

TEST(MatchMask, AccentedLettersKeepTheirCase) {
  EXPECT_FALSE(MatchMask("\xE9", "\xC9"));
  EXPECT_TRUE(MatchMask("\xE9", "\xE9"));
  EXPECT_TRUE(MatchMask("a\xE7\xE3o", "A\xE7\xE3O"));
}

TEST(MatchMask, ManyStarsStayFast) {
  std::string text(250, 'A');
  std::string pattern;
  for (int i = 0; i < 40; ++i) pattern += "*A";
  pattern += "*B";
  EXPECT_FALSE(MatchMask(pattern, text));  // exponential without remembering failures
  EXPECT_TRUE(MatchMask(pattern, text + "XB"));
}

// The rules stated plainly and recursively, to hold the matcher to on many small cases.
static bool ReferenceMatch(const std::string& p, std::size_t i, const std::string& t,
                           std::size_t j) {
  if (i == p.size()) return j == t.size();
  if (p[i] == '*') {
    if (i + 1 == p.size()) return true;
    for (std::size_t k = j; k < t.size(); ++k)
      if (ReferenceMatch(p, i + 1, t, k)) return true;
    return false;
  }
  if (j == t.size()) return false;
  bool same =
      p[i] == '?' || (p[i] == t[j]) ||
      (std::toupper(static_cast<unsigned char>(p[i])) == t[j] && p[i] >= 'a' && p[i] <= 'z') ||
      (std::toupper(static_cast<unsigned char>(t[j])) == p[i] && t[j] >= 'a' && t[j] <= 'z');
  return same && ReferenceMatch(p, i + 1, t, j + 1);
}

TEST(MatchMask, AgreesWithTheRulesOnEveryShortCase) {
  const std::string letters = "*?aAb";
  const std::string texts = "aAb\\";
  std::mt19937 random(20);
  for (int round = 0; round < 20000; ++round) {
    std::string p, t;
    for (int n = random() % 6; n > 0; --n) p += letters[random() % letters.size()];
    for (int n = random() % 6; n > 0; --n) t += texts[random() % texts.size()];
    ASSERT_EQ(MatchMask(p, t), ReferenceMatch(p, 0, t, 0)) << "\"" << p << "\" on \"" << t << "\"";
  }
}

TEST(MatchMask, HugeMasksNeitherCrashNorHang) {
  const std::string stars(200000, '*');
  EXPECT_TRUE(MatchMask(stars, std::string(255, 'A')));
  EXPECT_FALSE(MatchMask(stars + "B", std::string(255, 'A')));
  EXPECT_TRUE(MatchFileMask(stars + "." + stars, "C:\\T\\" + std::string(200, 'A') + ".TXT"));
}

TEST(PathParts, DriveDirectoryAndName) {
  EXPECT_EQ(ExtractFileDrive("C:\\X\\Y"), "C:");
  EXPECT_EQ(ExtractFileDrive("\\\\SRV\\SHARE\\X"), "\\\\SRV\\SHARE");
  EXPECT_EQ(ExtractFileDrive("\\X"), "");
  EXPECT_EQ(ExtractFilePath("C:\\X\\Y.TXT"), "C:\\X\\");
  EXPECT_EQ(ExtractFilePath("C:Y.TXT"), "C:");
  EXPECT_EQ(ExtractFilePath("Y.TXT"), "");
  EXPECT_EQ(ExtractFileName("C:\\X\\Y.TXT"), "Y.TXT");
}

TEST_F(PackTest, IsRemovableDriveAsksForTheDriveRoot) {
  std::string asked;
  auto drives = platform::SetDriveTypeQuery([&](const std::string& root) {
    asked = root;
    if (root == "A:\\") return platform::DriveType::Removable;
    if (root == "D:\\") return platform::DriveType::CdRom;
    return platform::DriveType::Fixed;
  });
  EXPECT_TRUE(IsRemovableDrive("A:\\DATA.PCK", false));
  EXPECT_TRUE(IsRemovableDrive("A:\\DATA.PCK", true));
  EXPECT_EQ(asked, "A:\\");
  EXPECT_TRUE(IsRemovableDrive("D:\\DATA.PCK", true));
  EXPECT_FALSE(IsRemovableDrive("D:\\DATA.PCK", false));
  EXPECT_FALSE(IsRemovableDrive("C:\\DATA.PCK", true));
}

TEST_F(PackTest, SetFileDateAttrSetsTheTimeBeforeTheReadOnlyBit) {
  std::string path = dir + "A.TXT";
  packtest::WriteFile(path, "abc");
  SetFileDateAttr(path, packtest::kTime, platform::faReadOnly | platform::faArchive);
  EXPECT_EQ(platform::FileAge(path), packtest::kTime);
  EXPECT_TRUE(platform::FileGetAttr(path) & platform::faReadOnly);
  ClearReadOnly(path);
  EXPECT_FALSE(platform::FileGetAttr(path) & platform::faReadOnly);
  EXPECT_EQ(packtest::ReadFile(path), "abc");
}

TEST_F(PackTest, SetFileDateAttrIgnoresAnImpossibleDateButNotAMissingFile) {
  std::string path = dir + "A.TXT";
  packtest::WriteFile(path, "abc");
  SetFileDateAttr(path, packtest::kTime, 0);
  SetFileDateAttr(path, 0x7FFF0000, 0);  // month 15
  EXPECT_EQ(platform::FileAge(path), packtest::kTime);
  EXPECT_THROW(SetFileDateAttr(dir + "MISSING.TXT", packtest::kTime, 0), EInOutError);
}

// Host services of the archive engine.

TEST_F(PackTest, FindFilesFollowsWindowsWildcards) {
  packtest::WriteFile(dir + "A.TXT", "1");
  packtest::WriteFile(dir + "b.txt", "22");
  packtest::WriteFile(dir + "README", "333");
  packtest::WriteFile(dir + "A\xC7\xC3O.DOC", "4");
  platform::ForceDirectories(dir + "SUB");
  auto names = [&](const std::string& mask, std::uint16_t attr = platform::faFiles) {
    std::vector<std::string> out;
    for (const auto& f : platform::FindFiles(dir + mask, attr)) out.push_back(f.Name);
    std::sort(out.begin(), out.end());
    return out;
  };
  using V = std::vector<std::string>;
  EXPECT_EQ(names("*.TXT"), (V{"A.TXT", "b.txt"}));
  EXPECT_EQ(names("*.*"), (V{"A.TXT", "A\xC7\xC3O.DOC", "README", "b.txt"}));
  EXPECT_EQ(names("*"), (V{"A.TXT", "A\xC7\xC3O.DOC", "README", "b.txt"}));
  EXPECT_EQ(names("a\xE7\xE3o.doc"), (V{"A\xC7\xC3O.DOC"}));
  EXPECT_EQ(names("?.TXT"), (V{"A.TXT", "b.txt"}));
  EXPECT_EQ(names("*", platform::faFilesAndDirectories),
            (V{"A.TXT", "A\xC7\xC3O.DOC", "README", "SUB", "b.txt"}));
  EXPECT_TRUE(names("NONE*").empty());
  EXPECT_TRUE(platform::FindFiles(dir + "MISSING\\*", platform::faFiles).empty());
  auto found = platform::FindFiles(dir + "README", platform::faFiles);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].Size, 3);
  EXPECT_EQ(found[0].Time, platform::FileAge(dir + "README"));
}

TEST_F(PackTest, TemporaryFilesAreNewAndEmpty) {
  std::string a = platform::CreateTempFile(dir, "PCK");
  std::string b = platform::CreateTempFile(dir, "PCK");
  ASSERT_FALSE(a.empty());
  EXPECT_NE(a, b);
  EXPECT_EQ(a.rfind(dir + "PCK", 0), 0u);
  EXPECT_TRUE(MatchFileMask("*.TMP", a)) << a;  // Windows itself writes ".tmp"
  EXPECT_EQ(packtest::ReadFile(a), "");
  EXPECT_TRUE(platform::CreateTempFile(dir + "MISSING\\", "PCK").empty());
}

}  // namespace
