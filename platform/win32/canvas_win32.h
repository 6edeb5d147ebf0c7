// The canvas of a real window: sizes from the window, rectangles on a device context.
#pragma once

#include <windows.h>

#include "platform/canvas.h"

namespace platform {

class WindowCanvas final : public Canvas {
 public:
  // Paints on dc (for example the one BeginPaint returned, or a memory DC) or, when dc is null,
  // on the window's own client DC for the lifetime of this object.
  explicit WindowCanvas(HWND window, HDC dc = nullptr);
  ~WindowCanvas() override;
  WindowCanvas(const WindowCanvas&) = delete;
  WindowCanvas& operator=(const WindowCanvas&) = delete;

  int Width() const override;
  int Height() const override;
  int ClientHeight() const override;
  void FillRect(const Rect& rect, TColor colour) override;

 private:
  HWND window_;
  HDC dc_;
  bool ownDc_;
};

}  // namespace platform
