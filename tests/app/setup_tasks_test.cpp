// The product's tasks and handlers against the real install engine, with the registry, INI
// profile, DDE and message boxes replaced by doubles. The archives do not exist here, so every
// expansion fails and its error box is answered (Ignore unless a test says otherwise).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/setup_tasks.h"
#include "pack/pack_lz.h"
#include "platform/file.h"
#include "tests/app/doubles.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::UpperAscii;
using Shown = std::vector<std::pair<std::string, std::string>>;

const std::string kWeb = "Aplica\xE7\xE3o (WebSrv)";
const std::string kIsapi = "Aplica\xE7\xE3o (Isapi)";
const std::string kDb = "Banco de Dados";
const std::string kIni =
    "Configura\xE7\xF5"
    "es";
const std::string kIdapi = "Borland IDAPI";
const std::string kGroup = "Cria\xE7\xE3o de Grupos/Icones";
const std::string kRegistry = "Atualizando o Registry";
const std::string kEngineKey = "SOFTWARE\\Borland\\Database Engine";
const std::string kParadoxInit = kEngineKey + "\\Settings\\DRIVERS\\PARADOX\\INIT";
const std::string kParadoxCreate = kEngineKey + "\\Settings\\DRIVERS\\PARADOX\\TABLE CREATE";

class SetupTasksTest : public ::testing::Test {
 protected:
  apptest::Doubles doubles;  // first: the task list reads the (double) registry when created
  apptest::FixedWizard wizard;
  apptest::CountingStatus status;
  std::unique_ptr<app::TSetupTasks> tasks =
      std::make_unique<app::TSetupTasks>(nullptr, wizard, status);

  void Answer(bool application, bool idapi, int type, int port,
              const std::string& target = "C:\\RUDOdez") {
    wizard.Target = target;
    tasks->ApplyAnswers({target, application, idapi, type, port});
  }

  std::string Expanding(const std::string& archive, const std::string& target) const {
    return "Expandindo " + UpperAscii(JoinPath(tasks->Install->SourceDir, archive)) + " para " +
           UpperAscii(target);
  }
  static std::string Updating(const std::string& directory) {
    return "Atualizando arquivo " + JoinPath(directory, "TAVO.INI");
  }
  std::string WindowsIni() const { return JoinPath(tasks->Install->WindowsDir, "TAVO.INI"); }

  // The error boxes shown during the run, without the final message.
  std::vector<std::string> ErrorTexts() const {
    std::vector<std::string> texts;
    for (const apptest::Box& box : doubles.Ui.Boxes)
      if (box.Buttons & platform::mbAbort) texts.push_back(box.Text);
    return texts;
  }
  const apptest::Box& FinalBox() const { return doubles.Ui.Boxes.back(); }
};

struct CountCase {
  bool Application, Idapi;
  int Port;
  std::int32_t Operations;
};

class OperationCountTest : public SetupTasksTest,
                           public ::testing::WithParamInterface<CountCase> {};

TEST_P(OperationCountTest, CountsTheOperationsOfTheEnabledTasksWithoutDoingAny) {
  const CountCase c = GetParam();
  Answer(c.Application, c.Idapi, 0, c.Port);
  EXPECT_EQ(tasks->Install->CountTasks(), c.Operations);
  EXPECT_TRUE(doubles.Profile.Writes.empty());
  EXPECT_TRUE(doubles.Dde.Sent.empty());
  EXPECT_TRUE(doubles.Ui.Boxes.empty());
  EXPECT_TRUE(status.Shown.empty());
}

INSTANTIATE_TEST_SUITE_P(
    WizardBoxes, OperationCountTest,
    ::testing::Values(CountCase{true, true, 1, 32}, CountCase{true, true, 4, 32},
                      CountCase{true, true, 0, 30}, CountCase{false, true, 3, 15},
                      CountCase{false, true, 0, 15}, CountCase{true, false, 2, 19},
                      CountCase{true, false, 0, 17}, CountCase{false, false, 4, 2}));

TEST_F(SetupTasksTest, RegistersTheTasksInRunOrder) {
  std::vector<std::string> titles;
  for (const auto& [title, task] : tasks->Install->Tasks) titles.push_back(title);
  EXPECT_EQ(titles, (std::vector<std::string>{kWeb, kIsapi, kDb, "Imagens", kIni, kIdapi,
                                              "Borland IDAPI (Lang Drivers)", kGroup}));
  for (const auto& [title, task] : tasks->Install->Tasks) {
    EXPECT_FALSE(task->Critical) << title;
    EXPECT_EQ(task->DiskNum, task == tasks->tskGrpIcons ? 0 : 1) << title;
  }
}

