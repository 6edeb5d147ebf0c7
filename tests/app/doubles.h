// Doubles for the setup program's tests: a user interface that records message boxes and answers
// them by rule while still pumping the real windows, an INI profile and a DDE client that keep
// everything in memory, an in-memory registry, a wizard with fixed directory boxes and a status
// view that counts. Doubles installs the platform ones for the lifetime of a test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/setup_tasks.h"
#include "platform/dde.h"
#include "platform/memory_registry.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "platform/win32/win32_ui.h"

namespace apptest {

inline std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

struct Box {
  std::string Text;
  platform::MsgType Type;
  unsigned Buttons;
};

class ScriptedUi final : public platform::UserInterface {
 public:
  std::vector<Box> Boxes;
  // Chooses the answer to a box; unset, an error box is ignored and any other box confirmed.
  std::function<int(const Box&)> Answer;

  int ShowMessage(const std::string& text, platform::MsgType type, unsigned buttons) override {
    Boxes.push_back(Box{text, type, buttons});
    if (Answer) return Answer(Boxes.back());
    return (buttons & platform::mbIgnore) ? platform::mrIgnore : platform::mrOk;
  }

  void ProcessMessages() override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) platform::DispatchWithDialogKeys(msg);
  }
};

class MemoryProfile final : public platform::Profile {
 public:
  struct Write {
    std::string File, Section, Key, Value;
    bool operator==(const Write&) const = default;
  };
  // Every write asked for, refused ones included, in order.
  std::vector<Write> Writes;
  // Refuses a write when it returns true.
  std::function<bool(const Write&)> Refuse;

  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& def) override {
    auto it = values_.find(Id(file, section, key));
    return it == values_.end() ? def : it->second;
  }

  bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override {
    Writes.push_back(Write{file, section, key, value});
    if (Refuse && Refuse(Writes.back())) return false;
    values_[Id(file, section, key)] = value;
    return true;
  }

  // The value stored under key, or "<none>".
  std::string Value(const std::string& file, const std::string& section, const std::string& key) {
    return ReadString(file, section, key, "<none>");
  }

 private:
  static std::tuple<std::string, std::string, std::string> Id(const std::string& file,
                                                              const std::string& section,
                                                              const std::string& key) {
    return {Upper(file), Upper(section), Upper(key)};
  }
  std::map<std::tuple<std::string, std::string, std::string>, std::string> values_;
};

class RecordingDde final : public platform::DdeClient {
 public:
  std::vector<std::string> Commands;  // as handed over
  bool Reachable = true;

  std::unique_ptr<platform::DdeConversation> NewConversation() override {
    return std::make_unique<Conversation>(*this);
  }

 private:
  class Conversation final : public platform::DdeConversation {
   public:
    explicit Conversation(RecordingDde& client) : client_(client) {}
    bool SetLink(const std::string&, const std::string&) override {
      open_ = client_.Reachable;
      return open_;
    }
    bool ExecuteMacro(const std::string& command) override {
      if (!open_) return false;
      client_.Commands.push_back(command.substr(0, command.find('\0')));
      return true;
    }

   private:
    RecordingDde& client_;
    bool open_ = false;
  };
};

// Installs the doubles, and the host's services again afterwards.
struct Doubles {
  ScriptedUi Ui;
  MemoryProfile Profile;
  RecordingDde Dde;
  platform::MemoryRegistry Registry;

  Doubles() {
    platform::SetUi(&Ui);
    platform::SetProfile(&Profile);
    platform::SetDde(&Dde);
    platform::SetRegistry(&Registry);
  }
  ~Doubles() {
    platform::SetUi(nullptr);
    platform::SetProfile(nullptr);
    platform::SetDde(nullptr);
    platform::SetRegistry(nullptr);
  }
  Doubles(const Doubles&) = delete;
  Doubles& operator=(const Doubles&) = delete;

  // A REG_SZ value below HKEY_LOCAL_MACHINE without its NUL, or "<none>".
  std::string RegistryString(const std::string& key, const std::string& name) const {
    const auto& keys = Registry.Contents(platform::RootKey::LocalMachine);
    auto k = keys.find(Upper(key));
    if (k == keys.end()) return "<none>";
    auto v = k->second.Values.find(Upper(name));
    if (v == k->second.Values.end() || v->second.Type != platform::RegSz) return "<none>";
    std::string data = v->second.Data;
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
  }
};

class FixedWizard final : public app::TWizardDirs {
 public:
  std::string Target = "C:\\RUDOdez";
  std::string Idapi = "C:\\BDE";
  std::string TargetText() const override { return Target; }
  std::string IdapiText() const override { return Idapi; }
};

class CountingStatus final : public app::TStatusView {
 public:
  std::int32_t Maximum = 100;
  std::int32_t Position = 0;
  std::vector<std::pair<std::string, std::string>> Shown;  // (group, item)
  std::vector<std::int32_t> Percents;

  void SetOperationCount(std::int32_t count) override { Maximum = count; }
  void ShowOperation(const std::string& group, const std::string& item) override {
    Shown.emplace_back(group, item);
  }
  void StepOperation() override { ++Position; }
  void SetArchivePercent(std::int32_t percent) override { Percents.push_back(percent); }
};

}  // namespace apptest
