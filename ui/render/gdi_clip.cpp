#include "ui/render/gdi_clip.h"

#include "ui/render/gdiplus_handles.h"

namespace ui {
namespace {

// Region coordinates are device coordinates: undo the window origin.
void ShiftByWindowOrigin(HDC dc, RECT* rect) {
  POINT origin = {0, 0};
  GetWindowOrgEx(dc, &origin);
  OffsetRect(rect, -origin.x, -origin.y);
}

void IntersectClip(HDC dc, HRGN region) {
  const ScopedGdiObject owned(region);
  SaveDC(dc);
  ExtSelectClipRgn(dc, region, RGN_AND);
}

}  // namespace

void GdiClip::CreateClip(HDC dc, RECT rect) {
  if (!dc) return;
  ShiftByWindowOrigin(dc, &rect);
  IntersectClip(dc, CreateRectRgnIndirect(&rect));
}

void GdiClip::CreateRoundClip(HDC dc, RECT rect, int corner_width, int corner_height) {
  if (!dc) return;
  ShiftByWindowOrigin(dc, &rect);
  IntersectClip(dc, CreateRoundRectRgn(rect.left, rect.top, rect.right + 1, rect.bottom + 1,
                                       corner_width, corner_height));
}

void GdiClip::ClearClip(HDC dc) {
  if (!dc) return;
  RestoreDC(dc, -1);
}

}  // namespace ui
