// The POSIX file layer where it guards what it was not asked to touch: devices and pipes, files
// replaced in one step, and errors that name their cause.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/errors.h"
#include "platform/file.h"
#include "platform/fileinfo.h"
#include "platform/folder.h"
#include "platform/tempfile.h"
#include "platform/text.h"

namespace {

class FileLayerTest : public testing::Test {
 protected:
  FileLayerTest() {
    std::string pattern = (std::filesystem::temp_directory_path() / "tavo-file-XXXXXX").string();
    dir_ = mkdtemp(pattern.data());
  }
  ~FileLayerTest() override { std::filesystem::remove_all(dir_); }
  std::string Native(const std::string& name) const { return dir_ + "/" + name; }
  std::string Path(const std::string& name) const { return platform::WindowsPath(Native(name)); }
  void Write(const std::string& name, const std::string& text) const {
    std::ofstream(Native(name), std::ios::binary) << text;
  }
  std::string Read(const std::string& name) const {
    std::ifstream f(Native(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
  }

  std::string dir_;
};

TEST_F(FileLayerTest, APipeIsWrittenButNeverDeleted) {
  ASSERT_EQ(mkfifo(Native("pipe").c_str(), 0600), 0);
  EXPECT_TRUE(platform::IsSpecialFile(Path("pipe")));
  EXPECT_FALSE(platform::RemoveFile(Path("pipe")));
  struct stat st;
  ASSERT_EQ(stat(Native("pipe").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  Write("plain", "x");
  EXPECT_FALSE(platform::IsSpecialFile(Path("plain")));
  EXPECT_FALSE(platform::IsSpecialFile(Path("")));
  EXPECT_FALSE(platform::IsSpecialFile(Path("missing")));
  EXPECT_TRUE(platform::RemoveFile(Path("plain")));
  EXPECT_FALSE(platform::FileExists(Path("plain")));
}

TEST_F(FileLayerTest, MoveIntoPlaceTakesThePlaceAndTheModeOfTheOldFile) {
  Write("old", "old");
  ASSERT_EQ(chmod(Native("old").c_str(), 0640), 0);
  Write("new", "new");
  ASSERT_EQ(chmod(Native("new").c_str(), 0600), 0);
  ASSERT_TRUE(platform::MoveIntoPlace(Path("new"), Path("old")));
  EXPECT_EQ(Read("old"), "new");
  EXPECT_FALSE(platform::FileExists(Path("new")));
  struct stat st;
  ASSERT_EQ(stat(Native("old").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);

  // Where nothing was, the file gets the mode of a newly created one.
  const mode_t mask = umask(022);
  Write("fresh", "f");
  ASSERT_EQ(chmod(Native("fresh").c_str(), 0600), 0);
  ASSERT_TRUE(platform::MoveIntoPlace(Path("fresh"), Path("placed")));
  umask(mask);
  ASSERT_EQ(stat(Native("placed").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0644u);

  EXPECT_FALSE(platform::MoveIntoPlace(Path("missing"), Path("old")));
  EXPECT_EQ(Read("old"), "new");

  // A replaced program's set-ID and sticky bits are not handed on to what replaces it.
  ASSERT_EQ(chmod(Native("old").c_str(), 07755), 0);
  Write("new", "newer");
  ASSERT_TRUE(platform::MoveIntoPlace(Path("new"), Path("old")));
  ASSERT_EQ(stat(Native("old").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0755u);
}

TEST(Text, EveryByteOfANameComesBackFromTheHost) {
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  const std::string utf8 = platform::Utf8FromAnsi(all);
  EXPECT_EQ(platform::AnsiFromUtf8(utf8), all);
  EXPECT_EQ(utf8.find("\xEF\xBF\xBD"), std::string::npos);  // no replacement character
  // The bytes the code page leaves undefined are the C1 points of the same value.
  EXPECT_EQ(platform::Utf8FromAnsi("\x81\x8D\x8F\x90\x9D"), "\u0081\u008D\u008F\u0090\u009D");
  EXPECT_EQ(platform::Utf8FromAnsi("\x80\x9F"), "\u20AC\u0178");
}

// The time and the read-only bit an extraction gives each file through the handle that wrote it.
TEST_F(FileLayerTest, TimeAndAttributesGoThroughTheHandle) {
  constexpr std::int32_t kTime = 0x5D88BBF3;  // 8 December 2026, 23:31:38
  platform::File file;
  ASSERT_TRUE(file.Open(Path("a"), platform::OpenMode::Create));
  ASSERT_EQ(file.Write("abc", 3), 3);
  EXPECT_TRUE(file.SetDosTimeAttr(kTime, platform::faReadOnly | platform::faArchive));
  EXPECT_EQ(file.Write("d", 1), 1);  // the bit does not stop the handle that set it
  EXPECT_TRUE(file.SetDosTimeAttr(kTime, platform::faReadOnly));
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(Read("a"), "abcd");
  EXPECT_EQ(platform::FileAge(Path("a")), kTime);
  EXPECT_EQ(platform::FileGetAttr(Path("a")), platform::faReadOnly);
  struct stat st;
  ASSERT_EQ(stat(Native("a").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0222, 0u);

  // An impossible date leaves the file its time, and the attributes are still set: here the
  // read-only bit of a file that had it is cleared.
  ASSERT_EQ(chmod(Native("a").c_str(), 0644), 0);
  ASSERT_TRUE(file.Open(Path("a"), platform::OpenMode::ReadWrite));
  ASSERT_EQ(chmod(Native("a").c_str(), 0444), 0);
  EXPECT_TRUE(file.SetDosTimeAttr(0x7FFF0000, 0));  // month 15
  ASSERT_TRUE(file.Close());
  EXPECT_EQ(platform::FileAge(Path("a")), kTime);
  EXPECT_EQ(platform::FileGetAttr(Path("a")), 0);
  EXPECT_FALSE(platform::File().SetDosTimeAttr(kTime, 0));  // no handle
}

TEST_F(FileLayerTest, ErrorsNameTheirCause) {
  std::filesystem::create_directory(Native("sub"));
  platform::File file;
  EXPECT_FALSE(file.Open(Path("sub"), platform::OpenMode::Read));
  EXPECT_EQ(errno, EISDIR);
  try {
    platform::RaiseLastOSError(platform::IoAction::Open, Path("sub"));
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, EISDIR);
  }
  errno = 0;
  try {
    platform::RaiseLastOSError(platform::IoAction::Open, "X");
  } catch (const EInOutError& e) {
    EXPECT_EQ(std::string(e.what()).find("Success"), std::string::npos) << e.what();
    EXPECT_EQ(e.ErrorCode, 0);
  }
}

// A temporary file made open and moved into place through its handle, as extraction does.
TEST_F(FileLayerTest, AnOpenTemporaryFileMovesIntoPlaceWithItsAttributes) {
  Write("old", "old");
  ASSERT_EQ(chmod(Native("old").c_str(), 0640), 0);
  platform::File file;
  const std::string temp = platform::OpenTempFile(Path(""), "~pck", file);
  ASSERT_FALSE(temp.empty());
  ASSERT_TRUE(file.IsOpen());
  platform::File again;  // the name is taken
  EXPECT_FALSE(again.Open(temp, platform::OpenMode::CreateNew));
  ASSERT_EQ(file.Write("new", 3), 3);
  ASSERT_TRUE(file.MoveIntoPlace(temp, Path("old"), platform::faReadOnly));
  EXPECT_FALSE(file.IsOpen());
  EXPECT_FALSE(platform::FileExists(temp));
  EXPECT_EQ(Read("old"), "new");
  struct stat st;
  ASSERT_EQ(stat(Native("old").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0440u);  // the old file's mode, without its write bits

  // A move that fails leaves the target as it was, and a closed file is not moved after.
  std::filesystem::create_directory(Native("dir"));
  Write("dir/keep", "k");
  const std::string second = platform::OpenTempFile(Path(""), "~pck", file);
  ASSERT_FALSE(second.empty());
  EXPECT_NE(second, temp);
  EXPECT_FALSE(file.MoveIntoPlace(second, Path("dir"), 0));
  EXPECT_EQ(Read("dir/keep"), "k");
  EXPECT_FALSE(file.MoveIntoPlace(second, Path("placed"), 0));
  EXPECT_FALSE(platform::FileExists(Path("placed")));
  EXPECT_TRUE(platform::RemoveFile(second));
}

// Keeping old files: a move that may not replace leaves whatever stands at the name, a link
// that leads nowhere too, and fails as the system says; a free name it takes.
TEST_F(FileLayerTest, AMoveThatMayNotReplaceLeavesWhatIsThere) {
  Write("old", "old");
  ASSERT_EQ(symlink("nowhere", Native("link").c_str()), 0);
  platform::Folder folder;
  std::string stop;
  ASSERT_EQ(folder.Open(Path(""), "", stop), platform::Folder::Status::Ok);
  for (const char* taken : {"old", "link"}) {
    platform::File file;
    const std::string temp = folder.OpenTemp("~pck", file);
    ASSERT_FALSE(temp.empty());
    EXPECT_FALSE(folder.MoveIntoPlace(file, temp, taken, 0, false)) << taken;
    EXPECT_EQ(errno, EEXIST) << taken;
    EXPECT_TRUE(folder.Remove(temp)) << taken;
  }
  EXPECT_EQ(Read("old"), "old");
  EXPECT_EQ(std::filesystem::read_symlink(Native("link")), "nowhere");
  EXPECT_FALSE(std::filesystem::exists(Native("nowhere")));
  platform::File file;
  const std::string temp = folder.OpenTemp("~pck", file);
  ASSERT_EQ(file.Write("new", 3), 3);
  EXPECT_TRUE(folder.MoveIntoPlace(file, temp, "free", 0, false));
  EXPECT_EQ(Read("free"), "new");
  EXPECT_FALSE(std::filesystem::exists(Native(temp)));
}

// Any host name comes back byte for byte from its Windows form: a name the code page cannot
// hold, a byte that is no UTF-8, a backslash inside a name, the escape byte itself.
TEST(PathConversion, EveryHostPathComesBackAsItWas) {
  const struct {
    std::string native;
    bool exact;
  } names[] = {
      {"plain/a.txt", true},
      {"a\xC3\xA7\xC3\xA3o", true},           // ação
      {"\xE5\x87\xBA\xE5\x8A\x9B/x", false},  // 出力
      {"r\xE9sum\xE9", false},                // Latin-1, not UTF-8
      {"back\\slash", false},
      {"esc\x01"
       "41",
       false},
      {"\xC0\xAF", false},  // an overlong slash
      {"mixed\xE9\xC3\xA7\xE4\xB8\xAD", false},
  };
  for (const auto& [native, exact] : names) {
    const std::string windows = platform::WindowsPath(native);
    EXPECT_EQ(platform::NativePath(windows), native) << native;
    EXPECT_EQ(platform::IsExactPath(windows), exact) << native;
  }
  EXPECT_EQ(platform::WindowsPath("d/a\xC3\xA7\xC3\xA3o"), "d\\a\xE7\xE3o");
  // A stored name can never decode to a separator or a NUL, whatever it holds.
  EXPECT_EQ(platform::NativePath("a\x01"
                                 "2F"
                                 "b\x01"
                                 "00"),
            "a\x01"
            "2Fb\x01"
            "00");
}

// Beyond what Windows shows: what is neither a file nor a directory is found only when asked
// for, saying what it is; times a DOS time cannot hold are clamped, and said to be.
TEST_F(FileLayerTest, FindFilesTellsOtherKindsAndClampedTimes) {
  ASSERT_EQ(mkfifo(Native("pipe").c_str(), 0600), 0);
  ASSERT_EQ(symlink("nowhere", Native("dangling").c_str()), 0);
  ASSERT_EQ(symlink("loop", Native("loop").c_str()), 0);
  const struct {
    const char* name;
    time_t when;
    int clamped;
    std::int32_t dos;  // in UTC, as the test runs (TZ=UTC below)
  } files[] = {
      {"y1975", 157766400, -1, 0x00210000},                             // 1975-01-01
      {"y2044", 2335219200, 0, static_cast<std::int32_t>(0x80210000)},  // 2044-01-01
      {"y2200", 7258118400, 1, static_cast<std::int32_t>(0xFF9FBF7D)},  // 2200-01-01
  };
  const char* tz = getenv("TZ");
  const std::string savedTz = tz ? tz : "";
  setenv("TZ", "UTC", 1);
  tzset();
  for (const auto& f : files) {
    Write(f.name, "x");
    struct timespec times[2] = {{0, UTIME_OMIT}, {f.when, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, Native(f.name).c_str(), times, 0), 0);
  }
  auto plain = platform::FindFiles(Path("*"), platform::faFiles);
  auto all = platform::FindFiles(Path("*"), platform::faFiles | platform::faOther);
  if (tz)
    setenv("TZ", savedTz.c_str(), 1);
  else
    unsetenv("TZ");
  tzset();
  EXPECT_EQ(plain.size(), 3u);
  ASSERT_EQ(all.size(), 6u);
  for (const auto& found : all) {
    if (found.Attr & platform::faOther) {
      const std::string kind = found.Kind;
      EXPECT_EQ(kind, found.Name == "pipe"       ? "a named pipe"
                      : found.Name == "dangling" ? "a dangling link"
                                                 : "a link that leads in a circle")
          << found.Name;
      continue;
    }
    for (const auto& f : files) {
      if (found.Name != f.name) continue;
      EXPECT_EQ(found.Clamped, f.clamped) << f.name;
      EXPECT_EQ(found.Time, f.dos) << f.name;
      EXPECT_TRUE(found.Exact);
    }
  }
}

}  // namespace
