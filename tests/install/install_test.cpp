// The task list: directory discovery, the counting pass, the run loop, disk changes and the
// gradient.
#include <filesystem>
#include <fstream>

#include "install/install.h"
#include "install/install_item.h"
#include "platform/file.h"
#include "tests/install/doubles.h"
#include "tests/support/temp_dir.h"

namespace {

using platform::MsgType;
using platform::RootKey;

const char kComplete[] = "Instala\xE7\xE3o completa com sucesso";
const char kIncomplete[] = "Instala\xE7\xE3o incompleta";
const char kLeave[] = "Voc\xEA tem certeza que deseja sair da instala\xE7\xE3o ?";

class TaskListTest : public doubles::PlatformTest {
 protected:
  void SetMachineValue(const std::string& path, const std::string& name, const std::string& value) {
    registry.Store.OpenKey(RootKey::LocalMachine, path, true)->WriteString(name, value);
  }
};

TEST(JoinPathTest, AddsOneSeparatorOnlyWhereNeeded) {
  EXPECT_EQ(JoinPath("", "A"), "A");
  EXPECT_EQ(JoinPath("C:\\", "A"), "C:\\A");
  EXPECT_EQ(JoinPath("C:\\W", "A"), "C:\\W\\A");
  EXPECT_EQ(JoinPath("C:\\W", ""), "C:\\W\\");
  EXPECT_EQ(JoinPath("C:\\W", "\\A"), "C:\\W\\\\A");
}

TEST_F(TaskListTest, DiscoveryWithoutRegistryKeysUsesTheDefaults) {
  TInstall install;
  EXPECT_EQ(install.SourceDir, "D:\\SETUP\\DISK1\\");
  EXPECT_EQ(install.WindowsDir, "C:\\WINDOWS");
  EXPECT_EQ(install.SystemDir, "C:\\WINDOWS\\SYSTEM");
  EXPECT_EQ(install.CommonFilesDir, "C:\\WINDOWS\\Common Files");
  EXPECT_EQ(install.EngineDir, "C:\\WINDOWS\\Common Files\\Borland Shared\\BDE");
  EXPECT_EQ(install.EngineConfigFile,
            "C:\\WINDOWS\\Common Files\\Borland Shared\\BDE\\IDAPI32.CFG");
  EXPECT_EQ(install.BlapiDir, install.EngineDir);
  EXPECT_EQ(install.SharedToolsDir, "C:\\WINDOWS\\Common Files\\Microsoft Shared");
  EXPECT_EQ(install.CurrentDisk, 1);
  EXPECT_FALSE(install.Counted);
  EXPECT_EQ(install.OperationCount, 0);
  EXPECT_TRUE(install.Tasks.empty());
}

TEST_F(TaskListTest, DiscoveryReadsTheRegistryInOrder) {
  SetMachineValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", "E:\\Common");
  SetMachineValue("SOFTWARE\\Borland\\Database Engine", "DLLPATH", "F:\\BDE");
  SetMachineValue("SOFTWARE\\Borland\\Database Engine", "CONFIGFILE01", "F:\\BDE\\X.CFG");
  SetMachineValue("SOFTWARE\\Borland\\BLW32", "BLAPIPATH", "G:\\BLW");
  SetMachineValue("SOFTWARE\\Microsoft\\Shared Tools", "SharedFilesDir", "H:\\Shared");
  TInstall install;
  EXPECT_EQ(install.CommonFilesDir, "E:\\Common");
  EXPECT_EQ(install.EngineDir, "F:\\BDE");
  EXPECT_EQ(install.EngineConfigFile, "F:\\BDE\\X.CFG");
  EXPECT_EQ(install.BlapiDir, "G:\\BLW");
  EXPECT_EQ(install.SharedToolsDir, "H:\\Shared");
}

TEST_F(TaskListTest, DiscoveryComputesEngineDefaultsFromTheRegistryCommonFiles) {
  SetMachineValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "CommonFilesDir", "E:\\Common\\");
  TInstall install;
  EXPECT_EQ(install.EngineDir, "E:\\Common\\Borland Shared\\BDE");
  EXPECT_EQ(install.BlapiDir, "E:\\Common\\Borland Shared\\BDE");
  EXPECT_EQ(install.SharedToolsDir, "E:\\Common\\Microsoft Shared");
}

