// The Win32 user interface: real modal message boxes and a PeekMessage pump. The setup program
// makes it current at start-up.
#pragma once

#include "platform/ui.h"

namespace platform {

class Win32Ui final : public UserInterface {
 public:
  int ShowMessage(const std::string& text, MsgType type, unsigned buttons) override;
  void ProcessMessages() override;
};

}  // namespace platform
