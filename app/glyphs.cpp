#include "app/glyphs.h"

#include <iterator>

namespace app {
namespace {

enum Glyph { kGlyphReadme, kGlyphBack, kGlyphNext };

// A 16 x 16 button glyph, drawn rather than shipped: a page of text, or an arrow. Disabled, it
// is drawn in greys, as a button that cannot be pressed shows its picture.
HBITMAP DrawGlyph(Glyph glyph, bool enabled, COLORREF transparent) {
  constexpr int kSize = 16;
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, kSize, kSize);
  ReleaseDC(nullptr, screen);
  HGDIOBJ oldBitmap = SelectObject(dc, bitmap);
  RECT all{0, 0, kSize, kSize};
  HBRUSH clear = CreateSolidBrush(transparent);
  FillRect(dc, &all, clear);
  DeleteObject(clear);

  const COLORREF outline = enabled ? RGB(0, 0, 0) : GetSysColor(COLOR_GRAYTEXT);
  HPEN pen = CreatePen(PS_SOLID, 1, outline);
  HGDIOBJ oldPen = SelectObject(dc, pen);
  if (glyph == kGlyphReadme) {
    HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(enabled ? WHITE_BRUSH : LTGRAY_BRUSH));
    Rectangle(dc, 3, 1, 13, 15);
    SelectObject(dc, oldBrush);
    for (int y = 4; y <= 12; y += 2) {
      MoveToEx(dc, 5, y, nullptr);
      LineTo(dc, y == 12 ? 9 : 11, y);
    }
  } else {
    POINT arrow[] = {{2, 8}, {8, 2}, {8, 5}, {14, 5}, {14, 11}, {8, 11}, {8, 14}};
    if (glyph == kGlyphNext)
      for (POINT& p : arrow) p.x = kSize - 1 - p.x;
    HBRUSH fill = CreateSolidBrush(enabled ? RGB(0, 128, 0) : GetSysColor(COLOR_BTNSHADOW));
    HGDIOBJ oldBrush = SelectObject(dc, fill);
    Polygon(dc, arrow, static_cast<int>(std::size(arrow)));
    SelectObject(dc, oldBrush);
    DeleteObject(fill);
  }
  SelectObject(dc, oldPen);
  DeleteObject(pen);
  SelectObject(dc, oldBitmap);
  DeleteDC(dc);
  return bitmap;
}

// The glyph for each state a button draws (normal, hot, pressed, disabled, default, stylus hot,
// in the order of the list), so a disabled button shows it greyed.
HIMAGELIST MakeGlyph(Glyph glyph) {
  constexpr COLORREF kTransparent = RGB(255, 0, 255);
  constexpr int kStates = 6;
  constexpr int kDisabledState = 3;
  HIMAGELIST list = ImageList_Create(16, 16, ILC_COLOR24 | ILC_MASK, kStates, 0);
  for (int state = 0; state < kStates; ++state) {
    // A fresh picture each time: adding one with a mask blackens its transparent pixels.
    HBITMAP picture = DrawGlyph(glyph, state != kDisabledState, kTransparent);
    ImageList_AddMasked(list, picture, kTransparent);
    DeleteObject(picture);
  }
  return list;
}

}  // namespace

ButtonGlyphs::ButtonGlyphs()
    : readme(MakeGlyph(kGlyphReadme)), back(MakeGlyph(kGlyphBack)), next(MakeGlyph(kGlyphNext)) {}

ButtonGlyphs::~ButtonGlyphs() {
  for (HIMAGELIST list : {readme, back, next})
    if (list) ImageList_Destroy(list);
}

void SetGlyph(HWND button, HIMAGELIST list, UINT align) {
  BUTTON_IMAGELIST image{};
  image.himl = list;
  image.margin = RECT{4, 0, 4, 0};
  image.uAlign = align;
  SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&image));
}

}  // namespace app
