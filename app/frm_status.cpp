#include "app/frm_status.h"

#include <commctrl.h>

#include "app/control_ids.h"

TFrmStatus::TFrmStatus(TComponent* owner, HWND ownerWindow) : TComponent(owner) {
  app::CreateDialogForm(this, ids::kClassFrmStatus, "Status", ownerWindow, 369, 149);
}

TFrmStatus::~TFrmStatus() {
  if (hwnd_) DestroyWindow(hwnd_);
}

INT_PTR TFrmStatus::HandleMessage(UINT msg, WPARAM, LPARAM) {
  switch (msg) {
    case WM_INITDIALOG: CreateControls(); return FALSE;
    case WM_PAINT:  // Bevel1 around the two texts
      app::PaintBevel(hwnd_, {9, 8, 349, 61, app::BevelShape::LoweredBox});
      return TRUE;
    case WM_COMMAND:  // Cancel (and Esc, and Enter) are deliberately without effect
      return TRUE;
    case WM_CLOSE:  // the close box only hides it; the next operation brings it back
      ShowWindow(hwnd_, SW_HIDE);
      return TRUE;
  }
  return FALSE;
}

void TFrmStatus::CreateControls() {
  group_ = app::AddLabel(hwnd_, "", 20, 12, ids::lblGroup, bold_.get());
  // Paths have no blanks to wrap at: SS_EDITCONTROL breaks them where the line ends.
  item_ =
      app::AddControl(hwnd_, "Static", "Doing something...", SS_LEFT | SS_NOPREFIX | SS_EDITCONTROL,
                      20, 28, 325, 33, ids::lblItem, font_.get());
  overall_ =
      app::AddControl(hwnd_, PROGRESS_CLASSA, "", 0, 9, 71, 349, 16, ids::StatusBar, nullptr);
  archive_ = app::AddControl(hwnd_, PROGRESS_CLASSA, "", 0, 9, 89, 349, 16, ids::PackBar, nullptr);
  SendMessageA(overall_, PBM_SETRANGE32, 0, 100);
  SendMessageA(archive_, PBM_SETRANGE32, 0, 100);
  app::AddControl(hwnd_, "Button", "Cancel", BS_PUSHBUTTON | WS_TABSTOP, 144, 112, 80, 30,
                  ids::btnStatusCancel, font_.get());
}

void TFrmStatus::SetOperationCount(std::int32_t count) {
  SendMessageA(overall_, PBM_SETRANGE32, 0, count);
}

void TFrmStatus::ShowOperation(const std::string& group, const std::string& item) {
  // Shown (and activated) when it is not on screen; otherwise only raised, so a user working in
  // another program is not pulled back at every operation.
  if (!IsWindowVisible(hwnd_)) ShowWindow(hwnd_, SW_SHOW);
  SetWindowPos(hwnd_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  app::SetText(group_, group);
  app::FitToText(group_);
  app::SetText(item_, item);
}

void TFrmStatus::StepOperation() { SendMessageA(overall_, PBM_DELTAPOS, 1, 0); }

void TFrmStatus::SetArchivePercent(std::int32_t percent) {
  SendMessageA(archive_, PBM_SETPOS, static_cast<WPARAM>(percent), 0);
}
