#include "app/win_kit.h"

#include <vector>

#include "platform/win32/win32_ui.h"

namespace app {

Font::Font(const char* face, int pixels, bool bold, bool italic)
    : font_(CreateFontA(-pixels, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, italic, FALSE, FALSE,
                        ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                        DEFAULT_PITCH | FF_DONTCARE, face)) {}

Font::~Font() {
  if (font_) DeleteObject(font_);
}

HWND AddControl(HWND parent, const char* cls, const std::string& text, DWORD style, int x, int y,
                int width, int height, int id, HFONT font, DWORD exStyle) {
  HWND control = CreateWindowExA(exStyle, cls, text.c_str(),
                                 style | WS_CHILD | WS_VISIBLE | WS_GROUP, x, y, width, height,
                                 parent,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleA(nullptr), nullptr);
  if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

HWND AddLabel(HWND parent, const std::string& text, int x, int y, int id, HFONT font,
              DWORD style, int extraWidth) {
  HWND label = AddControl(parent, "Static", text, style, x, y, 0, 0, id, font);
  FitToText(label, extraWidth);
  return label;
}

namespace {

// The box the control's text needs in its font: on one line, or wrapped at box.right.
RECT MeasureText(HWND control, RECT box, UINT format) {
  HDC dc = GetDC(control);
  auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  std::string text = GetText(control);
  // DT_CALCRECT of an empty text still gives the height of one line.
  DrawTextA(dc, text.empty() ? " " : text.c_str(), -1, &box, DT_CALCRECT | DT_NOPREFIX | format);
  if (old) SelectObject(dc, old);
  ReleaseDC(control, dc);
  return box;
}

}  // namespace

void FitToText(HWND control, int extraWidth, int minHeight) {
  RECT box = MeasureText(control, RECT{0, 0, 0, 0}, DT_SINGLELINE);
  int height = box.bottom - box.top;
  if (height < minHeight) height = minHeight;
  SetWindowPos(control, nullptr, 0, 0, box.right - box.left + extraWidth, height,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void GrowToWrappedText(HWND control) {
  RECT client;
  GetClientRect(control, &client);
  RECT box = MeasureText(control, RECT{0, 0, client.right, 0}, DT_WORDBREAK);
  if (box.bottom > client.bottom)
    SetWindowPos(control, nullptr, 0, 0, client.right, box.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::string Format(const std::string& layout, const std::string& argument) {
  std::string text = layout;
  if (const std::size_t at = text.find("%s"); at != std::string::npos)
    text.replace(at, 2, argument);
  return text;
}

void PaintBevel(HWND window, const Bevel& bevel) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT r{bevel.x, bevel.y, bevel.x + bevel.width, bevel.y + bevel.height};
  if (bevel.shape == BevelShape::LoweredBox)
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
  else
    DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP);
  EndPaint(window, &paint);
}

std::string ProgramDir() {
  std::vector<char> path(MAX_PATH);
  for (;;) {
    DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      std::string file(path.data(), length);
      return file.substr(0, file.find_last_of('\\') + 1);
    }
    path.resize(path.size() * 2);
  }
}

std::string GetText(HWND window) {
  int length = GetWindowTextLengthA(window);
  if (length <= 0) return {};
  std::vector<char> buffer(static_cast<std::size_t>(length) + 1);
  int got = GetWindowTextA(window, buffer.data(), length + 1);
  return std::string(buffer.data(), got > 0 ? static_cast<std::size_t>(got) : 0);
}

void SetText(HWND window, const std::string& text) { SetWindowTextA(window, text.c_str()); }

void PlaceCentred(HWND window, int clientWidth, int clientHeight) {
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(window, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(window, GWL_EXSTYLE)));
  int width = frame.right - frame.left, height = frame.bottom - frame.top;
  int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(window, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

bool IsUsable(HWND control) {
  return control && IsWindowEnabled(control) && IsWindowVisible(control);
}

int RunModal(HWND dialog, int& modalResult) {
  HWND owner = GetWindow(dialog, GW_OWNER);
  const bool reenableOwner = owner && IsWindowEnabled(owner);
  modalResult = 0;
  // The owner is disabled before the dialog appears, so nothing (a click, or a late focus event
  // of the window system) can activate it while the dialog is up.
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(dialog, SW_SHOW);
  SetForegroundWindow(dialog);
  MSG msg;
  while (modalResult == 0) {
    BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      modalResult = IDCANCEL;
      break;
    }
    if (got == -1) {
      modalResult = IDCANCEL;
      break;
    }
    platform::DispatchWithDialogKeys(msg);
  }
  // The owner comes back before the dialog goes, so the activation returns to it rather than to
  // some other program's window.
  if (reenableOwner) EnableWindow(owner, TRUE);
  ShowWindow(dialog, SW_HIDE);
  return modalResult;
}

namespace {

bool IsPushButton(HWND control) {
  const LRESULT code = SendMessageA(control, WM_GETDLGCODE, 0, 0);
  return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

bool AnswerDialogManager(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam, int defaultId,
                         LRESULT& result) {
  HWND focus = GetFocus();
  if (focus && !IsChild(dialog, focus)) focus = nullptr;
  switch (msg) {
    case WM_NEXTDLGCTL: {
      HWND to = lParam ? reinterpret_cast<HWND>(wParam)
                       : GetNextDlgTabItem(dialog, focus, wParam != 0);
      if (to && IsChild(dialog, to) && IsUsable(to)) {
        SetFocus(to);
        // As in any dialog, a text box reached from the keyboard has its text selected.
        if (!lParam && (SendMessageA(to, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL))
          SendMessageA(to, EM_SETSEL, 0, -1);
      }
      result = 0;
      return true;
    }
    case DM_GETDEFID: {
      const int id = focus && IsPushButton(focus) ? GetDlgCtrlID(focus) : defaultId;
      result = id ? MAKELRESULT(id, DC_HASDEFID) : 0;
      return true;
    }
  }
  return false;
}

void TrackDialogFocus(HWND dialog, WPARAM activateState, HWND& savedFocus) {
  if (LOWORD(activateState) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus)) savedFocus = focus;
    return;
  }
  if (savedFocus && IsChild(dialog, savedFocus) && IsUsable(savedFocus)) {
    SetFocus(savedFocus);
  } else if (HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE)) {
    SetFocus(first);
  }
}

void KeepFocusUsable(HWND dialog) {
  HWND focus = GetFocus();
  if (focus && IsChild(dialog, focus) && IsUsable(focus)) return;
  if (HWND next = GetNextDlgTabItem(dialog, focus && IsChild(dialog, focus) ? focus : nullptr,
                                    FALSE))
    SetFocus(next);
}

}  // namespace app
