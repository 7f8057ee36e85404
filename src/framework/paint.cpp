#include "framework/paint.h"

#include <string.h>

#include "framework/text.h"

BOOL CFont::CreateFontIndirect(const LOGFONTA* font) {
  DeleteObject();
  m_hObject = ::CreateFontIndirectA(font);
  return m_hObject != NULL;
}

BOOL CFont::DeleteObject() {
  if (!m_hObject) return FALSE;
  const BOOL deleted = ::DeleteObject(m_hObject);
  m_hObject = NULL;
  return deleted;
}

CPaintDC::CPaintDC(CWnd* window) : m_hWnd(window->m_hWnd) {
  memset(&m_ps, 0, sizeof m_ps);
  m_hDC = ::BeginPaint(m_hWnd, &m_ps);
}

CPaintDC::~CPaintDC() { ::EndPaint(m_hWnd, &m_ps); }

void CPaintDC::FillSolidRect(const RECT& rect, COLORREF color) {
  ::SetBkColor(m_hDC, color);
  ::ExtTextOutA(m_hDC, 0, 0, ETO_OPAQUE, &rect, NULL, 0, NULL);
}

int CPaintDC::DrawText(const CString& text, RECT* rect, UINT format) {
  return ::DrawTextA(m_hDC, text, -1, rect, format);
}
