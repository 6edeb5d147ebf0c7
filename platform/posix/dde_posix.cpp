// A host without DDE has no shell to talk to: every conversation fails to connect, so the
// operations that need one fail and reach their retry box.
#include "platform/dde.h"

namespace platform {
namespace {

class NoConversation final : public DdeConversation {
 public:
  bool SetLink(const std::string&, const std::string&) override { return false; }
  bool ExecuteMacro(const std::string&) override { return false; }
};

class NoDde final : public DdeClient {
 public:
  std::unique_ptr<DdeConversation> NewConversation() override {
    return std::make_unique<NoConversation>();
  }
};

NoDde host;
ServiceSlot<DdeClient> slot(host);

}  // namespace

DdeClient& CurrentDde() { return slot.Current(); }
ServiceGuard<DdeClient*> SetDde(DdeClient* client) { return slot.Set(client); }

}  // namespace platform
