// One task in a task list of its own, with what it reports recorded: the item of every
// BeforeExecute and the action and error text of every AfterExecute, in order.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "install/install.h"
#include "install/install_item.h"

struct RecordedTask {
  explicit RecordedTask(const std::string& title) {
    list.AddTask(&task);
    task.Title = title;
    task.BeforeExecute = [this](TObject*, const std::string&, const std::string& item) {
      items.push_back(item);
    };
    task.AfterExecute = [this](TObject*, std::int32_t action, const std::string& error) {
      afters.emplace_back(action, error);
    };
  }

  std::vector<std::int32_t> Actions() const {
    std::vector<std::int32_t> actions;
    for (const auto& after : afters) actions.push_back(after.first);
    return actions;
  }

  TInstall list;
  TInstallItem task;
  std::vector<std::string> items;
  std::vector<std::pair<std::int32_t, std::string>> afters;
};
