// Test doubles of the platform services the install engine uses, and a fixture that makes them
// current for one test and restores the host's afterwards.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/canvas.h"
#include "platform/dde.h"
#include "platform/memory_registry.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/ui.h"
#include "tests/support/doubles.h"

namespace doubles {

using testsupport::MemoryProfile;
using testsupport::ScriptedDde;
using testsupport::ScriptedUi;

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
  std::map<std::string, int> FailuresLeft;                   // by value name as written
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
  ScriptedUi ui;
  FakeShell shell;
  FlakyRegistry registry;
  MemoryProfile profile;
  ScriptedDde dde;

 private:
  platform::ServiceGuard<platform::UserInterface*> uiGuard_ = platform::SetUi(&ui);
  platform::ServiceGuard<platform::Shell*> shellGuard_ = platform::SetShell(&shell);
  platform::ServiceGuard<platform::Registry*> registryGuard_ = platform::SetRegistry(&registry);
  platform::ServiceGuard<platform::Profile*> profileGuard_ = platform::SetProfile(&profile);
  platform::ServiceGuard<platform::DdeClient*> ddeGuard_ = platform::SetDde(&dde);
};

}  // namespace doubles