TEST_F(TaskListTest, AKeyWithoutTheValueEmptiesTheField) {
  SetMachineValue("SOFTWARE\\Borland\\Database Engine", "DLLPath", "F:\\BDE");
  SetMachineValue("SOFTWARE\\Microsoft\\Shared Tools", "Other", "x");
  TInstall install;
  EXPECT_EQ(install.EngineDir, "F:\\BDE");
  EXPECT_EQ(install.EngineConfigFile, "");
  // Only the shared tools directory falls back when left empty.
  EXPECT_EQ(install.SharedToolsDir, "C:\\WINDOWS\\Common Files\\Microsoft Shared");
}

TEST_F(TaskListTest, ANonStringValueKeepsTheDefault) {
  auto key =
      registry.Store.OpenKey(RootKey::LocalMachine, "SOFTWARE\\Borland\\Database Engine", true);
  key->WriteInteger("DLLPath", 7);
  key->WriteBinary("CONFIGFILE01", "\x01\x02", 2);
  SetMachineValue("SOFTWARE\\Borland\\BLW32", "BLAPIPATH", "G:\\BLW");
  TInstall install;
  EXPECT_EQ(install.EngineDir, "C:\\WINDOWS\\Common Files\\Borland Shared\\BDE");
  EXPECT_EQ(install.EngineConfigFile,
            "C:\\WINDOWS\\Common Files\\Borland Shared\\BDE\\IDAPI32.CFG");
  EXPECT_EQ(install.BlapiDir, "G:\\BLW");
}

TEST_F(TaskListTest, DiscoveredDirectoriesAreCutTo255Characters) {
  SetMachineValue("SOFTWARE\\Borland\\Database Engine", "DLLPath", std::string(300, 'x'));
  shell.Windows = "C:\\" + std::string(300, 'w');
  TInstall install;
  EXPECT_EQ(install.EngineDir.size(), 255u);
  EXPECT_EQ(install.WindowsDir.size(), 255u);
  EXPECT_EQ(install.CommonFilesDir.size(), 255u);
}

TEST_F(TaskListTest, DestructionRestoresProgramManager) {
  { TInstall install; }
  ASSERT_EQ(shell.Shown.size(), 1u);
  EXPECT_EQ(shell.Shown[0].first, "PROGMAN");
  EXPECT_EQ(shell.Shown[0].second, 9);
}

// A task whose handler calls the given operations on itself, recording its runs.
struct Task {
  TInstallItem item;
  int runs = 0;
  bool result = true;
  std::function<void(TInstallItem&)> work;

  explicit Task(TInstall& list, std::function<void(TInstallItem&)> w = {}) : work(std::move(w)) {
    item.OnExecute = [this](TObject*, bool& cont) {
      ++runs;
      if (work) work(item);
      cont = result;
    };
    list.AddTask(&item);
  }
};

TEST_F(TaskListTest, CountTasksCountsEveryOperationOfASuccessfulRun) {
  TInstall install;
  Task ini(install, [](TInstallItem& t) {
    t.WriteIniString("", "TAVO.INI", "INSTALL", "Path", "C:\\X");
    t.WriteIniString("C:\\X", "TAVO.INI", "HTTP", "Port", "80");
  });
  Task engine(install, [](TInstallItem& t) {
    t.SetEnginePaths("C:\\BDE", "C:\\BDE");
    t.SetParadoxDriver(true, "ANSI850");
  });
  Task icons(install, [](TInstallItem& t) {
    t.CreateGroup("URDA");
    t.AddGroupItem("RUDODez", "C:\\X", "TAVO.EXE", "");
    t.WriteRegistry(RootKey::LocalMachine, "SOFTWARE\\X", "N", std::int32_t{1});
  });
  Task disabled(install, [](TInstallItem& t) { t.CreateGroup("NEVER"); });
  disabled.item.Enabled = false;

  EXPECT_EQ(install.CountTasks(), 2 + 3 + 8 + 3);
  EXPECT_TRUE(install.Counted);
  EXPECT_EQ(disabled.runs, 0);
  // Nothing was done while counting.
  EXPECT_TRUE(profile.Writes.empty());
  EXPECT_TRUE(registry.Written.empty());
  EXPECT_TRUE(dde.Tries.empty());
  EXPECT_TRUE(ui.Boxes.empty());

  // A run makes exactly one AfterExecute per counted operation.
  int after = 0;
  for (Task* t : {&ini, &engine, &icons})
    t->item.AfterExecute = [&](TObject*, std::int32_t action, const std::string&) {
      EXPECT_EQ(action, 0);
      ++after;
    };
  std::int32_t announced = -1;
  install.BeforeExecute = [&](TObject* sender, std::int32_t count) {
    EXPECT_EQ(sender, &install);
    announced = count;
  };
  ui.Answers = {platform::mrOk};
  EXPECT_TRUE(install.Execute());
  EXPECT_EQ(announced, 16);
  EXPECT_EQ(after, 16);
}

