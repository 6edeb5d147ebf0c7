// The task list of an installation.
//
// TInstall keeps the install tasks (TInstallItem) in the order they are to run, counts in a dry
// run how many install operations a run will perform, runs the tasks until one fails, and ends
// with a completion message (or its AfterExecute event). It also knows the machine's standard
// directories and the database engine's, asks for distribution disks, and paints the gradient
// behind the setup program's main window.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/component.h"

class TInstallItem;

using TInstallBefore = std::function<void(TObject* Sender, std::int32_t TaskCount)>;
using TInstallAfter = std::function<void(TObject* Sender, bool Success)>;

// Height in pixels of one band of the gradient.
inline constexpr std::int32_t BandHeight = 10;

// The final message of a run, indexed by its result (0 = failure, 1 = success).
inline constexpr const char* CompletionMessages[2] = {
    "Instala\xE7\xE3"
    "o incompleta",
    "Instala\xE7\xE3"
    "o completa com sucesso",
};

// directory and name with one backslash between them: none is added when directory is empty or
// already ends with one. The name is taken as it is, so a leading backslash doubles the separator.
std::string JoinPath(const std::string& directory, const std::string& name);

class TInstall : public TComponent {
 public:
  // Reads the machine's directories and the database engine's settings from the registry.
  explicit TInstall(TComponent* owner = nullptr);
  // Restores the Program Manager window.
  ~TInstall() override;

  // Directories, each at most 255 characters. SourceDir (where the distribution files are, with a
  // trailing backslash) changes only in ChangeDisk.
  std::string SourceDir;
  std::string EngineConfigFile;
  std::string EngineDir;
  std::string BlapiDir;
  std::string WindowsDir;
  std::string SystemDir;
  std::string CommonFilesDir;
  std::string SharedToolsDir;

  // OperationCount holds the result of a dry run made since the last AddTask.
  bool Counted = false;
  // Install operations counted by the dry run; the tasks' operations add to it.
  std::int32_t OperationCount = 0;
  // (title, task) in run order. The tasks are not owned.
  std::vector<std::pair<std::string, TInstallItem*>> Tasks;
  // The distribution disk SourceDir points at, 1-based.
  std::int32_t CurrentDisk = 1;

  // Fired before the first task runs, with the counted number of operations.
  TInstallBefore BeforeExecute;
  // Fired after the run in place of the completion message box.
  TInstallAfter AfterExecute;

  // Appends item to the run order and makes this its task list.
  void AddTask(TInstallItem* item);
  // The number of install operations a run will perform; a dry run of every task unless one
  // was made since the last AddTask.
  std::int32_t CountTasks();
  // Runs the tasks in order and stops at the first that fails; true when all succeeded.
  bool Execute();
  // Points SourceDir at disk (rewriting a trailing "\DISKn\") and prompts until keyFile is found
  // there; false when the user gives up.
  virtual bool ChangeDisk(std::int32_t disk, const std::string& keyFile);
  // Paints form in horizontal bands from topColour down to bottomColour.
  void PaintGradient(platform::Canvas& form, TColor topColour, TColor bottomColour);
  // Applies a Windows show command to the Program Manager window, if there is one.
  void ShowProgramManager(std::int32_t showCommand);
};
