// Test doubles of the platform services the install engine uses, and a fixture that makes them
// current for one test and restores the host's afterwards.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/dde.h"
#include "platform/memory_registry.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui.h"

namespace doubles {

// Answers boxes from a script and records each one. An unscripted box fails the test and is
// answered as a box that could not be shown.
class ScriptedUi final : public platform::UserInterface {
 public:
  struct Box {
    std::string Text;
    platform::MsgType Type;
    unsigned Buttons;
  };
  std::deque<int> Answers;
  std::vector<Box> Boxes;
  int Pumps = 0;
  // Called with each box before it is answered, as a user would act before pressing a button.
  std::function<void(const Box&)> OnBox;

  int ShowMessage(const std::string& text, platform::MsgType type, unsigned buttons) override {
    Boxes.push_back({text, type, buttons});
    if (OnBox) OnBox(Boxes.back());
    if (Answers.empty()) {
      ADD_FAILURE() << "unscripted box: " << text;
      return platform::mrNone;
    }
    int answer = Answers.front();
    Answers.pop_front();
    return answer;
  }
  void ProcessMessages() override { ++Pumps; }
};

class FakeShell final : public platform::Shell {
 public:
  std::string Windows = "C:\\WINDOWS";
  std::string System = "C:\\WINDOWS\\SYSTEM";
  std::string Program = "D:\\SETUP\\DISK1\\SETUP.EXE";
  std::vector<std::pair<std::string, int>> Shown;

  std::string WindowsDirectory() override { return Windows; }
  std::string SystemDirectory() override { return System; }
  std::string ProgramPath() override { return Program; }
  bool ShowWindowOfClass(const std::string& className, int showCommand) override {
    Shown.emplace_back(className, showCommand);
    return true;
  }
};

// A MemoryRegistry whose writes of chosen value names fail a given number of times, and which
// records every write that reached it, in order.
class FlakyRegistry final : public platform::Registry {
 public:
  platform::MemoryRegistry Store;
  std::map<std::string, int> FailuresLeft;  // by value name as written
  std::vector<std::pair<std::string, std::string>> Written;  // (key path, value name)

  std::unique_ptr<platform::RegistryKey> OpenKey(platform::RootKey root, const std::string& path,
                                                 bool create) override {
    auto inner = Store.OpenKey(root, path, create);
    if (!inner) return nullptr;
    return std::make_unique<Key>(*this, std::move(inner), path);
  }

  // A value as stored under HKEY_LOCAL_MACHINE, or nothing.
  std::optional<platform::RegistryValue> Value(const std::string& path, const std::string& name) {
    auto key = Store.OpenKey(platform::RootKey::LocalMachine, path, false);
    if (!key) return std::nullopt;
    return key->ReadValue(name);
  }

 private:
  class Key final : public platform::RegistryKey {
   public:
    Key(FlakyRegistry& owner, std::unique_ptr<platform::RegistryKey> inner, std::string path)
        : owner_(owner), inner_(std::move(inner)), path_(std::move(path)) {}
    std::optional<platform::RegistryValue> ReadValue(const std::string& name) override {
      return inner_->ReadValue(name);
    }
    void WriteValue(const std::string& name, std::uint32_t type, const void* data,
                    std::size_t size) override {
      auto it = owner_.FailuresLeft.find(name);
      if (it != owner_.FailuresLeft.end() && it->second > 0) {
        --it->second;
        throw platform::ERegistryException("access denied");
      }
      owner_.Written.emplace_back(path_, name);
      inner_->WriteValue(name, type, data, size);
    }

   private:
    FlakyRegistry& owner_;
    std::unique_ptr<platform::RegistryKey> inner_;
    std::string path_;
  };
};

// Profile values in memory, keyed by the names exactly as given; writes can be refused.
class MemoryProfile final : public platform::Profile {
 public:
  std::map<std::tuple<std::string, std::string, std::string>, std::string> Values;
  int FailuresLeft = 0;

  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& def) override {
    auto it = Values.find({file, section, key});
    return it == Values.end() ? def : it->second;
  }
  bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override {
    if (FailuresLeft > 0) {
      --FailuresLeft;
      return false;
    }
    Values[{file, section, key}] = value;
    return true;
  }
};

// A DDE client whose servers answer only on the links listed in Answering; records the links
// tried and the commands sent.
class ScriptedDde final : public platform::DdeClient {
 public:
  std::set<std::pair<std::string, std::string>> Answering = {{"PROGMAN", "PROGMAN"}};
  std::vector<std::pair<std::string, std::string>> Tries;
  std::vector<std::string> Sent;
  bool ExecuteFails = false;
  int Open = 0;  // conversation objects alive

  std::unique_ptr<platform::DdeConversation> NewConversation() override {
    return std::make_unique<Conversation>(*this);
  }

 private:
  class Conversation final : public platform::DdeConversation {
   public:
    explicit Conversation(ScriptedDde& owner) : owner_(owner) { ++owner_.Open; }
    ~Conversation() override { --owner_.Open; }
    bool SetLink(const std::string& service, const std::string& topic) override {
      owner_.Tries.emplace_back(service, topic);
      connected_ = owner_.Answering.count({service, topic}) > 0;
      return connected_;
    }
    bool ExecuteMacro(const std::string& command) override {
      if (!connected_ || owner_.ExecuteFails) return false;
      owner_.Sent.push_back(command);
      return true;
    }

   private:
    ScriptedDde& owner_;
    bool connected_ = false;
  };
};

class RecordingCanvas final : public platform::Canvas {
 public:
  struct Fill {
    platform::Rect Rect;
    TColor Colour;
  };
  int W = 0, H = 0, ClientH = 0;
  std::vector<Fill> Fills;

  int Width() const override { return W; }
  int Height() const override { return H; }
  int ClientHeight() const override { return ClientH; }
  void FillRect(const platform::Rect& rect, TColor colour) override {
    Fills.push_back({rect, colour});
  }
};

// Makes the doubles current for the length of a test.
class PlatformTest : public ::testing::Test {
 protected:
  PlatformTest() {
    platform::SetUi(&ui);
    platform::SetShell(&shell);
    platform::SetRegistry(&registry);
    platform::SetProfile(&profile);
    platform::SetDde(&dde);
  }
  ~PlatformTest() override {
    platform::SetUi(nullptr);
    platform::SetShell(nullptr);
    platform::SetRegistry(nullptr);
    platform::SetProfile(nullptr);
    platform::SetDde(nullptr);
  }

  ScriptedUi ui;
  FakeShell shell;
  FlakyRegistry registry;
  MemoryProfile profile;
  ScriptedDde dde;
};

}  // namespace doubles
