#include "platform/win32/ui_win32.h"

#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {
namespace {

struct ButtonRow {
  UINT style;
  unsigned buttons;
};

// Smallest first, so the first row holding a set is the one with the fewest extra buttons.
constexpr ButtonRow kRows[] = {
    {MB_OK, mbOK},
    {MB_OKCANCEL, mbOK | mbCancel},
    {MB_RETRYCANCEL, mbRetry | mbCancel},
    {MB_YESNO, mbYes | mbNo},
    {MB_YESNOCANCEL, mbYes | mbNo | mbCancel},
    {MB_ABORTRETRYIGNORE, mbAbort | mbRetry | mbIgnore},
};

struct ButtonId {
  unsigned button;
  int id;
};

constexpr ButtonId kIds[] = {
    {mbOK, IDOK},         {mbCancel, IDCANCEL}, {mbAbort, IDABORT}, {mbRetry, IDRETRY},
    {mbIgnore, IDIGNORE}, {mbYes, IDYES},       {mbNo, IDNO},
};

const ButtonRow& RowFor(unsigned wanted) {
  const ButtonRow* best = &kRows[0];
  int bestCount = -1;
  for (const ButtonRow& row : kRows) {
    if ((row.buttons & wanted) == wanted) return row;
    int count = std::popcount(row.buttons & wanted);
    if (count > bestCount) best = &row, bestCount = count;
  }
  return *best;
}

// The row with the most of the wanted buttons and no other, Cancel counting for Abort; nullptr
// when every row has a button that was not asked for.
const ButtonRow* RowWithin(unsigned wanted) {
  const unsigned allowed = wanted | (wanted & mbAbort ? unsigned{mbCancel} : 0u);
  const ButtonRow* best = nullptr;
  int bestCount = 0;
  for (const ButtonRow& row : kRows) {
    int count = std::popcount(row.buttons & wanted);
    if ((row.buttons & ~allowed) == 0 && count > bestCount) best = &row, bestCount = count;
  }
  return best;
}

// The box being shown on this thread and the buttons to take out of it.
thread_local HHOOK tHook = nullptr;
thread_local unsigned tUnwanted = 0;

struct PlacedButton {
  HWND window;
  RECT rect;  // in the box's client coordinates
  bool keep;
};

// Takes the unwanted buttons out of a freshly created box and closes the gap they leave: the
// remaining buttons keep their spacing, centred if the row was centred, else right-aligned.
void RemoveButtons(HWND box, unsigned unwanted) {
  std::vector<PlacedButton> row;
  for (const ButtonId& b : kIds) {
    HWND button = GetDlgItem(box, b.id);
    if (!button) continue;
    RECT r;
    GetWindowRect(button, &r);
    MapWindowPoints(nullptr, box, reinterpret_cast<POINT*>(&r), 2);
    row.push_back({button, r, (b.button & unwanted) == 0});
  }
  if (row.empty()) return;
  std::sort(row.begin(), row.end(),
            [](const PlacedButton& a, const PlacedButton& b) { return a.rect.left < b.rect.left; });
  RECT client;
  GetClientRect(box, &client);
  const int width = row.front().rect.right - row.front().rect.left;
  const int stride = row.size() > 1 ? row[1].rect.left - row[0].rect.left : width;
  const int leftMargin = row.front().rect.left;
  const int rightEdge = row.back().rect.right;
  const bool centred = std::abs(leftMargin - (client.right - rightEdge)) <= 2;

  HWND first = nullptr;
  int kept = 0;
  for (const PlacedButton& b : row) kept += b.keep;
  const int groupWidth = (kept - 1) * stride + width;
  int x = centred ? (client.right - groupWidth) / 2 : rightEdge - groupWidth;
  for (const PlacedButton& b : row) {
    if (!b.keep) {
      DestroyWindow(b.window);
      continue;
    }
    if (!first) first = b.window;
    SetWindowPos(b.window, nullptr, x, b.rect.top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    x += stride;
  }
  if (first && kept && !row.front().keep) {
    // The default button went; the first one left takes its place and the focus.
    SendMessageA(box, DM_SETDEFID, static_cast<WPARAM>(GetDlgCtrlID(first)), 0);
    PostMessageA(box, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
  }
}

LRESULT CALLBACK WatchForBox(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE && tUnwanted) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[16] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") == 0) {
      RemoveButtons(window, tUnwanted);
      tUnwanted = 0;
    }
  }
  return CallNextHookEx(tHook, code, wParam, lParam);
}

int ToModalResult(int id) {
  switch (id) {
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

}  // namespace

int Win32Ui::ShowMessage(const std::string& text, MsgType type, unsigned buttons) {
  // Icon and caption by MsgType, in its order.
  static constexpr struct {
    UINT icon;
    const char* caption;
  } kStyles[] = {{MB_ICONWARNING, "Warning"},
                 {MB_ICONERROR, "Error"},
                 {MB_ICONINFORMATION, "Information"},
                 {MB_ICONQUESTION, "Confirm"}};
  const auto& style = kStyles[static_cast<unsigned>(type)];
  const UINT flags = MB_TASKMODAL | style.icon;
  const char* const caption = style.caption;
  if (!(buttons & (mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore))) buttons = mbOK;
  const ButtonRow* row = &RowFor(buttons);

  // A box shown while another is open (from a message it dispatched) gets its own watch.
  const HHOOK outerHook = tHook;
  const unsigned outerUnwanted = tUnwanted;
  tUnwanted = row->buttons & ~buttons;
  tHook =
      tUnwanted ? SetWindowsHookExA(WH_CBT, WatchForBox, nullptr, GetCurrentThreadId()) : nullptr;
  if (tUnwanted && !tHook) {
    // Without the watch an unwanted button would stay and could be pressed: a row holding none
    // of them is shown instead, its Cancel standing for Abort.
    if (const ButtonRow* spare = RowWithin(buttons)) row = spare;
    tUnwanted = 0;
  }
  int result =
      ToModalResult(MessageBoxA(GetActiveWindow(), text.c_str(), caption, flags | row->style));
  if (tHook) UnhookWindowsHookEx(tHook);
  tHook = outerHook;
  tUnwanted = outerUnwanted;
  if (result == mrCancel && !(buttons & mbCancel) && (buttons & mbAbort)) result = mrAbort;
  return result;
}

void DispatchWithDialogKeys(MSG& msg) {
  HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  if (root && (GetWindowLongPtrA(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
      IsDialogMessageA(root, &msg))
    return;
  TranslateMessage(&msg);
  DispatchMessageA(&msg);
}

void Win32Ui::ProcessMessages() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    DispatchWithDialogKeys(msg);
  }
  lastProcessed_ = GetTickCount64();
}

void Win32Ui::KeepResponsive() {
  if (GetTickCount64() - lastProcessed_ >= kResponsivePace) ProcessMessages();
}

}  // namespace platform
