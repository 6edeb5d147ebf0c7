#include "tests/e2e/uidriver/driver.h"

#include <commctrl.h>

#include <cstdint>
#include <fstream>
#include <utility>

namespace uidriver {
namespace {

// Messages to another process wait at most this long: a hung program fails the run instead of
// hanging the driver.
constexpr UINT kSendTimeout = 5000;

// Texts cross the process boundary as UTF-16: Wine hands some ANSI list texts (CB_GETLBTEXT) to
// another process unconverted, so the driver asks in UTF-16 and converts to Windows-1252 itself.
LRESULT Send(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(w, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeout, &result)) {
    if (!IsWindow(w)) throw WindowGone("the window closed before it answered");
    throw DriverError("the program did not answer a window message");
  }
  return static_cast<LRESULT>(result);
}

std::string FromWide(const std::wstring& wide) {
  if (wide.empty()) return "";
  const int n = static_cast<int>(wide.size());
  const int len = WideCharToMultiByte(1252, 0, wide.data(), n, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(1252, 0, wide.data(), n, out.data(), len, nullptr, nullptr);
  return out;
}

std::wstring ToWide(const std::string& ansi) {
  const int n = static_cast<int>(ansi.size());
  const int len = MultiByteToWideChar(1252, 0, ansi.data(), n, nullptr, 0);
  std::wstring out(static_cast<size_t>(len), L'\0');
  MultiByteToWideChar(1252, 0, ansi.data(), n, out.data(), len);
  return out;
}

struct FindState {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopWindow(HWND w, LPARAM lp) {
  auto* state = reinterpret_cast<FindState*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid == state->pid && IsWindowVisible(w)) state->found.push_back(w);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND w, LPARAM lp) {
  reinterpret_cast<std::vector<HWND>*>(lp)->push_back(w);
  return TRUE;
}

std::string Describe(HWND w) {
  char buf[32];
  wsprintfA(buf, "control %d", GetDlgCtrlID(w));
  return buf;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& cond, int timeoutMs) {
  const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    if (cond()) return true;
    if (GetTickCount64() >= end) return false;
    Sleep(50);
  }
}

// ---- App ----

App App::Launch(const std::string& commandLine, const std::string& dir) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string cmd = commandLine;
  if (!CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      dir.empty() ? nullptr : dir.c_str(), &si, &pi))
    throw DriverError("cannot start " + commandLine);
  CloseHandle(pi.hThread);
  WaitForInputIdle(pi.hProcess, 10000);
  return App(pi.hProcess, pi.dwProcessId);
}

App::App(App&& other) noexcept
    : process_(std::exchange(other.process_, nullptr)), pid_(std::exchange(other.pid_, 0)) {}

App::~App() {
  if (!process_) return;
  if (Running()) {
    TerminateProcess(process_, 255);
    WaitForSingleObject(process_, 5000);
  }
  CloseHandle(process_);
}

