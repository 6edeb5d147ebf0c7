// The pictures of the wizard's three glyph buttons (the readme page and the two arrows), drawn
// rather than shipped, one image per state a button draws so a disabled button shows it greyed.
#pragma once

#include <windows.h>
#include <commctrl.h>

namespace app {

// The three glyphs' image lists, made on construction and destroyed with the object.
struct ButtonGlyphs {
  ButtonGlyphs();
  ~ButtonGlyphs();
  ButtonGlyphs(const ButtonGlyphs&) = delete;
  ButtonGlyphs& operator=(const ButtonGlyphs&) = delete;
  HIMAGELIST readme, back, next;
};

// Shows list on button, at the side align names, with a small margin.
void SetGlyph(HWND button, HIMAGELIST list, UINT align);

}  // namespace app