TEST_F(TaskListTest, CountTasksVisitsEveryTaskWhateverEachReturns) {
  TInstall install;
  Task failing(install, [](TInstallItem& t) { t.CreateGroup("A"); });
  failing.result = false;
  Task next(install, [](TInstallItem& t) { t.CreateGroup("B"); });
  Task last(install, [](TInstallItem& t) { t.CreateGroup("C"); });
  last.result = false;
  EXPECT_EQ(install.CountTasks(), 3);
  EXPECT_EQ(failing.runs, 1);
  EXPECT_EQ(next.runs, 1);
  EXPECT_EQ(last.runs, 1);
}

TEST_F(TaskListTest, ASecondCountRunsNoTaskUntilATaskIsAdded) {
  TInstall install;
  Task first(install, [](TInstallItem& t) { t.CreateGroup("G"); });
  EXPECT_EQ(install.CountTasks(), 1);
  EXPECT_EQ(install.CountTasks(), 1);
  EXPECT_EQ(first.runs, 1);
  Task second(install, [](TInstallItem& t) { t.CreateGroup("H"); });
  EXPECT_FALSE(install.Counted);
  EXPECT_EQ(install.CountTasks(), 2);
  EXPECT_EQ(first.runs, 2);
  EXPECT_EQ(second.runs, 1);
}

TEST_F(TaskListTest, AddTaskKeepsOrderAndTitlesAndSetsTheBackReference) {
  TInstall install;
  TInstallItem a, b;
  a.Title = "Web";
  b.Title = "Web";
  install.AddTask(&a);
  install.AddTask(&b);
  ASSERT_EQ(install.Tasks.size(), 2u);
  EXPECT_EQ(install.Tasks[0].first, "Web");
  EXPECT_EQ(install.Tasks[0].second, &a);
  EXPECT_EQ(install.Tasks[1].second, &b);
  EXPECT_EQ(a.TaskList, &install);
  EXPECT_EQ(b.TaskList, &install);
}

TEST_F(TaskListTest, AnEmptyListSucceedsWithTheSuccessMessage) {
  TInstall install;
  EXPECT_EQ(install.CountTasks(), 0);
  ui.Answers = {platform::mrOk};
  EXPECT_TRUE(install.Execute());
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].Text, kComplete);
  EXPECT_EQ(ui.Boxes[0].Type, MsgType::Information);
  EXPECT_EQ(ui.Boxes[0].Buttons, platform::mbOK);
}

TEST_F(TaskListTest, TheFirstFailingTaskEndsTheRunWithTheFailureMessage) {
  TInstall install;
  Task first(install), second(install);
  first.result = false;
  ui.Answers = {platform::mrOk};
  EXPECT_FALSE(install.Execute());
  EXPECT_EQ(first.runs, 1);
  EXPECT_EQ(second.runs, 0);
  ASSERT_EQ(ui.Boxes.size(), 1u);
  EXPECT_EQ(ui.Boxes[0].Text, kIncomplete);
  EXPECT_EQ(ui.Boxes[0].Type, MsgType::Error);
  EXPECT_EQ(ui.Boxes[0].Buttons, platform::mbOK);
}

TEST_F(TaskListTest, WithoutBeforeExecuteThereIsNoDryRun) {
  TInstall install;
  Task task(install, [](TInstallItem& t) { t.CreateGroup("G"); });
  ui.Answers = {platform::mrOk};
  EXPECT_TRUE(install.Execute());
  EXPECT_EQ(task.runs, 1);
  EXPECT_FALSE(install.Counted);
}

TEST_F(TaskListTest, AfterExecuteReplacesTheMessageAndExceptionsEscape) {
  TInstall install;
  Task task(install);
  std::vector<bool> reported;
  install.AfterExecute = [&](TObject* sender, bool success) {
    EXPECT_EQ(sender, &install);
    reported.push_back(success);
  };
  EXPECT_TRUE(install.Execute());
  task.result = false;
  EXPECT_FALSE(install.Execute());
  EXPECT_EQ(reported, (std::vector<bool>{true, false}));
  EXPECT_TRUE(ui.Boxes.empty());

  task.work = [](TInstallItem&) { throw std::runtime_error("handler"); };
  EXPECT_THROW(install.Execute(), std::runtime_error);
  EXPECT_EQ(reported.size(), 2u);
}

