#include "platform/win32/canvas_win32.h"

namespace platform {

WindowCanvas::WindowCanvas(HWND window, HDC dc)
    : window_(window), dc_(dc ? dc : GetDC(window)), ownDc_(dc == nullptr) {}

WindowCanvas::~WindowCanvas() {
  if (ownDc_ && dc_) ReleaseDC(window_, dc_);
}

int WindowCanvas::Width() const {
  RECT r{};
  GetWindowRect(window_, &r);
  return r.right - r.left;
}

int WindowCanvas::Height() const {
  RECT r{};
  GetWindowRect(window_, &r);
  return r.bottom - r.top;
}

int WindowCanvas::ClientHeight() const {
  RECT r{};
  GetClientRect(window_, &r);
  return r.bottom - r.top;
}

void WindowCanvas::FillRect(const Rect& rect, TColor colour) {
  if (!dc_) return;
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(colour));
  if (!brush) return;
  const RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
  ::FillRect(dc_, &r, brush);
  DeleteObject(brush);
}

}  // namespace platform
