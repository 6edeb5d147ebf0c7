// TFrmStatus: the modeless status window of the install run. It shows the task at work, the
// operation in progress, a bar over all operations of the run and a bar over the archive being
// expanded. It has no logic of its own: the main window's notification handlers drive it through
// the TStatusView it implements. Its Cancel button does nothing: a run cannot be interrupted here.
#pragma once

#include <windows.h>

#include "app/setup_tasks.h"
#include "app/win_kit.h"
#include "platform/component.h"

class TFrmStatus : public TComponent, public app::TStatusView {
 public:
  // Creates the hidden window, owned by the window owner (the main window).
  TFrmStatus(TComponent* owner, HWND ownerWindow);
  ~TFrmStatus() override;

  HWND Handle() const { return hwnd_; }

  void SetOperationCount(std::int32_t count) override;
  void ShowOperation(const std::string& group, const std::string& item) override;
  void StepOperation() override;
  void SetArchivePercent(std::int32_t percent) override;

 private:
  template <class T>
  friend INT_PTR CALLBACK app::RouteDialog(HWND, UINT, WPARAM, LPARAM);
  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  void CreateControls();

  HWND hwnd_ = nullptr;
  // The controls the run updates, kept from their creation: under Wine every GetDlgItem asks
  // the server for the window's children, and the archive bar moves twice per extracted file.
  HWND group_ = nullptr, item_ = nullptr, overall_ = nullptr, archive_ = nullptr;
  app::Font font_{"MS Sans Serif", 11};
  app::Font bold_{"MS Sans Serif", 11, true};
};
