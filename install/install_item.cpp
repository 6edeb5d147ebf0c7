#include "install/install_item.h"

#include <exception>

#include "platform/ui.h"

TInstallItem::TInstallItem(TComponent* owner) : TComponent(owner) {}

bool TInstallItem::Execute(bool counting) {
  Counting = counting;
  bool continueRun = false;
  // An item outside a task list has no distribution disk to change to.
  if (Enabled && DiskNum != 0 && !counting && TaskList && DiskNum != TaskList->CurrentDisk &&
      !TaskList->ChangeDisk(DiskNum, DiskFileID))
    return false;
  if (Enabled && OnExecute) {
    OnExecute(this, continueRun);
    return continueRun;
  }
  return true;
}

bool TInstallItem::IsCounting() {
  if (Enabled && Counting && TaskList) ++TaskList->OperationCount;
  return Counting;
}

void TInstallItem::NotifyBefore(const std::string& itemMsg) {
  if (BeforeExecute) BeforeExecute(this, Title, itemMsg);
  platform::ProcessMessages();
}

void TInstallItem::NotifyAfter(std::int32_t errorAction) {
  if (AfterExecute) AfterExecute(this, errorAction, LastError);
  platform::ProcessMessages();
}

bool TInstallItem::AskRetry(bool& success, const std::string& errorMsg, std::int32_t& action) {
  platform::ProcessMessages();
  if (success) {
    LastError.clear();
    action = ActionSuccess;
    return true;
  }
  LastError = errorMsg;
  const unsigned buttons =
      platform::mbAbort | platform::mbRetry | (Critical ? 0u : unsigned{platform::mbIgnore});
  action = platform::ShowMessage(errorMsg, platform::MsgType::Error, buttons);
  // No answer means no box could be shown; retrying unasked would never end. A critical task
  // cannot be passed over, whatever box the user was shown.
  if (action == platform::mrNone || (Critical && action == ActionIgnore)) action = ActionAbort;
  success = action == ActionIgnore;
  return action == ActionAbort || action == ActionIgnore;
}

bool TInstallItem::Operation(const std::string& itemMsg, const std::string& errorMsg,
                             const std::function<bool()>& attempt,
                             const std::function<void()>& setUp) {
  if (IsCounting()) return true;
  NotifyBefore(itemMsg);
  if (setUp) setUp();
  bool result = false;
  std::int32_t action = ActionSuccess;
  do {
    try {
      result = attempt();
    } catch (const std::exception&) {
      result = false;
    }
  } while (!AskRetry(result, errorMsg, action));
  NotifyAfter(action);
  return result;
}
