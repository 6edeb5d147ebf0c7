#include "platform/win32/win32_ui.h"

#include <windows.h>

namespace platform {

int Win32Ui::ShowMessage(const std::string& text, MsgType type, unsigned buttons) {
  UINT flags = MB_TASKMODAL;
  const char* caption = "Information";
  switch (type) {
    case MsgType::Warning: flags |= MB_ICONWARNING; caption = "Warning"; break;
    case MsgType::Error: flags |= MB_ICONERROR; caption = "Error"; break;
    case MsgType::Information: flags |= MB_ICONINFORMATION; caption = "Information"; break;
    case MsgType::Confirmation: flags |= MB_ICONQUESTION; caption = "Confirm"; break;
  }
  if ((buttons & mbAbort) && (buttons & mbRetry))
    flags |= MB_ABORTRETRYIGNORE;
  else if ((buttons & mbYes) && (buttons & mbNo))
    flags |= (buttons & mbCancel) ? MB_YESNOCANCEL : MB_YESNO;
  else if ((buttons & mbRetry) && (buttons & mbCancel))
    flags |= MB_RETRYCANCEL;
  else if ((buttons & mbOK) && (buttons & mbCancel))
    flags |= MB_OKCANCEL;
  else
    flags |= MB_OK;
  switch (MessageBoxA(GetActiveWindow(), text.c_str(), caption, flags)) {
    case IDOK: return mrOk;
    case IDCANCEL: return mrCancel;
    case IDABORT: return mrAbort;
    case IDRETRY: return mrRetry;
    case IDIGNORE: return mrIgnore;
    case IDYES: return mrYes;
    case IDNO: return mrNo;
    default: return mrNone;
  }
}

void Win32Ui::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

}  // namespace platform
