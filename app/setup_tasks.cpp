#include "app/setup_tasks.h"

namespace app {

TSetupTasks::TSetupTasks(TComponent* owner, const TWizardDirs& wizard, TStatusView& status)
    : TComponent(owner), wizard_(wizard), status_(status) {
  Install = new TInstall(this);
  Install->BeforeExecute = [this](TObject* sender, std::int32_t count) {
    InstallBeforeExecute(sender, count);
  };
  // AfterExecute stays unbound: the task list reports the outcome with its own message box.

  tskGrpIcons = NewTask("Cria\xE7\xE3o de Grupos/Icones", 0, "", &TSetupTasks::tskGrpIconsExecute);
  tskWeb = NewTask("Aplica\xE7\xE3o (WebSrv)", 1, "WEB.PCK", &TSetupTasks::tskWebExecute);
  tskIDAPI = NewTask("Borland IDAPI", 1, "IDAPI32.PCK", &TSetupTasks::tskIDAPIExecute);
  tskIni = NewTask(
      "Configura\xE7\xF5"
      "es",
      1, "", &TSetupTasks::tskIniExecute);
  tskLD = NewTask("Borland IDAPI (Lang Drivers)", 1, "LD32.PCK", &TSetupTasks::tskLDExecute);
  tskDB = NewTask("Banco de Dados", 1, "DB.PCK", &TSetupTasks::tskDBExecute);
  tskImages = NewTask("Imagens", 1, "IMG.PCK", &TSetupTasks::tskDBExecute);
  tskIsapi = NewTask("Aplica\xE7\xE3o (Isapi)", 1, "ISA.PCK", &TSetupTasks::tskIsapiExecute);

  // Run order. The images task borrows the database task and the language-driver task borrows
  // the engine task (their handlers run operations through them), so each lender must come
  // first: its counting flag is then already set for the pass the borrower runs in.
  for (TInstallItem* task :
       {tskWeb, tskIsapi, tskDB, tskImages, tskIni, tskIDAPI, tskLD, tskGrpIcons})
    Install->AddTask(task);
}

TInstallItem* TSetupTasks::NewTask(const char* title, std::int32_t diskNum, const char* diskFileID,
                                   void (TSetupTasks::*handler)(TObject*, bool&)) {
  auto* task = new TInstallItem(this);
  task->Title = title;
  task->Critical = false;
  task->Enabled = true;
  task->DiskNum = diskNum;
  task->DiskFileID = diskFileID;
  task->OnExecute = [this, handler](TObject* sender, bool& go) { (this->*handler)(sender, go); };
  task->BeforeExecute = [this](TObject* sender, const std::string& group, const std::string& item) {
    tskBeforeExecute(sender, group, item);
  };
  task->AfterExecute = [this](TObject* sender, std::int32_t action, const std::string& error) {
    tskAfterExecute(sender, action, error);
  };
  task->OnUnpack = [this](TObject* sender, const std::string& file, std::int32_t percent,
                          bool& cancel) { tskUnpack(sender, file, percent, cancel); };
  return task;
}

void TSetupTasks::ApplyAnswers(const TWizardAnswers& answers) {
  settings_ = MakeSettings(answers.TargetDir, answers.TypeIndex, answers.PortIndex);
  tskIDAPI->Enabled = tskLD->Enabled = answers.Idapi;
  for (TInstallItem* task : {tskWeb, tskIsapi, tskDB, tskImages, tskIni})
    task->Enabled = answers.Application;
}

void TSetupTasks::tskWebExecute(TObject*, bool& Continue) {
  Continue = tskWeb->Unpack(Install->SourceDir, "WEB.PCK", settings_.TargetDir);
}

void TSetupTasks::tskIsapiExecute(TObject*, bool& Continue) {
  Continue = tskIsapi->Unpack(Install->SourceDir, "ISA.PCK", settings_.CgiBinDir);
}

// Serves both the database and the images task, always through the database task.
void TSetupTasks::tskDBExecute(TObject*, bool& Continue) {
  Continue = tskDB->Unpack(Install->SourceDir, "DB.PCK", settings_.DbDir) &&
             tskDB->Unpack(Install->SourceDir, "IMG.PCK", settings_.ImagesDir);
}

void TSetupTasks::tskIniExecute(TObject*, bool& Continue) {
  const TSettings& s = settings_;
  auto write = [this](const std::string& directory, const char* section, const char* key,
                      const std::string& value) {
    return tskIni->WriteIniString(directory, kIniFile, section, key, value);
  };
  // The wizard's answers, read back as its defaults by the next run; the local web server's
  // settings; the web module's settings.
  Continue =
      write(Install->WindowsDir, "INSTALL", "Path", s.TargetDir) &&
      write(Install->WindowsDir, "INSTALL", "Type", std::to_string(s.TypeIndex)) &&
      write(Install->WindowsDir, "INSTALL", "Port", std::to_string(s.PortIndex)) &&
      write(s.TargetDir, "DEFAULTS", "RootPath", s.TargetDir) &&
      write(s.TargetDir, "HTML", "Cmd", "/cgi-bin/tavo.dll/html/default?TIPO=" + s.TypeCode) &&
      write(s.TargetDir, "VEXEC", "/cgi-bin", s.CgiBinDir) &&
      write(s.CgiBinDir, "ALIAS", "images", s.ImagesDir) &&
      write(s.CgiBinDir, "DATABASE", "Path", s.DbDir) &&
      write(s.CgiBinDir, "DATABASE", "Ver", "Dez/2003");
  // Only a port other than the standard one gets the server's host address and port entries.
  if (s.PortIndex <= 0 || !Continue) return;
  Continue = write(s.TargetDir, "DEFAULTS", "DefaultHost", "http://127.0.0.1:" + s.PortText) &&
             write(s.TargetDir, "DEFAULTS", "Port", s.PortText);
}

void TSetupTasks::tskIDAPIExecute(TObject*, bool& Continue) {
  Continue = tskIDAPI->Unpack(Install->SourceDir, "IDAPI32.PCK", wizard_.IdapiText());
}

// Runs through the engine task, whose title the status window then shows.
void TSetupTasks::tskLDExecute(TObject*, bool& Continue) {
  Continue = tskIDAPI->Unpack(Install->SourceDir, "LD32.PCK", wizard_.IdapiText()) &&
             tskIDAPI->SetEnginePaths(wizard_.IdapiText(), wizard_.IdapiText()) &&
             tskIDAPI->SetParadoxDriver(true, "ANSI850");
}

void TSetupTasks::tskGrpIconsExecute(TObject*, bool& Continue) {
  // The product's group and its one icon, which starts the program in the target directory.
  Continue = tskGrpIcons->CreateGroup("URDA") &&
             tskGrpIcons->AddGroupItem("RUDODez", wizard_.TargetText(), "TAVO.EXE", "");
}

void TSetupTasks::InstallBeforeExecute(TObject*, std::int32_t TaskCount) {
  status_.SetOperationCount(TaskCount);
}

void TSetupTasks::tskBeforeExecute(TObject*, const std::string& GroupMsg,
                                   const std::string& ItemMsg) {
  status_.ShowOperation(GroupMsg, ItemMsg);
}

void TSetupTasks::tskAfterExecute(TObject*, std::int32_t, const std::string&) {
  status_.StepOperation();
}

// Cancel is left alone: an expansion is never stopped from the user interface.
void TSetupTasks::tskUnpack(TObject*, const std::string&, std::int32_t Percent, bool&) {
  status_.SetArchivePercent(Percent);
}

}  // namespace app
