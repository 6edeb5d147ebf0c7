// The settings made from the wizard's answers, and the wizard's defaults read back from the
// product INI file through the host's real profile functions.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/settings.h"
#include "app/win_kit.h"
#include "platform/profile.h"

namespace {

TEST(Format, FillsTheOnePlaceWithTheWholeArgument) {
  EXPECT_EQ(app::Format("Bem-vindo a %s", "Pesquisa"), "Bem-vindo a Pesquisa");
  EXPECT_EQ(app::Format("%s. ", "X"), "X. ");
  // A long product title or path is shown whole, not cut at 255 characters.
  const std::string longer(300, 'a');
  EXPECT_EQ(app::Format("<%s>", longer), "<" + longer + ">");
  // Percent signs in the argument are text, not directives.
  EXPECT_EQ(app::Format("[%s]", "100%s %d"), "[100%s %d]");
}

TEST(MakeSettings, DerivesDirectoriesCodeAndPortFromTheAnswers) {
  const app::TSettings s = app::MakeSettings("D:\\Web", 1, 4);
  EXPECT_EQ(s.TargetDir, "D:\\Web");
  EXPECT_EQ(s.CgiBinDir, "D:\\Web\\cgi-bin");
  EXPECT_EQ(s.ImagesDir, "D:\\Web\\images");
  EXPECT_EQ(s.DbDir, "D:\\Web\\db");
  EXPECT_EQ(s.TypeIndex, 1);
  EXPECT_EQ(s.TypeCode, "F110");
  EXPECT_EQ(s.PortIndex, 4);
  EXPECT_EQ(s.PortText, "8888");
}

TEST(MakeSettings, EveryListIndexHasItsCodeAndPort) {
  const char* codes[] = {"C110", "F110", "C100", "F100"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(app::MakeSettings("X", i, 0).TypeCode, codes[i]);
  const char* ports[] = {"80", "8080", "8088", "8880", "8888"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(app::MakeSettings("X", 0, i).PortText, ports[i]);
}

TEST(MakeSettings, TakesTheTargetAsTypedWithoutNormalising) {
  EXPECT_EQ(app::MakeSettings("C:\\", 0, 0).CgiBinDir, "C:\\\\cgi-bin");
  EXPECT_EQ(app::MakeSettings("", 0, 0).DbDir, "\\db");
  EXPECT_EQ(app::MakeSettings("c:\\a b\\", 0, 0).ImagesDir, "c:\\a b\\\\images");
}

TEST(MakeSettings, IndexOutsideItsListCountsAsTheFirstItem) {
  const app::TSettings s = app::MakeSettings("X", 4, -1);
  EXPECT_EQ(s.TypeIndex, 0);
  EXPECT_EQ(s.TypeCode, "C110");
  EXPECT_EQ(s.PortIndex, 0);
  EXPECT_EQ(s.PortText, "80");
  EXPECT_EQ(app::MakeSettings("X", 0, 5).PortText, "80");
}

// A product INI file of its own in the temporary folder, removed afterwards.
class InstallDefaultsTest : public ::testing::Test {
 protected:
  std::string ini;
  void SetUp() override {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    char name[MAX_PATH];
    GetTempFileNameA(dir, "ini", 0, name);
    ini = name;
    DeleteFileA(ini.c_str());
  }
  void TearDown() override { DeleteFileA(ini.c_str()); }
  void Write(const char* key, const char* value) {
    ASSERT_TRUE(platform::CurrentProfile().WriteString(ini, "INSTALL", key, value));
  }
};

TEST_F(InstallDefaultsTest, MissingFileGivesTheDefaults) {
  const app::TInstallDefaults d = app::ReadInstallDefaults(ini);
  EXPECT_EQ(d.Path, "C:\\RUDOdez");
  EXPECT_EQ(d.Type, 0);
  EXPECT_EQ(d.Port, 0);
}

TEST_F(InstallDefaultsTest, ReadsWhatAnEarlierRunWroteWhateverTheCase) {
  Write("Path", "D:\\X");
  Write("Type", "3");
  Write("Port", "2");
  const app::TInstallDefaults d = app::ReadInstallDefaults(ini);
  EXPECT_EQ(d.Path, "D:\\X");
  EXPECT_EQ(d.Type, 3);
  EXPECT_EQ(d.Port, 2);
}

TEST_F(InstallDefaultsTest, MissingKeyGivesItsDefaultAlone) {
  Write("Type", "2");
  const app::TInstallDefaults d = app::ReadInstallDefaults(ini);
  EXPECT_EQ(d.Path, "C:\\RUDOdez");
  EXPECT_EQ(d.Type, 2);
  EXPECT_EQ(d.Port, 0);
}

TEST_F(InstallDefaultsTest, IndexOutsideItsListOrNotANumberFallsBackToTheFirstItem) {
  Write("Type", "4");
  Write("Port", "-1");
  EXPECT_EQ(app::ReadInstallDefaults(ini).Type, 0);
  EXPECT_EQ(app::ReadInstallDefaults(ini).Port, 0);
  Write("Type", "2x");
  Write("Port", "8080");
  EXPECT_EQ(app::ReadInstallDefaults(ini).Type, 0);
  EXPECT_EQ(app::ReadInstallDefaults(ini).Port, 0);
  Write("Port", "4");
  EXPECT_EQ(app::ReadInstallDefaults(ini).Port, 4);
}

}  // namespace
