// TFrmReadMe: the readme viewer, a modal dialog that shows "LEIAME.TXT" from the program's own
// folder in a read-only, fixed-pitch text box.
#pragma once

#include <windows.h>

#include "app/win_kit.h"
#include "platform/component.h"

class TFrmReadMe : public TComponent {
 public:
  // Creates the hidden viewer, owned by the window owner.
  TFrmReadMe(TComponent* owner, HWND ownerWindow);
  ~TFrmReadMe() override;

  HWND Handle() const { return hwnd_; }

  // Loads the readme (FormShow) and shows the viewer modally until OK, Esc or its close box.
  int ShowModal();

 private:
  template <class T>
  friend INT_PTR CALLBACK app::RouteDialog(HWND, UINT, WPARAM, LPARAM);
  INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);

  void CreateControls();
  void FormShow();

  HWND hwnd_ = nullptr;
  int modalResult_ = 0;
  app::Font font_{"MS Sans Serif", 11};
  app::Font fixed_{"Courier New", 11};
};
