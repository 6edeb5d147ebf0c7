// The user-interface services the engines need without knowing about windows: modal message
// boxes and processing of pending window messages.
//
// One UserInterface is current for the process. The Windows setup program installs the Win32 one,
// command-line tools keep the console one, tests install scripted doubles.
#pragma once

#include <string>

#include "platform/service.h"

namespace platform {

enum class MsgType { Warning, Error, Information, Confirmation };

// Button sets, combinable.
enum Buttons : unsigned {
  mbYes = 1u << 0,
  mbNo = 1u << 1,
  mbOK = 1u << 2,
  mbCancel = 1u << 3,
  mbAbort = 1u << 4,
  mbRetry = 1u << 5,
  mbIgnore = 1u << 6,
};

// The button that closed a box.
enum ModalResult : int {
  mrNone = 0,
  mrOk = 1,
  mrCancel = 2,
  mrAbort = 3,
  mrRetry = 4,
  mrIgnore = 5,
  mrYes = 6,
  mrNo = 7,
};

class UserInterface {
 public:
  virtual ~UserInterface() = default;
  // Shows a modal box with the platform's caption for type and the given buttons; returns the
  // button pressed.
  virtual int ShowMessage(const std::string& text, MsgType type, unsigned buttons) = 0;
  // Lets the user interface handle what is pending (paint, input) and returns.
  virtual void ProcessMessages() = 0;
  // The same from inside a loop that may pass thousands of times a second (the codecs' blocks):
  // it may do nothing when messages were processed a moment ago, too short a time for anyone to
  // see a window lag.
  virtual void KeepResponsive() { ProcessMessages(); }
  // False when nobody answers the boxes (each gets a fixed answer): a question repeated until
  // the user changes something would then be asked for ever.
  virtual bool Interactive() const { return true; }
};

// The current user interface; the console one until SetUi installs another.
UserInterface& Ui();
// Makes ui current (nullptr: the console one) until the guard goes. The caller keeps ownership.
ServiceGuard<UserInterface*> SetUi(UserInterface* ui);

// Shorthands for the current user interface.
inline int ShowMessage(const std::string& text, MsgType type, unsigned buttons) {
  return Ui().ShowMessage(text, type, buttons);
}
inline void ProcessMessages() { Ui().ProcessMessages(); }
inline void KeepResponsive() { Ui().KeepResponsive(); }

}  // namespace platform
