#include "app/win_kit.h"

#include <cstring>
#include <vector>

#include "platform/win32/ui_win32.h"

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
  HWND control =
      CreateWindowExA(exStyle, cls, text.c_str(), style | WS_CHILD | WS_VISIBLE | WS_GROUP, x, y,
                      width, height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                      GetModuleHandleA(nullptr), nullptr);
  if (control && font) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

HWND AddLabel(HWND parent, const std::string& text, int x, int y, int id, HFONT font, DWORD style,
              int extraWidth) {
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

void EnableControl(HWND dialog, HWND control, bool enable) {
  if (!enable && GetFocus() == control) SendMessageA(dialog, WM_NEXTDLGCTL, 0, FALSE);
  EnableWindow(control, enable);
}

void RegisterDialogClass(const char* className) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = DefDlgProcA;
  wc.cbWndExtra = DLGWINDOWEXTRA;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = className;
  RegisterClassExA(&wc);
}

std::vector<WORD> DialogTemplate(const char* className) {
  // The header, then the menu (none), the class by name and the title (empty), in UTF-16 words.
  DLGTEMPLATE header{};
  header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPSIBLINGS | DS_MODALFRAME;
  // WS_EX_CONTROLPARENT: the dialog manager handles its keys in every message loop.
  header.dwExtendedStyle = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
  std::vector<WORD> words(sizeof header / sizeof(WORD));
  std::memcpy(words.data(), &header, sizeof header);
  words.push_back(0);
  for (const char* c = className; *c; ++c) words.push_back(static_cast<unsigned char>(*c));
  words.push_back(0);
  words.push_back(0);
  return words;
}

}  // namespace app
