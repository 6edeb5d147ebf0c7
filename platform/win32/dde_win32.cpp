// DDE client conversations through DDEML. Each conversation has its own DDEML instance, so it
// can be created and thrown away without any set-up elsewhere in the program.
#include <windows.h>
#include <ddeml.h>

#include "platform/dde.h"

namespace platform {
namespace {

// A client that only sends execute transactions has nothing to answer.
HDDEDATA CALLBACK IgnoreTransaction(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
  return nullptr;
}

class Win32Conversation final : public DdeConversation {
 public:
  Win32Conversation() {
    if (DdeInitializeA(&instance_, IgnoreTransaction, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
      instance_ = 0;
  }

  ~Win32Conversation() override {
    CloseLink();
    if (instance_) DdeUninitialize(instance_);
  }

  Win32Conversation(const Win32Conversation&) = delete;
  Win32Conversation& operator=(const Win32Conversation&) = delete;

  bool SetLink(const std::string& service, const std::string& topic) override {
    CloseLink();
    if (!instance_) return false;
    service_ = NameHandle(service);
    topic_ = NameHandle(topic);
    conversation_ = Connect();
    if (!conversation_ && !service.empty()) {
      const std::string commandLine = service + " " + topic;
      if (WinExec(commandLine.c_str(), SW_SHOWMINNOACTIVE) > 31) conversation_ = Connect();
    }
    if (!conversation_) CloseLink();
    return conversation_ != nullptr;
  }

  bool ExecuteMacro(const std::string& command) override {
    if (!conversation_) return false;
    std::string data = command.substr(0, command.find('\0'));
    data += '\0';
    HDDEDATA handle = DdeCreateDataHandle(instance_, reinterpret_cast<LPBYTE>(data.data()),
                                          static_cast<DWORD>(data.size()), 0, nullptr, CF_TEXT, 0);
    if (!handle) return false;
    // Handing over a data handle gives it to DDEML, which frees it when the transaction ends.
    DWORD result = 0;
    return DdeClientTransaction(reinterpret_cast<LPBYTE>(handle), 0xFFFFFFFF, conversation_,
                                nullptr, CF_TEXT, XTYP_EXECUTE, TIMEOUT_ASYNC, &result) != nullptr;
  }

 private:
  // An empty name is no handle, which DDEML takes as "any".
  HSZ NameHandle(const std::string& name) {
    return name.empty() ? nullptr : DdeCreateStringHandleA(instance_, name.c_str(), CP_WINANSI);
  }

  HCONV Connect() {
    CONVCONTEXT context{};
    context.cb = sizeof context;
    context.iCodePage = CP_WINANSI;
    return DdeConnect(instance_, service_, topic_, &context);
  }

  void CloseLink() {
    if (conversation_) DdeDisconnect(conversation_);
    conversation_ = nullptr;
    if (service_) DdeFreeStringHandle(instance_, service_);
    if (topic_) DdeFreeStringHandle(instance_, topic_);
    service_ = topic_ = nullptr;
  }

  DWORD instance_ = 0;
  HSZ service_ = nullptr;
  HSZ topic_ = nullptr;
  HCONV conversation_ = nullptr;
};

class Win32Dde final : public DdeClient {
 public:
  std::unique_ptr<DdeConversation> NewConversation() override {
    return std::make_unique<Win32Conversation>();
  }
};

Win32Dde host;
ServiceSlot<DdeClient> slot(host);

}  // namespace

DdeClient& CurrentDde() { return slot.Current(); }
ServiceGuard<DdeClient*> SetDde(DdeClient* client) { return slot.Set(client); }

}  // namespace platform
