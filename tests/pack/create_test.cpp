// Writing archives: the byte layout, the file list, headers, Offset, and how the written
// archive reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>

#include "pack/pack.h"
#include "pack/paths.h"
#include "platform/fileinfo.h"
#include "tests/pack/pack_test_util.h"

namespace {

using namespace packtest;

class CreateTest : public PackTest {
 protected:
  void SetUp() override {
    PackTest::SetUp();
    src = dir + "SRC";
    pack.Directory = src;
    pack.PackFileName = dir + "OUT\\DATA.PCK";
    pack.PathOption = TPathOption::poRelative;
  }
  V Sorted(V v) {
    std::sort(v.begin(), v.end());
    return v;
  }
  std::string src;
  TCustomPack pack;
};

TEST_F(CreateTest, OneEntryArchiveIsFortyFiveBytes) {
  WriteFile(src + "\\A.TXT", "abc");
  platform::FileSetAttr(src + "\\A.TXT", platform::faReadOnly);
  pack.Items = {"A.TXT"};
  ASSERT_TRUE(pack.Create()) << pack.ErrorMessage();
  std::string b = ReadFile(pack.PackFileName);
  ASSERT_EQ(b.size(), 45u);
  EXPECT_EQ(b.substr(0, 5), "PCK11");
  double stamp;
  std::memcpy(&stamp, b.data() + 5, 8);
  EXPECT_EQ(stamp, pack.GetStamp());
  EXPECT_GT(stamp, 44000.0);  // after 2020
  EXPECT_EQ(b.substr(13, 2), std::string("\x01\x00", 2));
  EXPECT_EQ(b.substr(15, 4), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(b.substr(19, 4), std::string(4, '\0'));
  EXPECT_EQ(b.substr(23, 3), std::string(3, '\0'));
  EXPECT_EQ(b.substr(26, 4), std::string("\x03\x00\x00\x00", 4));
  EXPECT_EQ(static_cast<unsigned char>(b[30]) & platform::faReadOnly, platform::faReadOnly);
  std::int32_t time;
  std::memcpy(&time, b.data() + 32, 4);
  EXPECT_EQ(time, platform::FileAge(src + "\\A.TXT"));
  EXPECT_EQ(b.substr(36),
            "\x05"
            "A.TXTabc");
  platform::FileSetAttr(src + "\\A.TXT", 0);
}

TEST_F(CreateTest, PasswordAndHeaderLines) {
  WriteFile(src + "\\A", "1");
  pack.Items = {"A"};
  pack.Password = "abc";
  pack.OnWriteHeader = [&](TObject*) { pack.Header = {"first", std::string(300, 'L')}; };
  ASSERT_TRUE(pack.Create()) << pack.ErrorMessage();
  std::string b = ReadFile(pack.PackFileName);
  EXPECT_EQ(b.substr(23, 4), "\x03\x9E\x9D\x9C");
  EXPECT_EQ(b.substr(27, 2), std::string("\x02\x00", 2));
  EXPECT_EQ(b.substr(29, 6),
            "\x05"
            "first");
  EXPECT_EQ(static_cast<unsigned char>(b[35]), 255);  // a line is cut to 255 bytes
  EXPECT_EQ(pack.Password, "abc");                    // inverted only on the way out

  TCustomPack reader;
  reader.PackFileName = pack.PackFileName;
  reader.Password = "abc";
  ASSERT_TRUE(reader.Process(TCustomPack::kModeList));
  EXPECT_EQ(reader.Header, (V{"first", std::string(255, 'L')}));
}

TEST_F(CreateTest, TooManyHeaderLinesFailInsteadOfWrappingTheCount) {
  WriteFile(src + "\\A", "1");
  pack.Items = {"A"};
  pack.Header.assign(65536, "x");
  EXPECT_FALSE(pack.Create());
  EXPECT_FALSE(packtest::Exists(pack.PackFileName));
  pack.Header.resize(65535);
  EXPECT_TRUE(pack.Create()) << pack.ErrorMessage();
}

TEST_F(CreateTest, BuildListUsesItemsAndExcludes) {
  WriteFile(src + "\\A.TXT", "a");
  WriteFile(src + "\\OLD.BAK", "o");
  WriteFile(src + "\\SUB\\B.TXT", "b");
  WriteFile(src + "\\SUB\\C.DOC", "c");
  pack.Items = {"*.TXT", "SUB\\*.TXT"};
  int prepared = 0;
  pack.OnPrepared = [&](TObject*) { ++prepared; };
  pack.BuildList();
  EXPECT_EQ(pack.List, (V{src + "\\A.TXT", src + "\\SUB\\B.TXT"}));
  EXPECT_EQ(pack.GetFileCount(), 2);
  EXPECT_EQ(prepared, 1);
  pack.Items = {"*.*"};
  pack.Excludes = {"*.BAK"};
  pack.BuildList();
  EXPECT_EQ(pack.List, (V{src + "\\A.TXT"}));  // no subdirectories, no OLD.BAK
  pack.Items = {"*.TXT", "A.*"};
  pack.Excludes.clear();
  pack.BuildList();
  EXPECT_EQ(pack.List, (V{src + "\\A.TXT", src + "\\A.TXT"}));  // found twice, listed twice
}

TEST_F(CreateTest, PathOptionNamesTheStoredFiles) {
  WriteFile(src + "\\SUB\\B.TXT", "b");
  pack.Items = {"SUB\\*.TXT"};
  std::string name;
  pack.OnProgress = [&](TObject*, const std::string& n, std::int32_t, bool&) {
    if (!n.empty()) name = n;
  };
  ASSERT_TRUE(pack.Create());
  EXPECT_EQ(name, "SUB\\B.TXT");
  pack.PathOption = TPathOption::poNone;
  ASSERT_TRUE(pack.Create());
  EXPECT_EQ(name, "B.TXT");
  pack.PathOption = TPathOption::poFullPath;
  ASSERT_TRUE(pack.Create()) << pack.ErrorMessage();
  EXPECT_EQ(ExtractFileDrive(src) + name, src + "\\SUB\\B.TXT");  // all but the drive
}

TEST_F(CreateTest, VersionOneOnlyFromARawBlockWithoutHeader) {
  WriteFile(src + "\\A", "1");
  pack.Items = {"A"};
  ASSERT_TRUE(pack.Create());
  EXPECT_EQ(pack.GetVersion(), 2);

  packtest::ArchiveBuilder carried;
  carried.reserved = 77;
  WriteFile(dir + "RESERVED.PCK", carried.Build());
  TCustomPack again;
  again.PackFileName = dir + "RESERVED.PCK";
  ASSERT_TRUE(again.Process(TCustomPack::kModeList));
  again.Directory = src;
  again.Items = {"A"};
  ASSERT_TRUE(again.Create());
  EXPECT_EQ(ReadFile(dir + "RESERVED.PCK").substr(19, 4), std::string("\x4D\0\0\0", 4));

  packtest::ArchiveBuilder old;
  old.version = 1;
  old.raw = "RAW";
  WriteFile(dir + "OLD.PCK", old.Build());
  TCustomPack copy;
  copy.PackFileName = dir + "OLD.PCK";
  ASSERT_TRUE(copy.Process(TCustomPack::kModeList));
  copy.PackFileName = dir + "NEW.PCK";
  copy.Directory = src;
  copy.Items = {"A"};
  ASSERT_TRUE(copy.Create()) << copy.ErrorMessage();
  EXPECT_EQ(copy.GetVersion(), 1);
  EXPECT_EQ(ReadFile(dir + "NEW.PCK").substr(0, 5), "PCK10");
  EXPECT_EQ(ReadFile(dir + "NEW.PCK").substr(15, 5), std::string("\x03\x00RAW", 5));
  ASSERT_TRUE(copy.Process(TCustomPack::kModeList));
  EXPECT_EQ(copy.List, (V{"A"}));
  copy.Header = {"now with text"};
  ASSERT_TRUE(copy.Create());
  EXPECT_EQ(copy.GetVersion(), 2);
}

TEST_F(CreateTest, OffsetKeepsWhatPrecedesTheArchive) {
  std::string stub(512, 'S');
  WriteFile(pack.PackFileName, stub);
  WriteFile(src + "\\A", "payload");
  pack.Items = {"A"};
  pack.Offset = 512;
  ASSERT_TRUE(pack.Create()) << pack.ErrorMessage();
  std::string b = ReadFile(pack.PackFileName);
  EXPECT_EQ(b.substr(0, 512), stub);
  EXPECT_EQ(b.substr(512, 5), "PCK11");
  TCustomPack reader;
  reader.PackFileName = pack.PackFileName;
  reader.Offset = 512;
  reader.Directory = dir + "X";
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  EXPECT_EQ(ReadFile(dir + "X\\A"), "payload");
}

TEST_F(CreateTest, FailuresLeaveNoHalfArchive) {
  pack.Items = {"*.*"};
  pack.PackFileName.clear();
  EXPECT_FALSE(pack.Create());
  EXPECT_EQ(pack.ErrorMessage(), "PackFileName inv\xE1lido");
  pack.PackFileName = dir + "OUT\\DATA.PCK";
  // A file that vanishes between listing and storing.
  WriteFile(src + "\\A", std::string(100000, 'a'));
  WriteFile(src + "\\B", "b");
  pack.OnPrepared = [&](TObject*) { platform::RemoveFile(src + "\\B"); };
  std::vector<std::string> errors;
  pack.OnError = [&](TObject*, const Exception& e, const std::string& name) {
    errors.push_back(name + " " + e.Message());
  };
  EXPECT_FALSE(pack.Create());
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind(src + "\\B", 0), 0u);
  EXPECT_FALSE(packtest::Exists(pack.PackFileName));
}

TEST_F(CreateTest, NamesNoReaderWouldExtractAreRefused) {
  WriteFile(src + "\\A", "1");
  pack.Items = {"..\\SRC\\A"};  // found, but stored as "..\SRC\A"
  std::string error;
  pack.OnError = [&](TObject*, const Exception& e, const std::string&) { error = e.Message(); };
  EXPECT_FALSE(pack.Create());
  EXPECT_EQ(error, "Nome de arquivo inv\xE1lido: ..\\SRC\\A");
  EXPECT_FALSE(packtest::Exists(pack.PackFileName));
}

TEST_F(CreateTest, EmptyListGivesAnEmptyArchive) {
  platform::ForceDirectories(src);
  pack.Items = {"*.*"};
  ASSERT_TRUE(pack.Create());
  EXPECT_EQ(ReadFile(pack.PackFileName).size(), 26u);
  TCustomPack reader;
  reader.PackFileName = pack.PackFileName;
  ASSERT_TRUE(reader.Process(TCustomPack::kModeList));
  EXPECT_TRUE(reader.List.empty());
}

TEST_F(CreateTest, FixedStampAndLatestTimeMakeTheSameBytesAgain) {
  // 2022-01-01 00:00:00: the old file keeps its 2021 time, the new one is stored as this.
  constexpr std::int32_t kLatest = (42 << 25) | (1 << 21) | (1 << 16);
  WriteFile(src + "\\OLD.TXT", "old");
  WriteFile(src + "\\NEW.TXT", "new");
  SetFileDateAttr(src + "\\OLD.TXT", packtest::kTime, 0);
  pack.Items = {"NEW.TXT", "OLD.TXT"};
  pack.FixedStamp = 44561.5;
  pack.LatestTime = kLatest;
  ASSERT_TRUE(pack.Create()) << pack.ErrorMessage();
  std::string first = ReadFile(pack.PackFileName);
  ASSERT_TRUE(pack.Create()) << pack.ErrorMessage();
  EXPECT_EQ(ReadFile(pack.PackFileName), first);
  double stamp;
  std::memcpy(&stamp, first.data() + 5, 8);
  EXPECT_EQ(stamp, 44561.5);

  TCustomPack reader;
  reader.PackFileName = pack.PackFileName;
  std::vector<std::int32_t> times;
  reader.OnList = [&](TObject*, const std::string&, std::int32_t, std::uint16_t,
                      std::int32_t time) { times.push_back(time); };
  ASSERT_TRUE(reader.Process(TCustomPack::kModeList)) << reader.ErrorMessage();
  EXPECT_EQ(times, (std::vector<std::int32_t>{kLatest, packtest::kTime}));
}

// From 2044 on an MS-DOS time has its top bit set: as a signed number it is negative, yet a
// valid date that must be stored and given back as it is, up to the last one, in 2107.
TEST_F(CreateTest, DatesFrom2044OnAreStoredAndExtractedAsTheyAre) {
  constexpr auto dos = [](int year, int month, int day, int hour, int minute, int second) {
    return platform::PackDosTime({year, month, day, hour, minute, second, 0});
  };
  const std::vector<std::int32_t> times = {dos(2043, 12, 31, 23, 59, 58), dos(2044, 1, 1, 0, 0, 0),
                                           dos(2050, 6, 1, 12, 0, 0),
                                           dos(2107, 12, 31, 23, 59, 58)};
  V names;
  for (std::size_t i = 0; i < times.size(); ++i) {
    names.push_back("T");
    names.back() += std::to_string(i);
    WriteFile(src + "\\" + names.back(), "x");
    platform::File file;
    ASSERT_TRUE(file.Open(src + "\\" + names.back(), platform::OpenMode::ReadWrite));
    ASSERT_TRUE(file.SetDosTime(times[i]));
  }
  pack.Items = {"T*"};
  ASSERT_TRUE(pack.Create()) << pack.ErrorMessage();

  TCustomPack reader;
  reader.PackFileName = pack.PackFileName;
  reader.Directory = dir + "OUT2";
  std::map<std::string, std::int32_t> listed;
  reader.OnList = [&](TObject*, const std::string& name, std::int32_t, std::uint16_t,
                      std::int32_t time) { listed[name] = time; };
  ASSERT_TRUE(reader.Extract()) << reader.ErrorMessage();
  for (std::size_t i = 0; i < times.size(); ++i) {
    EXPECT_EQ(listed[names[i]], times[i]) << names[i];
    EXPECT_EQ(platform::FileAge(reader.Directory + "\\" + names[i]), times[i]) << names[i];
  }
}

}  // namespace
