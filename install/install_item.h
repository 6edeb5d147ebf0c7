// One install task, and the install operations it offers to its OnExecute handler.
//
// A task runs its OnExecute handler for real or, in counting mode, only counts the operations
// the handler calls into its task list. Every operation announces itself through BeforeExecute,
// attempts its work, offers an error box (Abort, Retry, and Ignore unless the task is Critical)
// until an answer ends the attempts, and reports through AfterExecute exactly once.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "install/install.h"
#include "pack/pack_events.h"
#include "platform/component.h"
#include "platform/registry.h"

using TIBeforeExecute =
    std::function<void(TObject* Sender, const std::string& GroupMsg, const std::string& ItemMsg)>;
using TIAfterExecute =
    std::function<void(TObject* Sender, std::int32_t ErrorAction, const std::string& ErrorMsg)>;
using TIExecute = std::function<void(TObject* Sender, bool& Continue)>;

class TCustomPack;

// An archive component class: makes a new archive component with the given owner.
using TPackClass = std::function<std::unique_ptr<TCustomPack>(TComponent* owner)>;

// The class T (a TCustomPack) as a TPackClass.
template <class T>
TPackClass PackClassOf() {
  return
      [](TComponent* owner) -> std::unique_ptr<TCustomPack> { return std::make_unique<T>(owner); };
}

// Kinds a registry value may have besides the four WriteRegistry stores.
struct TDateTime {
  double Value = 0;
};
struct TCurrency {
  std::int64_t Value = 0;  // in units of 1/10000
};

// A tagged value for WriteRegistry. A 32-bit integer, a double, a Boolean and a string are
// written (REG_DWORD, REG_BINARY of the 8 bytes, REG_DWORD 1/0, REG_SZ); every other kind,
// empty included, writes nothing and succeeds.
using TRegistryValue = std::variant<std::monostate, std::int16_t, std::int32_t, float, double,
                                    TCurrency, TDateTime, bool, std::string>;

// The database engine's "LOCAL SHARE" setting, indexed by the Boolean.
inline constexpr const char* LocalShareValues[2] = {"FALSE", "TRUE"};

// Answers of the error box, passed on as ErrorAction.
inline constexpr std::int32_t ActionSuccess = 0;
inline constexpr std::int32_t ActionAbort = 3;
inline constexpr std::int32_t ActionIgnore = 5;

class TInstallItem : public TComponent {
 public:
  explicit TInstallItem(TComponent* owner = nullptr);

  // Error text of the last failed attempt; emptied when an attempt succeeds.
  std::string LastError;
  // The task list the item was added to (set by TInstall::AddTask); not owned.
  TInstall* TaskList = nullptr;
  // Counting (dry-run) mode, as set by the last Execute.
  bool Counting = false;

  std::string Title;
  // A critical task's error box offers no Ignore.
  bool Critical = false;
  // A disabled task is skipped, succeeds, and counts nothing.
  bool Enabled = true;
  // Distribution disk the task needs (0 = none), and the key file that proves it is in place.
  std::int32_t DiskNum = 0;
  std::string DiskFileID;

  TIBeforeExecute BeforeExecute;
  TIAfterExecute AfterExecute;
  TIExecute OnExecute;
  TOnProgress OnUnpack;

  // Fires BeforeExecute with Title and itemMsg, then processes pending window messages.
  virtual void NotifyBefore(const std::string& itemMsg);
  // Fires AfterExecute with errorAction and LastError, then processes pending window messages.
  virtual void NotifyAfter(std::int32_t errorAction);
  // Runs the task (counting = false) or counts its operations (counting = true). A real run of
  // a task on another disk first asks its task list for that disk. The result is the Continue
  // its OnExecute handler left (false unless set), or true without a handler or when disabled.
  virtual bool Execute(bool counting);

  // True in counting mode, after counting one operation (an enabled task only).
  bool IsCounting();
  // Ends (true) or repeats (false) an attempt loop. After a success: action 0. After a failure:
  // the error box; Abort ends with success false and action 3, Ignore with success true and
  // action 5, Retry repeats.
  bool AskRetry(bool& success, const std::string& errorMsg, std::int32_t& action);

  // Expands the archive archiveName in sourceDir into targetDir with a new component of
  // archiveClass, owned by this task for the length of the call.
  bool UnpackWith(const TPackClass& archiveClass, const std::string& sourceDir,
                  const std::string& archiveName, const std::string& targetDir);
  // UnpackWith the compressed-storage archive TPackLz.
  bool Unpack(const std::string& sourceDir, const std::string& archiveName,
              const std::string& targetDir);

  // Writes one value under valueName of keyPath below rootKey, creating the key.
  bool WriteRegistry(platform::RootKey rootKey, const std::string& keyPath,
                     const std::string& valueName, const TRegistryValue& value);
  bool WriteRegistryString(platform::RootKey rootKey, const std::string& keyPath,
                           const std::string& valueName, const std::string& value);
  // Writes key=value into section of the INI file fileName in directory (a bare file name,
  // meaning the Windows directory, when directory is empty).
  bool WriteIniString(const std::string& directory, const std::string& fileName,
                      const std::string& section, const std::string& key, const std::string& value);
  // The database engine's Paradox driver settings: eight registry values.
  bool SetParadoxDriver(bool localShare, const std::string& langDriver);
  // The database engine's DLL and BLAPI paths: three registry values.
  bool SetEnginePaths(const std::string& dllPath, const std::string& blapiPath);

  // Creates a Program Manager group, which becomes the current group.
  bool CreateGroup(const std::string& groupName);
  // Adds an item starting directory\programFile to the current Program Manager group.
  bool AddGroupItem(const std::string& caption, const std::string& directory,
                    const std::string& programFile, const std::string& iconFile);

 private:
  // The shape of every install operation. In counting mode it only counts. Otherwise it
  // announces itemMsg, lets setUp (when given) make the operation's working object once for all
  // attempts, attempts until AskRetry with errorMsg ends the loop (an exception from attempt is a
  // failed attempt), and reports the answer once. The result is the operation's.
  bool Operation(const std::string& itemMsg, const std::string& errorMsg,
                 const std::function<bool()>& attempt,
                 const std::function<void()>& setUp = nullptr);
};