TEST_F(TaskListTest, ExecuteStartsAtDiskOneAndLeavesSourceDirAlone) {
  TInstall install;
  install.CurrentDisk = 3;
  install.SourceDir = "D:\\SETUP\\DISK3\\";
  install.AfterExecute = [](TObject*, bool) {};
  install.Execute();
  EXPECT_EQ(install.CurrentDisk, 1);
  EXPECT_EQ(install.SourceDir, "D:\\SETUP\\DISK3\\");
}

// Disk changes against a real directory tree.
class ChangeDiskTest : public TaskListTest {
 protected:
  ChangeDiskTest() {
    std::filesystem::create_directories(root_ / "DISK1");
    std::filesystem::create_directories(root_ / "DISK3");
    base_ = platform::WindowsPath(root_.string()) + "\\";
  }
  void AddFile(const std::string& relative) { std::ofstream(root_ / relative) << "x"; }

  testsupport::TempDir temp_;
  std::filesystem::path root_ = temp_.Root();
  std::string base_;
};

TEST_F(ChangeDiskTest, RewritesTheDiskFolderAndFindsTheKeyFile) {
  AddFile("DISK3/X.PCK");
  TInstall install;
  install.SourceDir = base_ + "DISK1\\";
  EXPECT_TRUE(install.ChangeDisk(3, "X.PCK"));
  EXPECT_EQ(install.SourceDir, base_ + "DISK3\\");
  EXPECT_EQ(install.CurrentDisk, 3);
  EXPECT_TRUE(ui.Boxes.empty());
}

TEST(ChangeDiskTagTest, ComparesTheTagWithoutRegardToCase) {
  doubles::ScriptedUi ui;
  doubles::FakeShell shell;
  auto currentUi = platform::SetUi(&ui);
  auto currentShell = platform::SetShell(&shell);
  {
    TInstall install;
    install.SourceDir = "d:\\setup\\disk1\\";
    // Nothing exists there: leave at once.
    ui.Answers = {platform::mrCancel, platform::mrYes};
    EXPECT_FALSE(install.ChangeDisk(3, "X.PCK"));
    EXPECT_EQ(install.SourceDir, "d:\\setup\\DISK3\\");
    EXPECT_EQ(install.CurrentDisk, 3);

    // From DISK3 the tag of the current disk is what gets replaced.
    ui.Answers = {platform::mrCancel, platform::mrYes};
    EXPECT_FALSE(install.ChangeDisk(12, "X.PCK"));
    EXPECT_EQ(install.SourceDir, "d:\\setup\\DISK12\\");
  }
}

TEST_F(ChangeDiskTest, PromptsUntilTheDiskIsThereAndConfirmsLeaving) {
  TInstall install;
  install.SourceDir = base_;  // like the root of a removable disk: never rewritten
  // Cancel, then No: the check repeats. OK: it repeats too. Then the file appears.
  ui.Answers = {platform::mrCancel, platform::mrNo, platform::mrOk};
  ui.OnBox = [&](const doubles::ScriptedUi::Box&) {
    if (ui.Boxes.size() == 3) AddFile("K.PCK");
  };
  EXPECT_TRUE(install.ChangeDisk(2, "K.PCK"));
  EXPECT_EQ(install.SourceDir, base_);
  EXPECT_EQ(install.CurrentDisk, 2);
  ASSERT_EQ(ui.Boxes.size(), 3u);
  EXPECT_EQ(ui.Boxes[0].Text, "Por favor, insira o Disco 2");
  EXPECT_EQ(ui.Boxes[0].Type, MsgType::Warning);
  EXPECT_EQ(ui.Boxes[0].Buttons, platform::mbOK | platform::mbCancel);
  EXPECT_EQ(ui.Boxes[1].Text, kLeave);
  EXPECT_EQ(ui.Boxes[1].Type, MsgType::Confirmation);
  EXPECT_EQ(ui.Boxes[1].Buttons, platform::mbYes | platform::mbNo);
  EXPECT_EQ(ui.Boxes[2].Text, "Por favor, insira o Disco 2");
}

