// Doubles of the platform services the engines reach through their slots: a user interface that
// answers message boxes from a script, profile (INI) values in memory, and a DDE client whose
// servers answer on chosen links. Each records what it was asked.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/dde.h"
#include "platform/profile.h"
#include "platform/text.h"
#include "platform/ui.h"

namespace testsupport {

// Answers each box with the first of Answers, else by the rule Answer; a box neither covers fails
// the test and is answered as a box that could not be shown. Records every box.
class ScriptedUi final : public platform::UserInterface {
 public:
  struct Box {
    std::string Text;
    platform::MsgType Type;
    unsigned Buttons;
  };
  std::vector<Box> Boxes;
  std::deque<int> Answers;
  std::function<int(const Box&)> Answer;
  // Called with each box before it is answered, as a user would act before pressing a button.
  std::function<void(const Box&)> OnBox;
  // Called at every yield, for a test with real windows to pump.
  std::function<void()> OnPump;
  int Pumps = 0;

  int ShowMessage(const std::string& text, platform::MsgType type, unsigned buttons) override {
    Boxes.push_back({text, type, buttons});
    const Box box = Boxes.back();
    if (OnBox) OnBox(box);
    if (!Answers.empty()) {
      const int answer = Answers.front();
      Answers.pop_front();
      return answer;
    }
    if (Answer) return Answer(box);
    ADD_FAILURE() << "unscripted box: " << text;
    return platform::mrNone;
  }
  void ProcessMessages() override {
    ++Pumps;
    if (OnPump) OnPump();
  }

  // The texts of the boxes shown, in order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Box& box : Boxes) texts.push_back(box.Text);
    return texts;
  }
};

// Profile values in memory. Names match without regard to case, as the system's profile files
// do; every write asked for is recorded with the names exactly as given.
class MemoryProfile final : public platform::Profile {
 public:
  struct Write {
    std::string File, Section, Key, Value;
    bool operator==(const Write&) const = default;
  };
  // Every write asked for, refused ones included, in order.
  std::vector<Write> Writes;
  // Refuses this many writes first, then any write Refuse picks.
  int FailuresLeft = 0;
  std::function<bool(const Write&)> Refuse;

  std::string ReadString(const std::string& file, const std::string& section,
                         const std::string& key, const std::string& def) override {
    auto it = values_.find(IdOf(file, section, key));
    return it == values_.end() ? def : it->second;
  }

  bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value) override {
    Writes.push_back(Write{file, section, key, value});
    if (FailuresLeft > 0) {
      --FailuresLeft;
      return false;
    }
    if (Refuse && Refuse(Writes.back())) return false;
    values_[IdOf(file, section, key)] = value;
    return true;
  }

  // The value stored under key, or "<none>".
  std::string Value(const std::string& file, const std::string& section, const std::string& key) {
    return ReadString(file, section, key, "<none>");
  }
  // How many values are stored.
  std::size_t Stored() const { return values_.size(); }

 private:
  using Id = std::tuple<std::string, std::string, std::string>;
  static Id IdOf(const std::string& file, const std::string& section, const std::string& key) {
    return {platform::UpperAscii(file), platform::UpperAscii(section), platform::UpperAscii(key)};
  }
  std::map<Id, std::string> values_;
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

}  // namespace testsupport
