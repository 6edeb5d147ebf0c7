// INI files on a host without the Windows profile API.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/file.h"
#include "platform/ini_file.h"
#include "platform/shell.h"
#include "tests/support/temp_dir.h"

namespace {

class WindowsDirShell final : public platform::Shell {
 public:
  std::string Dir;
  std::string WindowsDirectory() override { return Dir; }
  std::string SystemDirectory() override { return Dir + "\\SYSTEM"; }
  std::string ProgramPath() override { return ""; }
  bool ShowWindowOfClass(const std::string&, int) override { return false; }
};

class IniFileTest : public ::testing::Test {
 protected:
  IniFileTest() {
    std::filesystem::create_directories(root_ / "windows");
    shell_.Dir = platform::WindowsPath((root_ / "windows").string());
  }
  std::string Path(const std::string& name) {
    return platform::WindowsPath((root_ / name).string());
  }
  std::string Contents(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void Put(const std::string& name, const std::string& text) {
    std::ofstream(root_ / name, std::ios::binary) << text;
  }

  testsupport::TempDir temp_;
  std::filesystem::path root_ = temp_.Root();
  WindowsDirShell shell_;
  platform::ServiceGuard<platform::Shell*> current_ = platform::SetShell(&shell_);
  platform::IniFileProfile ini;
};

TEST_F(IniFileTest, ABareNameMeansTheWindowsDirectory) {
  EXPECT_TRUE(ini.WriteString("TAVO.INI", "INSTALL", "Path", "C:\\RUDOdez"));
  EXPECT_EQ(Contents(root_ / "windows" / "TAVO.INI"), "[INSTALL]\r\nPath=C:\\RUDOdez\r\n");
  EXPECT_EQ(ini.ReadString("TAVO.INI", "install", "PATH", "x"), "C:\\RUDOdez");
  EXPECT_EQ(platform::IniFileProfile::Resolve("A.INI"), shell_.Dir + "\\A.INI");
  EXPECT_EQ(platform::IniFileProfile::Resolve("D:\\A.INI"), "D:\\A.INI");
}

TEST_F(IniFileTest, ReadsWithTheWindowsRules) {
  Put("a.ini",
      "; comment\r\n[Other]\r\nKey=other\r\n[ Main ]\r\n  Key  =  spaced value  \r\n"
      "Key=second\r\nQ=\"quoted\"\r\nS='single'\r\nHalf=\"open\r\nEmpty=\r\n");
  const std::string file = Path("a.ini");
  EXPECT_EQ(ini.ReadString(file, "MAIN", "key", "d"), "spaced value");
  EXPECT_EQ(ini.ReadString(file, "other", "KEY", "d"), "other");
  EXPECT_EQ(ini.ReadString(file, "Main", "Q", "d"), "quoted");
  EXPECT_EQ(ini.ReadString(file, "Main", "S", "d"), "single");
  EXPECT_EQ(ini.ReadString(file, "Main", "Half", "d"), "\"open");
  EXPECT_EQ(ini.ReadString(file, "Main", "Empty", "d"), "");
  EXPECT_EQ(ini.ReadString(file, "Main", "Missing", "d"), "d");
  EXPECT_EQ(ini.ReadString(file, "Nowhere", "Key", "d"), "d");
  EXPECT_EQ(ini.ReadString(Path("missing.ini"), "Main", "Key", "d"), "d");
}

TEST_F(IniFileTest, WritesReplaceAddToTheSectionOrAddASection) {
  Put("b.ini", "[A]\nX=1\n\n[B]\nY=2\n");
  const std::string file = Path("b.ini");
  EXPECT_TRUE(ini.WriteString(file, "a", "x", "10"));  // replaced, key spelling kept
  EXPECT_TRUE(ini.WriteString(file, "A", "Z", "3"));   // added after the section's last line
  EXPECT_TRUE(ini.WriteString(file, "C", "W", "4"));   // new section at the end
  EXPECT_EQ(Contents(root_ / "b.ini"),
            "[A]\r\nX=10\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n\r\n[C]\r\nW=4\r\n");
}

TEST_F(IniFileTest, LatinLettersMatchWithoutRegardToCase) {
  EXPECT_TRUE(ini.WriteString(Path("c.ini"),
                              "Configura\xE7\xF5"
                              "es",
                              "Dir", "\xC1rvore"));
  EXPECT_EQ(ini.ReadString(Path("c.ini"),
                           "CONFIGURA\xC7\xD5"
                           "ES",
                           "dir", ""),
            "\xC1rvore");
}

TEST_F(IniFileTest, AFailedWriteLeavesTheFileAlone) {
  EXPECT_FALSE(ini.WriteString(Path("no/such/dir/d.ini"), "A", "B", "C"));
  // The new file cannot be made (a directory is in its way): the old one stays as it was.
  Put("e.ini", "[A]\r\nB=old\r\n");
  std::filesystem::create_directory(root_ / "e.ini.new");
  EXPECT_FALSE(ini.WriteString(Path("e.ini"), "A", "B", "new"));
  EXPECT_EQ(Contents(root_ / "e.ini"), "[A]\r\nB=old\r\n");
  std::filesystem::remove(root_ / "e.ini.new");
  EXPECT_TRUE(ini.WriteString(Path("e.ini"), "A", "B", "new"));
  EXPECT_EQ(Contents(root_ / "e.ini"), "[A]\r\nB=new\r\n");
  EXPECT_FALSE(std::filesystem::exists(root_ / "e.ini.new"));
}

TEST_F(IniFileTest, ReadIntegerTakesOnlyWholeNumbers) {
  Put("f.ini", "[S]\nA= 42 \nB=-7\nC=+3\nD=12abc\nE=\nF=99999999999\nG=0x10\n");
  const std::string file = Path("f.ini");
  EXPECT_EQ(ini.ReadInteger(file, "S", "A", 5), 42);
  EXPECT_EQ(ini.ReadInteger(file, "S", "B", 5), -7);
  EXPECT_EQ(ini.ReadInteger(file, "S", "C", 5), 3);
  EXPECT_EQ(ini.ReadInteger(file, "S", "D", 5), 5);
  EXPECT_EQ(ini.ReadInteger(file, "S", "E", 5), 5);
  EXPECT_EQ(ini.ReadInteger(file, "S", "F", 5), 5);
  EXPECT_EQ(ini.ReadInteger(file, "S", "G", 5), 5);
  EXPECT_EQ(ini.ReadInteger(file, "S", "Missing", 5), 5);
}

}  // namespace
