#include "platform/ui.h"

#include <cstdio>

namespace platform {
namespace {

// Without a screen to ask on, a box is printed and answered with its most cautious button, so a
// tool run unattended never waits and never goes on where the user could not confirm.
class ConsoleUi final : public UserInterface {
 public:
  int ShowMessage(const std::string& text, MsgType, unsigned buttons) override {
    std::fprintf(stderr, "%s\n", text.c_str());
    if (buttons & mbCancel) return mrCancel;
    if (buttons & mbAbort) return mrAbort;
    if (buttons & mbNo) return mrNo;
    if (buttons & mbOK) return mrOk;
    return mrNone;
  }
  void ProcessMessages() override {}
  bool Interactive() const override { return false; }
};

ConsoleUi console;
ServiceSlot<UserInterface> slot(console);

}  // namespace

UserInterface& Ui() { return slot.Current(); }
ServiceGuard<UserInterface*> SetUi(UserInterface* ui) { return slot.Set(ui); }

}  // namespace platform
