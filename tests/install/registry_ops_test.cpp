// Registry and INI writes, and the database engine's two groups of settings.
#include <cstring>

#include "install/install.h"
#include "install/install_item.h"
#include "tests/install/doubles.h"
#include "tests/install/recorded_task.h"

namespace {

using platform::RegistryValue;
using platform::RootKey;

const char kRegistryError[] = "Erro na atualiza\xE7\xE3o do Registry";
const char kInit[] = "SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\PARADOX\\INIT";
const char kTable[] =
    "SOFTWARE\\Borland\\Database Engine\\Settings\\DRIVERS\\PARADOX\\TABLE CREATE";
const char kSystem[] = "SOFTWARE\\Borland\\Database Engine\\Settings\\SYSTEM\\INIT";

RegistryValue Sz(const std::string& text) { return {platform::RegSz, text + '\0'}; }
RegistryValue Dword(std::uint32_t v) {
  const char bytes[4] = {static_cast<char>(v), static_cast<char>(v >> 8),
                         static_cast<char>(v >> 16), static_cast<char>(v >> 24)};
  return {platform::RegDword, std::string(bytes, 4)};
}

class RegistryOpsTest : public doubles::PlatformTest, public RecordedTask {
 protected:
  RegistryOpsTest() : RecordedTask("IDAPI") {}
};

TEST_F(RegistryOpsTest, WriteRegistryEncodesEachKind) {
  EXPECT_TRUE(task.WriteRegistry(RootKey::LocalMachine, "SOFTWARE\\T", "I", std::int32_t{-2}));
  EXPECT_TRUE(task.WriteRegistry(RootKey::LocalMachine, "SOFTWARE\\T", "D", 1.5));
  EXPECT_TRUE(task.WriteRegistry(RootKey::LocalMachine, "SOFTWARE\\T", "B", true));
  EXPECT_TRUE(task.WriteRegistry(RootKey::LocalMachine, "SOFTWARE\\T", "F", false));
  EXPECT_TRUE(task.WriteRegistry(RootKey::LocalMachine, "SOFTWARE\\T", "S", "texto"));
  EXPECT_EQ(*registry.Value("SOFTWARE\\T", "I"), Dword(0xFFFFFFFEu));
  const double d = 1.5;
  std::string bytes(8, '\0');
  std::memcpy(bytes.data(), &d, 8);
  EXPECT_EQ(*registry.Value("SOFTWARE\\T", "D"), (RegistryValue{platform::RegBinary, bytes}));
  EXPECT_EQ(*registry.Value("SOFTWARE\\T", "B"), Dword(1));
  EXPECT_EQ(*registry.Value("SOFTWARE\\T", "F"), Dword(0));
  EXPECT_EQ(*registry.Value("SOFTWARE\\T", "S"), Sz("texto"));
  // One notification pair per write, all with the same text.
  EXPECT_EQ(items, std::vector<std::string>(5, "Atualizando o Registry"));
  EXPECT_EQ(Actions(), std::vector<std::int32_t>(5, 0));
}

TEST_F(RegistryOpsTest, OtherKindsWriteNothingAndSucceed) {
  const TRegistryValue others[] = {TRegistryValue{}, TDateTime{45000.5}, TCurrency{12345},
                                   std::int16_t{3}, 2.5f};
  for (const auto& value : others)
    EXPECT_TRUE(task.WriteRegistry(RootKey::LocalMachine, "SOFTWARE\\T", "X", value));
  EXPECT_TRUE(registry.Written.empty());
  EXPECT_FALSE(registry.Value("SOFTWARE\\T", "X"));
  EXPECT_EQ(Actions(), std::vector<std::int32_t>(5, 0));
}

TEST_F(RegistryOpsTest, WriteRegistryCreatesTheKeyWithItsParents) {
  EXPECT_TRUE(task.WriteRegistryString(RootKey::LocalMachine, "SOFTWARE\\A\\B\\C", "V", "1"));
  EXPECT_TRUE(registry.Store.OpenKey(RootKey::LocalMachine, "SOFTWARE\\A", false));
  EXPECT_TRUE(registry.Store.OpenKey(RootKey::LocalMachine, "SOFTWARE\\A\\B", false));
  EXPECT_EQ(*registry.Value("SOFTWARE\\A\\B\\C", "V"), Sz("1"));
}

TEST_F(RegistryOpsTest, ParadoxDriverWritesTheEightValues) {
  EXPECT_TRUE(task.SetParadoxDriver(true, "ANSI850"));
  EXPECT_EQ(*registry.Value(kInit, "VERSION"), Sz("4.0"));
  EXPECT_EQ(*registry.Value(kInit, "TYPE"), Sz("FILE"));
  EXPECT_EQ(*registry.Value(kInit, "LANGDRIVER"), Sz("ANSI850"));
  EXPECT_EQ(*registry.Value(kTable, "LEVEL"), Sz("7"));
  EXPECT_EQ(*registry.Value(kTable, "BLOCK SIZE"), Sz("2048"));
  EXPECT_EQ(*registry.Value(kTable, "FILL FACTOR"), Sz("95"));
  EXPECT_EQ(*registry.Value(kTable, "STRICTINTEGRTY"), Sz("TRUE"));
  EXPECT_EQ(*registry.Value(kSystem, "LOCAL SHARE"), Sz("TRUE"));
  EXPECT_EQ(registry.Written.size(), 8u);
  EXPECT_EQ(registry.Written[2], (std::pair<std::string, std::string>{kInit, "LANGDRIVER"}));
  EXPECT_EQ(Actions().size(), 8u);

  EXPECT_TRUE(task.SetParadoxDriver(false, "ANSI850"));
  EXPECT_EQ(*registry.Value(kSystem, "LOCAL SHARE"), Sz("FALSE"));
}

TEST_F(RegistryOpsTest, AbortInTheMiddleOfTheDriverSettingsStopsThere) {
  registry.FailuresLeft["TYPE"] = 1;
  ui.Answers = {platform::mrAbort};
  EXPECT_FALSE(task.SetParadoxDriver(true, "ANSI850"));
  EXPECT_EQ(registry.Written,
            (std::vector<std::pair<std::string, std::string>>{{kInit, "VERSION"}}));
  EXPECT_EQ(Actions(), (std::vector<std::int32_t>{0, 3}));
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].Text, kRegistryError);
  EXPECT_EQ(ui.Boxes[0].Type, platform::MsgType::Error);
}