TEST_F(SetupTasksTest, FullRunShowsEveryOperationUnderItsTaskAndFillsTheBar) {
  Answer(true, true, 1, 4);
  EXPECT_TRUE(tasks->Install->Execute());

  const std::string target = "C:\\RUDOdez", cgiBin = target + "\\cgi-bin";
  Shown expected = {
      {kWeb, Expanding("WEB.PCK", target)},
      {kIsapi, Expanding("ISA.PCK", cgiBin)},
      // The images task runs the database handler through the database task, so both
      // archives come twice, each time under "Banco de Dados".
      {kDb, Expanding("DB.PCK", target + "\\db")},
      {kDb, Expanding("IMG.PCK", target + "\\images")},
      {kDb, Expanding("DB.PCK", target + "\\db")},
      {kDb, Expanding("IMG.PCK", target + "\\images")},
  };
  for (int i = 0; i < 3; ++i) expected.emplace_back(kIni, Updating(tasks->Install->WindowsDir));
  for (int i = 0; i < 3; ++i) expected.emplace_back(kIni, Updating(target));
  for (int i = 0; i < 3; ++i) expected.emplace_back(kIni, Updating(cgiBin));
  for (int i = 0; i < 2; ++i) expected.emplace_back(kIni, Updating(target));
  // The language drivers run through the engine task and show its title.
  expected.emplace_back(kIdapi, Expanding("IDAPI32.PCK", "C:\\BDE"));
  expected.emplace_back(kIdapi, Expanding("LD32.PCK", "C:\\BDE"));
  for (int i = 0; i < 11; ++i) expected.emplace_back(kIdapi, kRegistry);
  expected.emplace_back(kGroup, "Criando grupo \"URDA\"");
  expected.emplace_back(kGroup,
                        "Criando \xED"
                        "cone para \"C:\\RUDOdez\\TAVO.EXE\"");
  EXPECT_EQ(status.Shown, expected);

  EXPECT_EQ(status.Maximum, 32);
  EXPECT_EQ(status.Position, 32);
  EXPECT_EQ(ErrorTexts().size(), 8u);  // the eight expansions
  EXPECT_EQ(ErrorTexts().front(), "Erro expandindo " +
                                      UpperAscii(JoinPath(tasks->Install->SourceDir, "WEB.PCK")) +
                                      " para C:\\RUDODEZ");
  EXPECT_EQ(FinalBox().Text, "Instala\xE7\xE3o completa com sucesso");
  EXPECT_EQ(FinalBox().Type, platform::MsgType::Information);
}

TEST_F(SetupTasksTest, WritesTheElevenIniRowsForAnotherPort) {
  Answer(true, false, 1, 4);
  ASSERT_TRUE(tasks->Install->Execute());
  const std::string win = WindowsIni(), web = "C:\\RUDOdez\\TAVO.INI",
                    cgi = "C:\\RUDOdez\\cgi-bin\\TAVO.INI";
  using W = apptest::MemoryProfile::Write;
  EXPECT_EQ(doubles.Profile.Writes,
            (std::vector<W>{
                {win, "INSTALL", "Path", "C:\\RUDOdez"},
                {win, "INSTALL", "Type", "1"},
                {win, "INSTALL", "Port", "4"},
                {web, "DEFAULTS", "RootPath", "C:\\RUDOdez"},
                {web, "HTML", "Cmd", "/cgi-bin/tavo.dll/html/default?TIPO=F110"},
                {web, "VEXEC", "/cgi-bin", "C:\\RUDOdez\\cgi-bin"},
                {cgi, "ALIAS", "images", "C:\\RUDOdez\\images"},
                {cgi, "DATABASE", "Path", "C:\\RUDOdez\\db"},
                {cgi, "DATABASE", "Ver", "Dez/2003"},
                {web, "DEFAULTS", "DefaultHost", "http://127.0.0.1:8888"},
                {web, "DEFAULTS", "Port", "8888"},
            }));
}

TEST_F(SetupTasksTest, StandardPortWritesNineRowsAndKeepsEarlierHostEntries) {
  const std::string web = "C:\\RUDOdez\\TAVO.INI";
  doubles.Profile.WriteString(web, "DEFAULTS", "DefaultHost", "http://127.0.0.1:8080");
  doubles.Profile.WriteString(web, "DEFAULTS", "Port", "8080");
  doubles.Profile.Writes.clear();

  Answer(true, false, 3, 0);
  ASSERT_TRUE(tasks->Install->Execute());
  ASSERT_EQ(doubles.Profile.Writes.size(), 9u);
  EXPECT_EQ(doubles.Profile.Value(WindowsIni(), "INSTALL", "Type"), "3");
  EXPECT_EQ(doubles.Profile.Value(WindowsIni(), "INSTALL", "Port"), "0");
  EXPECT_EQ(doubles.Profile.Value(web, "HTML", "Cmd"), "/cgi-bin/tavo.dll/html/default?TIPO=F100");
  EXPECT_EQ(doubles.Profile.Value(web, "DEFAULTS", "DefaultHost"), "http://127.0.0.1:8080");
  EXPECT_EQ(doubles.Profile.Value(web, "DEFAULTS", "Port"), "8080");
}

