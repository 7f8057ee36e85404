// Painting helpers: a rectangle, a font owner and the device context of a
// WM_PAINT handler.
#pragma once

#include "framework/framework.h"

class CString;

struct CRect : public RECT {
  CRect() { left = top = right = bottom = 0; }
  // Moves each edge inwards by the given amount.
  void DeflateRect(LONG l, LONG t, LONG r, LONG b) {
    left += l;
    top += t;
    right -= r;
    bottom -= b;
  }
};

// A font the program creates; deleted by DeleteObject or at the latest when
// the owner goes.
class CFont {
 public:
  CFont() : m_hObject(NULL) {}
  ~CFont() { DeleteObject(); }
  CFont(const CFont&) = delete;
  CFont& operator=(const CFont&) = delete;

  BOOL CreateFontIndirect(const LOGFONTA* font);
  BOOL DeleteObject();
  operator HFONT() const { return m_hObject; }

  HFONT m_hObject;
};

// BeginPaint when built, EndPaint when it goes.
class CPaintDC {
 public:
  explicit CPaintDC(CWnd* window);
  ~CPaintDC();
  CPaintDC(const CPaintDC&) = delete;
  CPaintDC& operator=(const CPaintDC&) = delete;

  // Fills `rect` with `color` by an opaque text output of nothing, which
  // leaves `color` as the device context's background colour.
  void FillSolidRect(const RECT& rect, COLORREF color);
  // Selects a font into the device context and returns the one it replaced.
  HGDIOBJ SelectObject(HGDIOBJ object) { return ::SelectObject(m_hDC, object); }
  int DrawText(const CString& text, RECT* rect, UINT format);

  HDC m_hDC;
  PAINTSTRUCT m_ps;

 private:
  HWND m_hWnd;
};
