// The Win32 user interface: real modal message boxes and a PeekMessage pump, paced for the
// codecs' loops. The setup program makes it current at start-up.
//
// A box shows any subset of one of the platform's button rows (OK; OK, Cancel; Retry, Cancel;
// Yes, No; Yes, No, Cancel; Abort, Retry, Ignore) with the platform's captions: the smallest row
// holding the wanted buttons is shown and the others are taken out before the box appears, the
// rest keeping the platform's spacing and alignment. So Abort and Retry without Ignore is an
// ordinary platform box with two buttons. A set no row holds shows the row holding most of it; an
// empty set shows OK.
#pragma once

#include <windows.h>

#include "platform/ui.h"

namespace platform {

class Win32Ui final : public UserInterface {
 public:
  int ShowMessage(const std::string& text, MsgType type, unsigned buttons) override;
  void ProcessMessages() override;
  // Processes messages when the last time was more than kResponsivePace milliseconds ago: under
  // Wine every look at the queue is a round trip to the server, as dear as creating a small
  // file, and a small file's only block takes far less than that.
  void KeepResponsive() override;
  static constexpr ULONGLONG kResponsivePace = 10;

 private:
  ULONGLONG lastProcessed_ = 0;  // GetTickCount64 when ProcessMessages last ran
};

// Translates and dispatches msg, giving the dialog manager (Tab, Esc, Enter, mnemonics) the
// keys of the window it belongs to first when that top-level window is dialog-like (has
// WS_EX_CONTROLPARENT). Every message loop of the program, the yields among them, goes through
// here, so a dialog-like window takes its keys the same whichever loop runs.
void DispatchWithDialogKeys(MSG& msg);

}  // namespace platform
