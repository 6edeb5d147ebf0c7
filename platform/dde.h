// DDE client conversations, as a program talks to a shell such as Program Manager.
//
// One DdeClient is current for the process: the host's (DDEML on Windows; elsewhere one that
// never reaches a server) until SetDde installs another.
#pragma once

#include <memory>
#include <string>

#include "platform/service.h"

namespace platform {

// One client conversation; disconnects and frees its handles when destroyed.
class DdeConversation {
 public:
  virtual ~DdeConversation() = default;
  // Connects to service and topic (either may be empty, meaning any), closing a link left from
  // an earlier call first. When no server answers and service is not empty, starts the program
  // named by the command line "service topic", minimized without activation, and connects once
  // more if it started. Returns whether the conversation is open; when it is not, service and
  // topic are cleared.
  virtual bool SetLink(const std::string& service, const std::string& topic) = 0;
  // Sends command (up to its first NUL, with one NUL appended) as a CF_TEXT execute transaction
  // without waiting for the server's acknowledgement. False when there is no open conversation or
  // the transaction could not be started.
  virtual bool ExecuteMacro(const std::string& command) = 0;
};

class DdeClient {
 public:
  virtual ~DdeClient() = default;
  virtual std::unique_ptr<DdeConversation> NewConversation() = 0;
};

// The current DDE client; the host's until SetDde installs another.
DdeClient& CurrentDde();
// Makes client current (nullptr: the host's) until the guard goes. The caller keeps ownership.
ServiceGuard<DdeClient*> SetDde(DdeClient* client);

}  // namespace platform
