// The main window's install part: the task list Install, the product's eight install tasks, the
// settings made from the wizard's answers, the tasks' execute handlers (what each task installs)
// and the notification handlers that drive the status window.
//
// It needs no window of its own: it reads the wizard's two directory boxes through TWizardDirs
// and drives the status window through TStatusView, so it runs just as well against doubles.
#pragma once

#include <cstdint>
#include <string>

#include "app/settings.h"
#include "install/install.h"
#include "install/install_item.h"
#include "platform/component.h"

namespace app {

// The wizard's directory boxes, read afresh at every use.
class TWizardDirs {
 public:
  virtual ~TWizardDirs() = default;
  virtual std::string TargetText() const = 0;
  virtual std::string IdapiText() const = 0;
};

// What the run shows: the status window.
class TStatusView {
 public:
  virtual ~TStatusView() = default;
  // The maximum of the bar over all operations (its position stays).
  virtual void SetOperationCount(std::int32_t count) = 0;
  // Shows the window in front with the task's title and the operation's text.
  virtual void ShowOperation(const std::string& group, const std::string& item) = 0;
  // One operation done, whatever its outcome.
  virtual void StepOperation() = 0;
  // Position 0..100 of the bar over the archive being expanded.
  virtual void SetArchivePercent(std::int32_t percent) = 0;
};

// The wizard's answers as the install flow takes them after OK.
struct TWizardAnswers {
  std::string TargetDir;
  bool Application = true;  // the "Aplicação" box
  bool Idapi = true;        // the "IDAPI" box
  std::int32_t TypeIndex = 0;
  std::int32_t PortIndex = 0;
};

class TSetupTasks : public TComponent {
 public:
  // Creates the task list and the tasks with their titles, archives and handlers, and registers
  // the tasks in run order.
  TSetupTasks(TComponent* owner, const TWizardDirs& wizard, TStatusView& status);

  // Fixes the settings and the tasks' Enabled flags from the wizard's answers.
  void ApplyAnswers(const TWizardAnswers& answers);
  const TSettings& Settings() const { return settings_; }

  TInstall* Install;
  // In layout order; the run order is that of registration.
  TInstallItem* tskGrpIcons;
  TInstallItem* tskWeb;
  TInstallItem* tskIDAPI;
  TInstallItem* tskIni;
  TInstallItem* tskLD;
  TInstallItem* tskDB;
  TInstallItem* tskImages;
  TInstallItem* tskIsapi;

 private:
  TInstallItem* NewTask(const char* title, std::int32_t diskNum, const char* diskFileID,
                        void (TSetupTasks::*handler)(TObject*, bool&));

  // Execute handlers. Each calls its operations in order, stops at the first that fails, and
  // lets the run go on only when all succeeded.
  void tskWebExecute(TObject* Sender, bool& Continue);
  void tskIsapiExecute(TObject* Sender, bool& Continue);
  void tskDBExecute(TObject* Sender, bool& Continue);
  void tskIniExecute(TObject* Sender, bool& Continue);
  void tskIDAPIExecute(TObject* Sender, bool& Continue);
  void tskLDExecute(TObject* Sender, bool& Continue);
  void tskGrpIconsExecute(TObject* Sender, bool& Continue);

  // Notification handlers, shared by all eight tasks.
  void InstallBeforeExecute(TObject* Sender, std::int32_t TaskCount);
  void tskBeforeExecute(TObject* Sender, const std::string& GroupMsg, const std::string& ItemMsg);
  void tskAfterExecute(TObject* Sender, std::int32_t ErrorAction, const std::string& ErrorMsg);
  void tskUnpack(TObject* Sender, const std::string& FileName, std::int32_t Percent, bool& Cancel);

  const TWizardDirs& wizard_;
  TStatusView& status_;
  TSettings settings_;
};

}  // namespace app