TEST_F(ChangeDiskTest, TheConsoleInterfaceGivesUpInsteadOfAskingForEver) {
  // Nobody answers the console's boxes: Cancel to the prompt and No to leaving, every time.
  auto console = platform::SetUi(nullptr);
  TInstall install;
  install.SourceDir = base_;
  EXPECT_FALSE(install.ChangeDisk(2, "K.PCK"));
  EXPECT_EQ(install.CurrentDisk, 2);
}

TEST_F(ChangeDiskTest, ADirectoryOrAnEmptyKeyFileNameIsNeverTheKeyFile) {
  std::filesystem::create_directories(root_ / "DISK3" / "SUB");
  TInstall install;
  install.SourceDir = base_ + "DISK1\\";
  ui.Answers = {platform::mrCancel, platform::mrYes};
  EXPECT_FALSE(install.ChangeDisk(3, "SUB"));
  ui.Answers = {platform::mrCancel, platform::mrYes};
  EXPECT_FALSE(install.ChangeDisk(3, ""));
  EXPECT_EQ(ui.Boxes.size(), 4u);
}

TEST_F(ChangeDiskTest, APromptThatCannotBeShownGivesUpInsteadOfSpinning) {
  TInstall install;
  install.SourceDir = base_;
  ui.Answers = {platform::mrNone};
  EXPECT_FALSE(install.ChangeDisk(2, "K.PCK"));
  ui.Answers = {platform::mrCancel, platform::mrNone};
  EXPECT_FALSE(install.ChangeDisk(2, "K.PCK"));
  EXPECT_EQ(install.CurrentDisk, 2);
}

TEST_F(TaskListTest, GradientOf25PixelsHasThreeBands) {
  doubles::RecordingCanvas form;
  form.W = 40;
  form.H = form.ClientH = 25;
  TInstall install;
  install.PaintGradient(form, 0x00FF0000, 0);
  ASSERT_EQ(form.Fills.size(), 3u);
  // f = 0, 0.5, 1: blue 255, 128 (127.5 to even), 0; tops round(f*25)-1 = -1, 11 (12.5 to
  // even), 24.
  EXPECT_EQ(form.Fills[0].Colour, 0x00FF0000u);
  EXPECT_EQ(form.Fills[1].Colour, 0x00800000u);
  EXPECT_EQ(form.Fills[2].Colour, 0x00000000u);
  const int tops[] = {-1, 11, 24};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(form.Fills[i].Rect.Left, 0);
    EXPECT_EQ(form.Fills[i].Rect.Right, 40);
    EXPECT_EQ(form.Fills[i].Rect.Top, tops[i]);
    EXPECT_EQ(form.Fills[i].Rect.Bottom, tops[i] + 1 + BandHeight + 1);
  }
}

TEST_F(TaskListTest, GradientBlendsEveryChannelAndUsesTheOuterSize) {
  doubles::RecordingCanvas form;
  form.W = 100;
  form.H = 120;        // outer size
  form.ClientH = 100;  // n = 10
  TInstall install;
  install.PaintGradient(form, 0x00102030, 0x00C0B0A0);
  ASSERT_EQ(form.Fills.size(), 11u);
  // Band 3: f = 0.3; red 0x30 + 0.3*(0xA0-0x30) = 81.6 -> 82; green 32+0.3*144 = 75.2 -> 75;
  // blue 16+0.3*176 = 68.8 -> 69; top round(0.3*120)-1 = 35.
  EXPECT_EQ(form.Fills[3].Colour, (69u << 16) | (75u << 8) | 82u);
  EXPECT_EQ(form.Fills[3].Rect.Top, 35);
  EXPECT_EQ(form.Fills[10].Colour, 0x00C0B0A0u);
  EXPECT_EQ(form.Fills[10].Rect.Top, 119);
}

TEST_F(TaskListTest, AWindowLowerThanABandIsPaintedInTheTopColour) {
  doubles::RecordingCanvas form;
  form.W = 30;
  form.H = 12;
  form.ClientH = 9;
  TInstall install;
  install.PaintGradient(form, 0x00FF0000, 0);
  ASSERT_EQ(form.Fills.size(), 1u);
  EXPECT_EQ(form.Fills[0].Colour, 0x00FF0000u);
  EXPECT_EQ(form.Fills[0].Rect.Left, 0);
  EXPECT_EQ(form.Fills[0].Rect.Top, 0);
  EXPECT_EQ(form.Fills[0].Rect.Right, 30);
  EXPECT_EQ(form.Fills[0].Rect.Bottom, 12);
}

}  // namespace