bool App::Running() const { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

DWORD App::WaitExit(int timeoutMs) {
  if (WaitForSingleObject(process_, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
    throw DriverError("the program did not end in time");
  DWORD code = 0;
  GetExitCodeProcess(process_, &code);
  return code;
}

std::vector<HWND> App::Windows() const {
  FindState state{pid_, {}};
  EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&state));
  return state.found;
}

HWND App::Find(const char* cls, const char* caption) const {
  for (HWND w : Windows()) {
    if (cls && lstrcmpiA(ClassOf(w).c_str(), cls) != 0) continue;
    if (caption && Text(w) != caption) continue;
    return w;
  }
  return nullptr;
}

HWND App::Wait(const char* cls, const char* caption, int timeoutMs) const {
  HWND found = nullptr;
  if (!WaitUntil([&] { return (found = Find(cls, caption)) != nullptr || !Running(); },
                 timeoutMs) ||
      !found) {
    std::string what = std::string("no window") + (cls ? std::string(" of class ") + cls : "") +
                       (caption ? std::string(" captioned \"") + caption + "\"" : "");
    throw DriverError(what + (Running() ? " appeared in time" : ": the program has ended"));
  }
  return found;
}

HWND App::FindBox() const { return Find("#32770"); }

// A message box is built in steps: the system may show it before its buttons are final (a box
// with fewer buttons than the system's row is made from the row, then trimmed), and a box just
// answered stays on screen for a moment while it closes. The box counts as shown once it is
// visible, takes input and reads the same on two polls in a row.
HWND App::WaitBox(int timeoutMs) const {
  HWND last = nullptr;
  BoxInfo lastInfo;
  HWND settled = nullptr;
  WaitUntil(
      [&] {
        HWND box = FindBox();
        if (!box || !IsEnabled(box)) {
          last = nullptr;
          return !Running();
        }
        try {
          BoxInfo info = ReadBox(box);
          if (box == last && info == lastInfo) settled = box;
          last = box;
          lastInfo = std::move(info);
        } catch (const WindowGone&) {
          last = nullptr;
        }
        return settled != nullptr;
      },
      timeoutMs);
  if (!settled)
    throw DriverError(Running() ? "no message box appeared in time"
                                : "no message box appeared: the program has ended");
  return settled;
}

// ---- reading ----

std::string ClassOf(HWND w) {
  char buf[256];
  int n = GetClassNameA(w, buf, sizeof buf);
  return std::string(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

// The program may change the text between the two messages: only a read that leaves room in
// the buffer is known to hold the whole text of one moment.
std::string Text(HWND w) {
  for (;;) {
    const auto len = static_cast<size_t>(Send(w, WM_GETTEXTLENGTH, 0, 0));
    std::wstring text(len + 64, L'\0');
    const auto got = static_cast<size_t>(Send(w, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                              reinterpret_cast<LPARAM>(text.data())));
    if (got + 1 < text.size()) {
      text.resize(got);
      return FromWide(text);
    }
  }
}

HWND Item(HWND top, int id) {
  HWND w = GetDlgItem(top, id);
  if (!w) {
    char buf[64];
    wsprintfA(buf, "the window has no control %d", id);
    throw DriverError(buf);
  }
  return w;
}

bool IsEnabled(HWND w) { return IsWindowEnabled(w) != FALSE; }
bool IsVisible(HWND w) { return IsWindowVisible(w) != FALSE; }
bool IsChecked(HWND button) { return Send(button, BM_GETCHECK, 0, 0) == BST_CHECKED; }

int ChosenIndex(HWND combo) { return static_cast<int>(Send(combo, CB_GETCURSEL, 0, 0)); }

std::vector<std::string> Items(HWND combo) {
  std::vector<std::string> items;
  const auto count = Send(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    const auto len = Send(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
    if (len < 0) break;
    std::wstring text(static_cast<size_t>(len) + 1, L'\0');
    Send(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(len));
    items.push_back(FromWide(text));
  }
  return items;
}

std::string ChosenItem(HWND combo) {
  const int i = ChosenIndex(combo);
  if (i < 0) return "";
  const auto items = Items(combo);
  return static_cast<size_t>(i) < items.size() ? items[static_cast<size_t>(i)] : "";
}

int ProgressPos(HWND bar) { return static_cast<int>(Send(bar, PBM_GETPOS, 0, 0)); }
int ProgressMax(HWND bar) { return static_cast<int>(Send(bar, PBM_GETRANGE, FALSE, 0)); }

RECT ScreenRect(HWND w) {
  RECT r{};
  GetWindowRect(w, &r);
  return r;
}

// ---- acting ----

void Click(HWND button) {
  if (!IsVisible(button)) throw DriverError("cannot press " + Describe(button) + ": it is hidden");
  if (!IsEnabled(button))
    throw DriverError("cannot press " + Describe(button) + ": it is disabled");
  // Posted, not sent: a press that opens a modal box must not block the driver.
  if (!PostMessageA(button, BM_CLICK, 0, 0)) throw DriverError("cannot press " + Describe(button));
}

namespace {

INPUT KeyInput(WORD vk, bool up) {
  INPUT input{};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = vk;
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void PressKey(HWND top, WORD key, std::initializer_list<WORD> modifiers) {
  if (GetForegroundWindow() != top) {
    SetForegroundWindow(top);
    if (!WaitUntil([&] { return GetForegroundWindow() == top; }, 5000))
      throw DriverError("cannot bring " + Describe(top) + " to the front for a key");
  }
  if (!SendKey(key, modifiers)) throw DriverError("the key input was refused");
}

bool SendKey(WORD key, std::initializer_list<WORD> modifiers) {
  std::vector<INPUT> inputs;
  for (WORD m : modifiers) inputs.push_back(KeyInput(m, false));
  inputs.push_back(KeyInput(key, false));
  inputs.push_back(KeyInput(key, true));
  for (auto m = modifiers.end(); m != modifiers.begin();) inputs.push_back(KeyInput(*--m, true));
  return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)) == inputs.size();
}

HWND FocusOf(HWND top) {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(top, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

void WaitForFocus(HWND control, int timeoutMs) {
  HWND top = GetAncestor(control, GA_ROOT);
  if (!WaitUntil([&] { return FocusOf(top) == control; }, timeoutMs)) {
    HWND focus = FocusOf(top);
    throw DriverError("the focus is on " + (focus ? Describe(focus) : std::string("nothing")) +
                      ", not on " + Describe(control));
  }
}

void SetChecked(HWND box, bool checked) {
  if (IsChecked(box) == checked) return;
  Click(box);
  if (!WaitUntil([&] { return IsChecked(box) == checked; }, 5000))
    throw DriverError(Describe(box) + " did not change its mark");
}

void Type(HWND edit, const std::string& text) {
  if (!IsVisible(edit) || !IsEnabled(edit)) throw DriverError("cannot type into " + Describe(edit));
  const std::wstring wide = ToWide(text);
  Send(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()));
}

void Choose(HWND combo, const std::string& item) {
  if (!IsVisible(combo) || !IsEnabled(combo))
    throw DriverError("cannot open the list " + Describe(combo));
  const auto items = Items(combo);
  for (size_t i = 0; i < items.size(); ++i) {
    if (items[i] != item) continue;
    Send(combo, CB_SETCURSEL, i, 0);
    // The owner hears of the choice as it would from the mouse.
    Send(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
         reinterpret_cast<LPARAM>(combo));
    return;
  }
  throw DriverError("the list " + Describe(combo) + " has no item \"" + item + "\"");
}

void Close(HWND top) {
  if (!PostMessageA(top, WM_SYSCOMMAND, SC_CLOSE, 0)) throw DriverError("cannot close the window");
}

// ---- message boxes ----

BoxInfo ReadBox(HWND box) {
  BoxInfo info;
  info.caption = Text(box);
  std::vector<HWND> children;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
  for (HWND c : children) {
    const std::string cls = ClassOf(c);
    if (lstrcmpiA(cls.c_str(), "Static") == 0) {
      const std::string t = Text(c);
      if (!t.empty()) info.text += (info.text.empty() ? "" : "\n") + t;
    } else if (lstrcmpiA(cls.c_str(), "Button") == 0 && IsVisible(c)) {
      const int id = GetDlgCtrlID(c);
      if (id >= IDOK && id <= IDNO) info.buttons.push_back(id);
    }
  }
  return info;
}

void Answer(HWND box, int buttonId, int timeoutMs) {
  HWND b = GetDlgItem(box, buttonId);
  if (!b) throw DriverError("the message box has no " + ButtonName(buttonId) + " button");
  Click(b);
  if (!WaitUntil([&] { return !IsWindow(box) || !IsVisible(box); }, timeoutMs))
    throw DriverError("the message box stayed open after " + ButtonName(buttonId));
}

namespace {
const std::pair<int, const char*> kButtons[] = {
    {IDOK, "OK"},         {IDCANCEL, "Cancel"}, {IDABORT, "Abort"}, {IDRETRY, "Retry"},
    {IDIGNORE, "Ignore"}, {IDYES, "Yes"},       {IDNO, "No"},
};
}  // namespace

int ButtonId(const std::string& name) {
  for (const auto& [id, n] : kButtons)
    if (lstrcmpiA(n, name.c_str()) == 0) return id;
  return 0;
}

std::string ButtonName(int id) {
  for (const auto& [i, n] : kButtons)
    if (i == id) return n;
  return "";
}

// ---- screenshots ----

void SaveScreenshot(const std::string& path) {
  const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
  HGDIOBJ old = SelectObject(mem, bmp);
  BitBlt(mem, 0, 0, w, h, screen, 0, 0, SRCCOPY | CAPTUREBLT);
  SelectObject(mem, old);

  BITMAPINFOHEADER bi{};
  bi.biSize = sizeof bi;
  bi.biWidth = w;
  bi.biHeight = h;  // bottom-up, as BMP files store rows
  bi.biPlanes = 1;
  bi.biBitCount = 24;
  bi.biCompression = BI_RGB;
  const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~static_cast<size_t>(3);
  std::vector<char> pixels(stride * static_cast<size_t>(h));
  const int rows = GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(),
                             reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS);
  DeleteObject(bmp);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  if (rows != h) throw DriverError("cannot read the screen");

  BITMAPFILEHEADER bf{};
  bf.bfType = 0x4D42;  // "BM"
  bf.bfOffBits = sizeof bf + sizeof bi;
  bf.bfSize = static_cast<DWORD>(bf.bfOffBits + pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&bf), sizeof bf);
  out.write(reinterpret_cast<const char*>(&bi), sizeof bi);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  if (!out.flush()) throw DriverError("cannot write " + path);
}

// ---- text ----

namespace {
std::string Recode(const std::string& s, UINT from, UINT to) {
  if (s.empty()) return s;
  const int wlen = MultiByteToWideChar(from, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring wide(static_cast<size_t>(wlen), L'\0');
  MultiByteToWideChar(from, 0, s.data(), static_cast<int>(s.size()), wide.data(), wlen);
  const int len = WideCharToMultiByte(to, 0, wide.data(), wlen, nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(len), '\0');
  WideCharToMultiByte(to, 0, wide.data(), wlen, out.data(), len, nullptr, nullptr);
  return out;
}
}  // namespace

std::string Utf8ToAnsi(const std::string& utf8) { return Recode(utf8, CP_UTF8, 1252); }
std::string AnsiToUtf8(const std::string& ansi) { return Recode(ansi, 1252, CP_UTF8); }

}  // namespace uidriver
