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
DdeClient* current = &host;

}  // namespace

DdeClient& CurrentDde() { return *current; }
void SetDde(DdeClient* client) { current = client ? client : &host; }

}  // namespace platform