TEST_F(SetupTasksTest, AbortOnRootPathStopsTheHandlerAndTheRun) {
  doubles.Profile.Refuse = [](const auto& write) { return write.Key == "RootPath"; };
  doubles.Ui.Answer = [](const apptest::Box& box) {
    if (box.Text.rfind("Erro na atualiza\xE7\xE3o do arquivo", 0) == 0) return platform::mrAbort;
    return (box.Buttons & platform::mbIgnore) ? platform::mrIgnore : platform::mrOk;
  };
  Answer(true, true, 0, 2);
  EXPECT_FALSE(tasks->Install->Execute());

  ASSERT_EQ(doubles.Profile.Writes.size(), 4u);  // rows 1 to 3, then the refused row 4
  EXPECT_EQ(doubles.Profile.Writes.back().Key, "RootPath");
  EXPECT_EQ(ErrorTexts().back(), "Erro na atualiza\xE7\xE3o do arquivo C:\\RUDOdez\\TAVO.INI");
  // Neither the engine nor the group task ran.
  EXPECT_EQ(doubles.RegistryString(kEngineKey, "DLLPATH"), "<none>");
  EXPECT_TRUE(doubles.Dde.Sent.empty());
  EXPECT_EQ(status.Shown.back().first, kIni);
  // Six expansions and four INI writes were reported; the bar stays short of its end.
  EXPECT_EQ(status.Maximum, 32);
  EXPECT_EQ(status.Position, 10);
  EXPECT_EQ(FinalBox().Text, "Instala\xE7\xE3o incompleta");
  EXPECT_EQ(FinalBox().Type, platform::MsgType::Error);
}

TEST_F(SetupTasksTest, IgnoreOnVersionStillWritesHostAndPort) {
  doubles.Profile.Refuse = [](const auto& write) { return write.Key == "Ver"; };
  Answer(true, false, 0, 1);
  EXPECT_TRUE(tasks->Install->Execute());
  ASSERT_EQ(doubles.Profile.Writes.size(), 11u);
  EXPECT_EQ(doubles.Profile.Value("C:\\RUDOdez\\TAVO.INI", "DEFAULTS", "DefaultHost"),
            "http://127.0.0.1:8080");
  EXPECT_EQ(doubles.Profile.Value("C:\\RUDOdez\\TAVO.INI", "DEFAULTS", "Port"), "8080");
}

TEST_F(SetupTasksTest, RetriedOperationAdvancesTheBarOnce) {
  int refusals = 2;
  doubles.Profile.Refuse = [&](const auto& write) { return write.Key == "Path" && refusals-- > 0; };
  doubles.Ui.Answer = [](const apptest::Box& box) {
    if (box.Text.rfind("Erro na atualiza\xE7\xE3o", 0) == 0) return platform::mrRetry;
    return (box.Buttons & platform::mbIgnore) ? platform::mrIgnore : platform::mrOk;
  };
  Answer(true, false, 0, 0);
  EXPECT_TRUE(tasks->Install->Execute());
  EXPECT_EQ(ErrorTexts().size(), 6u + 2u);  // six expansions, two refusals of "Path"
  EXPECT_EQ(status.Maximum, 17);
  EXPECT_EQ(status.Position, 17);
  EXPECT_EQ(doubles.Profile.Value(WindowsIni(), "INSTALL", "Path"), "C:\\RUDOdez");
}

TEST_F(SetupTasksTest, EngineTasksWriteTheEngineSettingsForTheIdapiDirectory) {
  wizard.Idapi = "D:\\Engine";
  Answer(false, true, 0, 0);
  EXPECT_TRUE(tasks->Install->Execute());
  EXPECT_EQ(status.Maximum, 15);
  EXPECT_EQ(status.Position, 15);
  EXPECT_EQ(doubles.RegistryString(kEngineKey, "DLLPATH"), "D:\\Engine");
  EXPECT_EQ(doubles.RegistryString(kEngineKey, "RESOURCE"), "0009");
  EXPECT_EQ(doubles.RegistryString("SOFTWARE\\Borland\\BLW32", "BLAPIPATH"), "D:\\Engine");
  EXPECT_EQ(doubles.RegistryString(kParadoxInit, "LANGDRIVER"), "ANSI850");
  EXPECT_EQ(doubles.RegistryString(kParadoxInit, "VERSION"), "4.0");
  EXPECT_EQ(doubles.RegistryString(kParadoxCreate, "STRICTINTEGRTY"), "TRUE");
  EXPECT_EQ(doubles.RegistryString(kEngineKey + "\\Settings\\SYSTEM\\INIT", "LOCAL SHARE"), "TRUE");
  EXPECT_TRUE(doubles.Profile.Writes.empty());
}

