// Doubles for the setup program's tests: the platform ones of tests/support with an in-memory
// registry, installed for the lifetime of a test by Doubles; a wizard with fixed directory boxes
// and a status view that counts.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "app/setup_tasks.h"
#include "platform/dde.h"
#include "platform/memory_registry.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/ui.h"
#include "platform/text.h"
#include "platform/win32/ui_win32.h"
#include "tests/support/doubles.h"

namespace apptest {

using testsupport::MemoryProfile;
using testsupport::ScriptedDde;
using testsupport::ScriptedUi;
using Box = ScriptedUi::Box;

// Installs the doubles, and puts back what was there afterwards. Unless a test says otherwise,
// an error box is ignored and any other box confirmed, and the real windows are pumped at every
// yield.
struct Doubles {
  ScriptedUi Ui;
  MemoryProfile Profile;
  ScriptedDde Dde;
  platform::MemoryRegistry Registry;

  Doubles() {
    Ui.Answer = [](const Box& box) {
      return (box.Buttons & platform::mbIgnore) ? platform::mrIgnore : platform::mrOk;
    };
    Ui.OnPump = [] {
      MSG msg;
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) platform::DispatchWithDialogKeys(msg);
    };
  }
  Doubles(const Doubles&) = delete;
  Doubles& operator=(const Doubles&) = delete;

  // A REG_SZ value below HKEY_LOCAL_MACHINE without its NUL, or "<none>".
  std::string RegistryString(const std::string& key, const std::string& name) const {
    const auto& keys = Registry.Contents(platform::RootKey::LocalMachine);
    auto k = keys.find(platform::UpperAscii(key));
    if (k == keys.end()) return "<none>";
    auto v = k->second.Values.find(platform::UpperAscii(name));
    if (v == k->second.Values.end() || v->second.Type != platform::RegSz) return "<none>";
    std::string data = v->second.Data;
    if (!data.empty() && data.back() == '\0') data.pop_back();
    return data;
  }

 private:
  platform::ServiceGuard<platform::UserInterface*> uiGuard_ = platform::SetUi(&Ui);
  platform::ServiceGuard<platform::Profile*> profileGuard_ = platform::SetProfile(&Profile);
  platform::ServiceGuard<platform::DdeClient*> ddeGuard_ = platform::SetDde(&Dde);
  platform::ServiceGuard<platform::Registry*> registryGuard_ = platform::SetRegistry(&Registry);
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
