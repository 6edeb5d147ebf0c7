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

class TFrmApp : public TComponent,
                private app::TWizardDirs,
                private app::TStatusView {
 public:
  // Creates the hidden main window with its task list and tasks.
  explicit TFrmApp(TComponent* owner);
  ~TFrmApp() override;

  HWND Handle() const { return hwnd_; }
  TInstall* Install() const { return tasks_->Install; }

  // The wizard and the status window, created after the main window, that the install flow and
  // the tasks' handlers use.
  void UseWindows(TFrmData* data, TFrmStatus* status);

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

  // The wizard's boxes and the status window, as the tasks see them.
  std::string TargetText() const override;
  std::string IdapiText() const override;
  void SetOperationCount(std::int32_t count) override;
  void ShowOperation(const std::string& group, const std::string& item) override;
  void StepOperation() override;
  void SetArchivePercent(std::int32_t percent) override;

  HWND hwnd_ = nullptr;
  // A member rather than an owned component: members go before the bases, so the tasks, which
  // hold references to this window's TWizardDirs and TStatusView parts, never outlive them.
  std::unique_ptr<app::TSetupTasks> tasks_;
  TFrmData* data_ = nullptr;
  TFrmStatus* status_ = nullptr;
  bool activated_ = false;  // the flow runs once per program run
  bool busy_ = false;       // the flow is under way: the window must not close under it
  app::Font welcomeFont_{"Arial", 27, true, true};
  app::Font subtitleFont_{"Arial", 13, false, true};
  app::Font rightsFont_{"Arial", 11};
};
