// Drives the real message boxes of this process from a second thread, the way a user would:
// waits for each box, records what it shows, and presses a button.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace boxes {

struct SeenBox {
  std::string Caption;
  std::string Text;
  std::vector<int> Buttons;  // control IDs of the visible buttons, left to right
  HICON Icon = nullptr;
  bool Found = false;
};

// The shared system icon of each box type, as the box shows it.
inline HICON SystemIcon(LPCSTR id) { return LoadIconA(nullptr, id); }

class BoxDriver {
 public:
  // Presses presses[i] (a button ID such as IDRETRY) on the i-th box. before, when set, runs
  // on the driver thread just before each press, with the box's index.
  explicit BoxDriver(std::vector<int> presses, std::function<void(std::size_t)> before = {})
      : presses_(std::move(presses)), before_(std::move(before)), seen_(presses_.size()) {
    thread_ = std::thread([this] { Run(); });
  }
  ~BoxDriver() { Join(); }
  BoxDriver(const BoxDriver&) = delete;
  BoxDriver& operator=(const BoxDriver&) = delete;

  // Waits for the driver to finish; then Seen holds what each box showed.
  const std::vector<SeenBox>& Seen() {
    Join();
    return seen_;
  }

 private:
  void Join() {
    if (thread_.joinable()) thread_.join();
  }

  struct Search {
    HWND found = nullptr;
    HWND previous;
  };

  // A window procedure's convention (stdcall on 32-bit Windows), so a named function.
  static BOOL CALLBACK CheckWindow(HWND window, LPARAM param) {
    auto* s = reinterpret_cast<Search*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[16] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == GetCurrentProcessId() && window != s->previous && IsWindowVisible(window) &&
        std::string(cls) == "#32770") {
      s->found = window;
      return FALSE;
    }
    return TRUE;
  }

  static HWND FindBox(HWND previous) {
    Search search{nullptr, previous};
    EnumWindows(&CheckWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
  }

  static std::string TextOf(HWND window) {
    char buffer[1024] = {};
    SendMessageA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
  }

  static void Record(HWND box, SeenBox& seen) {
    seen.Found = true;
    seen.Caption = TextOf(box);
    std::vector<std::pair<LONG, int>> buttons;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
      char cls[32] = {};
      GetClassNameA(child, cls, sizeof cls);
      const std::string kind = cls;
      if (!IsWindowVisible(child)) continue;
      if (kind == "Button") {
        RECT r;
        GetWindowRect(child, &r);
        buttons.emplace_back(r.left, GetDlgCtrlID(child));
      } else if (kind == "Static") {
        if ((GetWindowLongA(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
          seen.Icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        else if (seen.Text.empty())
          seen.Text = TextOf(child);
      }
    }
    std::sort(buttons.begin(), buttons.end());
    for (const auto& b : buttons) seen.Buttons.push_back(b.second);
  }

  void Run() {
    HWND previous = nullptr;
    for (std::size_t i = 0; i < presses_.size(); ++i) {
      HWND box = nullptr;
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
      while (!box && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        box = FindBox(previous);
      }
      if (!box) return;
      // Let the box finish showing before looking at it.
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      Record(box, seen_[i]);
      if (before_) before_(i);
      HWND button = GetDlgItem(box, presses_[i]);
      if (button) SendMessageA(button, BM_CLICK, 0, 0);
      // Wait for the box to go before looking for the next one. A click can be lost when
      // another program's window is in front; the button's command then does what it would.
      const auto fallback = std::chrono::steady_clock::now() + std::chrono::seconds(2);
      bool resent = false;
      while (IsWindow(box) && std::chrono::steady_clock::now() < deadline) {
        if (button && !resent && std::chrono::steady_clock::now() > fallback) {
          PostMessageA(box, WM_COMMAND, MAKEWPARAM(presses_[i], BN_CLICKED),
                       reinterpret_cast<LPARAM>(button));
          resent = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      }
      previous = box;
    }
  }

  std::vector<int> presses_;
  std::function<void(std::size_t)> before_;
  std::vector<SeenBox> seen_;
  std::thread thread_;
};

}  // namespace boxes
