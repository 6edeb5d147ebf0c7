// What the setup program's four windows share: fonts, child controls placed in client pixels,
// windows sized by their client area and centred, and the three dialogs: real dialogs of the
// system's dialog manager, made from a template in memory, with a modal run.
//
// Every window is an ANSI window; texts are Windows-1252 byte strings.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace app {

// An owned GDI font.
class Font {
 public:
  Font() = default;
  // face at a character height of pixels (the cell height without internal leading).
  Font(const char* face, int pixels, bool bold = false, bool italic = false);
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  HFONT get() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

// A child control at (x, y) of the parent's client area with the given size and font. style gets
// WS_CHILD | WS_VISIBLE | WS_GROUP added: every control is a group of its own, so the arrow keys
// never carry the focus from one control to the next (lists and text boxes use them themselves).
HWND AddControl(HWND parent, const char* cls, const std::string& text, DWORD style, int x, int y,
                int width, int height, int id, HFONT font, DWORD exStyle = 0);
// A static text at (x, y) sized to its text in font (what a label with automatic size does).
HWND AddLabel(HWND parent, const std::string& text, int x, int y, int id, HFONT font,
              DWORD style = SS_LEFT | SS_NOPREFIX, int extraWidth = 0);
// Resizes a control to fit its current text in its font on one line, keeping its position.
void FitToText(HWND control, int extraWidth = 0, int minHeight = 0);
// Makes a word-wrapped text as tall as its text needs at its width, if it is not already: a text
// that wraps to more lines in the fonts at hand than planned is shown whole.
void GrowToWrappedText(HWND control);

// One formatted text: layout with its single %s replaced by argument, whole however long.
std::string Format(const std::string& layout, const std::string& argument);

// A bevel painted on a window's client area: a lowered box, or the etched rule at its top edge.
enum class BevelShape { LoweredBox, TopRule };
struct Bevel {
  int x, y, width, height;
  BevelShape shape;
};
// Answers WM_PAINT of a window whose only drawing of its own is bevel.
void PaintBevel(HWND window, const Bevel& bevel);

// The folder of the running program file, with its trailing backslash.
std::string ProgramDir();

std::string GetText(HWND window);
void SetText(HWND window, const std::string& text);

// Sizes a top-level window so that its client area is width x height and centres it on the
// screen.
void PlaceCentred(HWND window, int clientWidth, int clientHeight);

// True when a control can take the user's input: enabled and visible. A click sent to a control
// that is not is dropped, as the mouse could not have made it.
bool IsUsable(HWND control);

// Enables or disables a control of dialog. A control that is disabled while it has the focus
// first hands the focus on to the next one, as the dialog manager leaves it nowhere otherwise.
void EnableControl(HWND dialog, HWND control, bool enable);

// Shows dialog modally above its owner (which is disabled meanwhile) and pumps messages, the
// dialog manager handling the keys (Tab, Esc, Enter, mnemonics), until modalResult becomes
// non-zero; then hides dialog and returns the result. A WM_QUIT met on the way is passed on and
// gives IDCANCEL.
int RunModal(HWND dialog, int& modalResult);

// Static window procedure that routes messages to T::HandleMessage of the object passed as the
// lpParam of CreateWindowEx.
template <class T>
LRESULT CALLBACK RouteMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* self = static_cast<T*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);
  if (msg == WM_NCDESTROY) {  // the last message: from here on the object has no window
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    self->hwnd_ = nullptr;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
  }
  return self->HandleMessage(msg, wParam, lParam);
}

// Registers a window class of this module for T (once per process).
template <class T>
void RegisterFormClass(const char* className, HBRUSH background, UINT style = 0) {
  WNDCLASSEXA wc{};
  if (GetClassInfoExA(GetModuleHandleA(nullptr), className, &wc)) return;
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &RouteMessage<T>;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hIcon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
  if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
  wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  wc.hbrBackground = background;
  wc.lpszClassName = className;
  RegisterClassExA(&wc);
}

// Dialog procedure that routes messages to T::HandleMessage of the object passed to
// CreateDialogIndirectParam; the system's dialog procedure handles whatever it leaves (FALSE).
template <class T>
INT_PTR CALLBACK RouteDialog(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_INITDIALOG) {
    SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
    reinterpret_cast<T*>(lParam)->hwnd_ = hwnd;
  }
  auto* self = reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, DWLP_USER));
  if (!self) return FALSE;
  if (msg == WM_NCDESTROY) {  // the last message: from here on the object has no window
    SetWindowLongPtrA(hwnd, DWLP_USER, 0);
    self->hwnd_ = nullptr;
    return FALSE;
  }
  return self->HandleMessage(msg, wParam, lParam);
}

// Registers className as a dialog class of this module: the system's dialog window procedure,
// under a name of its own by which the window can be found.
void RegisterDialogClass(const char* className);
// A dialog template without controls for a hidden modal-frame popup of the class className,
// with caption and close box (the controls are made in pixels by the dialog itself).
std::vector<WORD> DialogTemplate(const char* className);

// Creates the dialog of self, hidden, owned by ownerWindow, with caption, its client area
// width x height pixels, centred on the screen. Its WM_INITDIALOG makes its controls.
template <class T>
void CreateDialogForm(T* self, const char* className, const char* caption, HWND ownerWindow,
                      int width, int height) {
  RegisterDialogClass(className);
  const std::vector<WORD> dialog = DialogTemplate(className);
  CreateDialogIndirectParamA(GetModuleHandleA(nullptr),
                             reinterpret_cast<LPCDLGTEMPLATEA>(dialog.data()), ownerWindow,
                             &RouteDialog<T>, reinterpret_cast<LPARAM>(self));
  SetWindowTextA(self->Handle(), caption);
  PlaceCentred(self->Handle(), width, height);
}

}  // namespace app
