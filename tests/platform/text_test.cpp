// What both file layers share: UTF-8 text kept exactly or refused, and the lock two writers of
// one disk set meet at.
#include <gtest/gtest.h>

#include <string>

#include "platform/file.h"
#include "platform/tempfile.h"
#include "platform/text.h"

namespace {

TEST(ExactText, KeepsEveryWindows1252CharacterAndRefusesTheRest) {
  struct Case {
    const char* utf8;
    bool exact;
    std::string ansi;   // when exact
    std::size_t badAt;  // when not
  };
  const Case cases[] = {
      {"", true, "", 0},
      {"A\xC3\x87\xC3\x83O.TXT", true, "A\xC7\xC3O.TXT", 0},  // AÇÃO.TXT
      {"\xE2\x82\xAC 5", true, "\x80 5", 0},                  // the euro sign
      {"x\xC3\xBF", true, "x\xFF", 0},                        // ÿ, the last byte
      {"ab\xE4\xB8\xAD", false, "", 2},                       // 中
      {"caf\xE9!", false, "", 3},                             // Latin-1 é, not UTF-8
      {"\xC0\xAF", false, "", 0},                             // an overlong slash
      {"a\xED\xA0\x80", false, "", 1},                        // a surrogate
      {"ok\xE2\x82", false, "", 2},                           // cut short
      {"\xF0\x9F\x98\x80", false, "", 0},                     // beyond the first plane
  };
  for (const Case& c : cases) {
    std::string ansi;
    std::size_t at = 99;
    EXPECT_EQ(platform::AnsiFromUtf8Exact(c.utf8, ansi, at), c.exact) << c.utf8;
    if (c.exact)
      EXPECT_EQ(ansi, c.ansi) << c.utf8;
    else
      EXPECT_EQ(at, c.badAt) << c.utf8;
  }
}

TEST(LockFileTest, OneHolderAtATimeAndTheFileGoesWithIt) {
  const std::string made = platform::CreateTempFile(platform::TempDirectory(), "lck");
  ASSERT_FALSE(made.empty());
  const std::string path = made + ".lock";
  {
    platform::LockFile first, second;
    ASSERT_EQ(first.Acquire(path), platform::LockFile::Result::Held);
    EXPECT_EQ(second.Acquire(path), platform::LockFile::Result::Busy);
    EXPECT_TRUE(platform::FileExists(path));
  }
  EXPECT_FALSE(platform::FileExists(path));  // made by the holder, deleted as it let go
  platform::LockFile again;
  EXPECT_EQ(again.Acquire(path), platform::LockFile::Result::Held);
  EXPECT_EQ(platform::LockFile().Acquire(made + "\\no-such-folder\\x"),
            platform::LockFile::Result::Failed);
  platform::RemoveFile(made);
}

}  // namespace
