// TFrmApp: the main window. Borderless, it covers the screen with a blue-to-black gradient that
// carries the welcome and rights lines, and it runs the whole installation when it is first
// activated: pre-fill the wizard from the product INI file, show it, turn its answers into the
// settings and the tasks' Enabled flags, run the task list once, and close, which ends the
// program.
#pragma once

#include <windows.h>

#include <memory>

#include "app/setup_tasks.h"
#include "app/win_kit.h"
#include "platform/component.h"

class TFrmData;
class TFrmStatus;

class TFrmApp : public TComponent {
 public:
  // Creates the hidden main window, then the wizard and the status window it owns, then the task
  // list and the tasks, which read the one and drive the other.
  explicit TFrmApp(TComponent* owner);
  ~TFrmApp() override;

  HWND Handle() const { return hwnd_; }
  TInstall* Install() const { return tasks_->Install; }
  TFrmData& Data() const { return *data_; }
  TFrmStatus& Status() const { return *status_; }

  // Shows the window at its design size; the install flow starts on its first activation.
  void Show();

 private:
  template <class T>
  friend LRESULT CALLBACK app::RouteMessage(HWND, UINT, WPARAM, LPARAM);
  LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  void FormCreate();
  void FormResize();
  void FormPaint();
  void PaintGradient(HDC dc);
  void FormActivate();
  void StartFlowOnce();
  LRESULT OnCtlColorStatic(HDC dc, HWND label);
  std::string EngineDirDefault() const;

  HWND hwnd_ = nullptr;
  // Owned components, freed with the component base.
  TFrmData* data_ = nullptr;
  TFrmStatus* status_ = nullptr;
  // A member rather than an owned component: members go before the bases, so the tasks, which
  // hold references to the wizard and the status window, never outlive them.
  std::unique_ptr<app::TSetupTasks> tasks_;
  bool activated_ = false;  // the flow runs once per program run
  bool busy_ = false;       // the flow is under way: the window must not close under it
  app::Font welcomeFont_{"Arial", 27, true, true};
  app::Font subtitleFont_{"Arial", 13, false, true};
  app::Font rightsFont_{"Arial", 11};
};
