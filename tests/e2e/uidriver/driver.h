// The UI driver: drives a Windows program from outside, the way a person at the screen would,
// with nothing but the Windows API. It finds the program's top-level windows by class and
// caption, reads what its controls show (texts, check marks, list choices, progress bars, enabled
// and visible states), presses buttons, ticks boxes, types into edit boxes, picks list items and
// answers message boxes. It refuses what a person could not do: pressing a disabled or hidden
// button, or choosing an item that a list does not hold.
//
// Every wait polls the screen and gives up with a DriverError after its timeout, so a program
// that hangs or shows something unexpected fails a run instead of blocking it.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

namespace uidriver {

class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The window the driver spoke to was destroyed before it answered.
class WindowGone : public DriverError {
 public:
  using DriverError::DriverError;
};

// Default time a wait allows, in milliseconds.
inline constexpr int kDefaultTimeout = 20000;

// Polls cond every 50 ms until it holds (true) or timeoutMs has passed (false).
bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = kDefaultTimeout);

// A program started by the driver. Ends the program on destruction if it still runs, so a failed
// scenario leaves nothing behind.
class App {
 public:
  // Starts commandLine in directory dir (empty: the driver's own). Throws DriverError.
  static App Launch(const std::string& commandLine, const std::string& dir = "");
  App(App&& other) noexcept;
  App& operator=(App&&) = delete;
  App(const App&) = delete;
  ~App();

  DWORD Pid() const { return pid_; }
  bool Running() const;
  // Waits for the program to end and returns its exit code. Throws on timeout.
  DWORD WaitExit(int timeoutMs = kDefaultTimeout);

  // The program's visible top-level windows, front to back.
  std::vector<HWND> Windows() const;
  // A visible top-level window of the program with this class (nullptr: any) and caption
  // (nullptr: any), or nullptr.
  HWND Find(const char* cls, const char* caption = nullptr) const;
  // Like Find, but waits for the window to appear. Throws on timeout.
  HWND Wait(const char* cls, const char* caption = nullptr, int timeoutMs = kDefaultTimeout) const;
  // The program's message box (a visible system dialog), or nullptr.
  HWND FindBox() const;
  // Waits until a message box is on screen and complete: visible, enabled and reading the same
  // (caption, text, buttons) on two polls in a row. Throws on timeout.
  HWND WaitBox(int timeoutMs = kDefaultTimeout) const;

 private:
  App(HANDLE process, DWORD pid) : process_(process), pid_(pid) {}
  HANDLE process_ = nullptr;
  DWORD pid_ = 0;
};

// Reading.
std::string ClassOf(HWND w);
std::string Text(HWND w);
HWND Item(HWND top, int id);  // throws when the window has no such control
bool IsEnabled(HWND w);
bool IsVisible(HWND w);  // the control and all its parents are visible
bool IsChecked(HWND button);
std::string ChosenItem(HWND combo);  // the selected item's text, empty when none
int ChosenIndex(HWND combo);         // -1 when none
std::vector<std::string> Items(HWND combo);
int ProgressPos(HWND bar);
int ProgressMax(HWND bar);
// The client rectangle in screen coordinates, and the outer window size.
RECT ScreenRect(HWND w);

// Acting. Each throws DriverError when a person could not do it.
void Click(HWND button);                           // press a visible, enabled button
void SetChecked(HWND box, bool checked);           // click the box if its mark differs
void Type(HWND edit, const std::string& text);     // replace the edit box's text
void Choose(HWND combo, const std::string& item);  // pick an item of a drop-down list
void Close(HWND top);                              // the close box of a window

// The keyboard. Keys are real input: they go to the window in front, as a person's would, so
// PressKey first brings top to the front (throws when it cannot). modifiers are held around the
// key: VK_MENU for Alt, VK_SHIFT, VK_CONTROL.
void PressKey(HWND top, WORD key, std::initializer_list<WORD> modifiers = {});
// The same to whichever window is in front, as one burst of real input; false when refused.
bool SendKey(WORD key, std::initializer_list<WORD> modifiers = {});
// The control of top's thread that has the keyboard focus, or nullptr.
HWND FocusOf(HWND top);
// Waits until control has the focus; throws, naming the control that has it, on timeout.
void WaitForFocus(HWND control, int timeoutMs = 5000);

// Message boxes.
struct BoxInfo {
  std::string caption;
  std::string text;
  std::vector<int> buttons;  // IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO present
  bool operator==(const BoxInfo&) const = default;
};
// Throws WindowGone when the box closes while it is read.
BoxInfo ReadBox(HWND box);
// Presses a button of the box and waits until the box has closed.
void Answer(HWND box, int buttonId, int timeoutMs = kDefaultTimeout);
// "OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No" and back; 0 / "" when unknown.
int ButtonId(const std::string& name);
std::string ButtonName(int id);

// Saves what the screen shows as a 24-bit BMP file.
void SaveScreenshot(const std::string& path);

// Recodes UTF-8 text (scripts, command lines) into Windows-1252 and back.
std::string Utf8ToAnsi(const std::string& utf8);
std::string AnsiToUtf8(const std::string& ansi);

}  // namespace uidriver