TEST_F(RegistryOpsTest, IgnoreGoesOnWithTheNextValue) {
  registry.FailuresLeft["DLLPATH"] = 1;
  ui.Answers = {platform::mrIgnore};
  EXPECT_TRUE(task.SetEnginePaths("C:\\BDE", "C:\\BLAPI"));
  EXPECT_FALSE(registry.Value("SOFTWARE\\Borland\\Database Engine", "DLLPATH"));
  EXPECT_EQ(*registry.Value("SOFTWARE\\Borland\\Database Engine", "RESOURCE"), Sz("0009"));
  EXPECT_EQ(*registry.Value("SOFTWARE\\Borland\\BLW32", "BLAPIPATH"), Sz("C:\\BLAPI"));
  EXPECT_EQ(Actions(), (std::vector<std::int32_t>{5, 0, 0}));
}

TEST_F(RegistryOpsTest, EnginePathsAreReadBackByDiscovery) {
  EXPECT_TRUE(task.SetEnginePaths("E:\\IDAPI", "E:\\IDAPI"));
  TInstall later;
  EXPECT_EQ(later.EngineDir, "E:\\IDAPI");
  EXPECT_EQ(later.BlapiDir, "E:\\IDAPI");
}

TEST_F(RegistryOpsTest, CountingAddsEightAndThreeAndWritesNothing) {
  task.Execute(true);
  EXPECT_TRUE(task.SetParadoxDriver(true, "ANSI850"));
  EXPECT_EQ(list.OperationCount, 8);
  EXPECT_TRUE(task.SetEnginePaths("C:\\BDE", "C:\\BDE"));
  EXPECT_EQ(list.OperationCount, 11);
  EXPECT_TRUE(registry.Written.empty());
  EXPECT_TRUE(items.empty());
}

TEST_F(RegistryOpsTest, WriteIniStringJoinsThePath) {
  EXPECT_TRUE(task.WriteIniString("", "TAVO.INI", "INSTALL", "Path", "C:\\RUDOdez"));
  EXPECT_TRUE(task.WriteIniString("C:\\RUDOdez\\", "TAVO.INI", "HTTP", "Port", "80"));
  using Write = doubles::MemoryProfile::Write;
  EXPECT_EQ(profile.Writes, (std::vector<Write>{{"TAVO.INI", "INSTALL", "Path", "C:\\RUDOdez"},
                                                {"C:\\RUDOdez\\TAVO.INI", "HTTP", "Port", "80"}}));
  EXPECT_EQ(items, (std::vector<std::string>{"Atualizando arquivo TAVO.INI",
                                             "Atualizando arquivo C:\\RUDOdez\\TAVO.INI"}));
}

}  // namespace
