// A window's surface as a painter sees it: its sizes and solid rectangles in a colour.
#pragma once

#include <cstdint>

// A Windows colour value: 0x00BBGGRR.
using TColor = std::uint32_t;

namespace platform {

// Edges in pixels from the window's top-left corner; right and bottom are exclusive.
struct Rect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class Canvas {
 public:
  virtual ~Canvas() = default;
  // The window's outer size, and the height of its client area.
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual int ClientHeight() const = 0;
  // Fills rect with colour (clipped to the surface).
  virtual void FillRect(const Rect& rect, TColor colour) = 0;
};

}  // namespace platform
