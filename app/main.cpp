// SETUP.EXE: installs the TAVO web application, its database, its images and the database engine
// from the distribution media the program is started from. It takes no command-line arguments.

#include <windows.h>
#include <commctrl.h>

#include "app/frm_app.h"
#include "app/frm_readme.h"
#include "platform/win32/ui_win32.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
  InitCommonControlsEx(&controls);
  // The engines' message boxes and their yields between operations go to the real windows.
  platform::Win32Ui ui;
  auto current = platform::SetUi(&ui);

  int exitCode = 0;
  {
    // The four windows, created in this order: the main window comes first, makes the wizard
    // and the status window, whose windows it owns so they stay in front of it, and then the
    // tasks that use them.
    TComponent application;
    auto* frmApp = new TFrmApp(&application);
    new TFrmReadMe(&application, frmApp->Handle());

    frmApp->Show();
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) platform::DispatchWithDialogKeys(msg);
    exitCode = static_cast<int>(msg.wParam);
  }  // the task list goes with the main window and gives Program Manager its window back
  return exitCode;
}