TEST_F(SetupTasksTest, EmptiedIdapiBoxIsPassedOnUnchanged) {
  wizard.Idapi = "";
  Answer(false, true, 0, 0);
  EXPECT_TRUE(tasks->Install->Execute());
  EXPECT_EQ(status.Shown[0].second, Expanding("IDAPI32.PCK", ""));
  EXPECT_EQ(status.Shown[1].second, Expanding("LD32.PCK", ""));
  EXPECT_EQ(doubles.RegistryString(kEngineKey, "DLLPATH"), "");
  EXPECT_EQ(doubles.RegistryString("SOFTWARE\\Borland\\BLW32", "BLAPIPATH"), "");
}

TEST_F(SetupTasksTest, GroupTaskAloneCreatesTheGroupAndItsIcon) {
  Answer(false, false, 2, 3, "D:\\Tavo");
  EXPECT_TRUE(tasks->Install->Execute());
  EXPECT_EQ(status.Maximum, 2);
  EXPECT_EQ(status.Position, 2);
  EXPECT_EQ(doubles.Dde.Sent,
            (std::vector<std::string>{"[CreateGroup(URDA)]\r\n",
                                      "[AddItem(D:\\Tavo\\TAVO.EXE,RUDODez,,,)]\r\n"}));
  EXPECT_TRUE(doubles.Profile.Writes.empty());
  EXPECT_TRUE(ErrorTexts().empty());
}

TEST_F(SetupTasksTest, DriveRootTargetDoublesTheSeparatorOnlyInTheDerivedDirectories) {
  Answer(true, false, 0, 0, "C:\\");
  EXPECT_TRUE(tasks->Install->Execute());
  EXPECT_EQ(tasks->Settings().CgiBinDir, "C:\\\\cgi-bin");
  EXPECT_EQ(doubles.Profile.Value("C:\\TAVO.INI", "VEXEC", "/cgi-bin"), "C:\\\\cgi-bin");
  EXPECT_EQ(doubles.Dde.Sent.back(), "[AddItem(C:\\TAVO.EXE,RUDODez,,,)]\r\n");
}

TEST_F(SetupTasksTest, ExpansionDrivesTheArchiveBarFromStartToEnd) {
  namespace fs = std::filesystem;
  testsupport::TempDir temp("app-unpack-");
  const fs::path dir = temp.Root();
  fs::create_directories(dir / "src");
  std::ofstream(dir / "src" / "index.htm") << std::string(20000, 'x');
  std::ofstream(dir / "src" / "tavo.css") << "body { color: black }";
  TPackLz archive;
  archive.PackFileName = (dir / "WEB.PCK").string();
  archive.Directory = (dir / "src").string();
  archive.PathOption = TPathOption::poRelative;
  archive.Items = {"*.*"};
  ASSERT_TRUE(archive.Create());

  tasks->Install->SourceDir = dir.string() + "\\";
  Answer(true, false, 0, 0, (dir / "target").string());
  for (TInstallItem* task :
       {tasks->tskIsapi, tasks->tskDB, tasks->tskImages, tasks->tskIni, tasks->tskGrpIcons})
    task->Enabled = false;
  EXPECT_TRUE(tasks->Install->Execute());

  EXPECT_TRUE(ErrorTexts().empty());
  ASSERT_FALSE(status.Percents.empty());
  EXPECT_EQ(status.Percents.front(), 0);
  EXPECT_EQ(status.Percents.back(), 100);
  EXPECT_EQ(status.Position, 1);
  EXPECT_TRUE(platform::FileExists((dir / "target" / "index.htm").string()));
  EXPECT_TRUE(platform::FileExists((dir / "target" / "tavo.css").string()));
}

TEST_F(SetupTasksTest, UnreachableProgramManagerEndsInAnErrorBoxPerOperation) {
  doubles.Dde.Answering.clear();
  Answer(false, false, 0, 0);
  EXPECT_TRUE(tasks->Install->Execute());  // both boxes answered with Ignore
  EXPECT_EQ(ErrorTexts(), (std::vector<std::string>{"Erro na cria\xE7\xE3o do grupo \"URDA\"",
                                                    "Erro na cria\xE7\xE3o do \xED"
                                                    "cone para \"C:\\RUDOdez\\TAVO.EXE\""}));
  EXPECT_EQ(status.Position, 2);
}

}  // namespace
