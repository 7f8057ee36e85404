// Simulated painting: device contexts from BeginPaint, fonts, the background
// colour, and a record of what was drawn. A font selected into an open
// device context cannot be deleted (DeleteObject fails, as documented), so a
// paint that deletes before restoring the old font leaves the font behind.
#include <cstring>

#include "machine.h"

namespace sim {

namespace {

// The system font a fresh device context has selected.
const uintptr_t kSystemFont = 0x4FFF0;

DeviceContext* FindDc(HDC dc) {
  auto it = M().deviceContexts.find(reinterpret_cast<uintptr_t>(dc));
  return it == M().deviceContexts.end() ? nullptr : &it->second;
}

GdiObject* FindObject(uintptr_t handle) {
  auto it = M().gdiObjects.find(handle);
  return it == M().gdiObjects.end() ? nullptr : &it->second;
}

void Record(const char* function, const DeviceContext& dc, const RECT* rect, const std::string& text, UINT flags) {
  PaintOp op{};
  op.function = function;
  if (rect) op.rect = *rect;
  op.text = text;
  op.flags = flags;
  op.background = dc.background;
  op.font = reinterpret_cast<HGDIOBJ>(dc.font);
  if (GdiObject* f = FindObject(dc.font)) op.logFont = f->font;
  M().paintOps.push_back(op);
}

}  // namespace

const std::vector<PaintOp>& PaintOps() { return M().paintOps; }
HGDIOBJ SystemFont() { return reinterpret_cast<HGDIOBJ>(kSystemFont); }

int LiveFonts() {
  int n = 0;
  for (const auto& entry : M().gdiObjects) n += entry.second.byProgram ? 1 : 0;
  return n;
}

int OpenPaints() { return static_cast<int>(M().deviceContexts.size()); }

}  // namespace sim

using namespace sim;

HDC BeginPaint(HWND hWnd, PAINTSTRUCT* lpPaint) {
  Machine& m = M();
  if (Enter("BeginPaint")) return nullptr;
  const uintptr_t handle = m.nextGdi++;
  DeviceContext& dc = m.deviceContexts[handle];
  dc.window = reinterpret_cast<uintptr_t>(hWnd);
  dc.font = kSystemFont;
  std::memset(lpPaint, 0, sizeof *lpPaint);
  lpPaint->hdc = reinterpret_cast<HDC>(handle);
  GetClientRect(hWnd, &lpPaint->rcPaint);
  return lpPaint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* lpPaint) {
  Enter("EndPaint");
  // Recorded with the font still selected: a paint restores the one it found.
  if (DeviceContext* dc = FindDc(lpPaint->hdc)) Record("EndPaint", *dc, nullptr, "", 0);
  return M().deviceContexts.erase(reinterpret_cast<uintptr_t>(lpPaint->hdc)) ? TRUE : FALSE;
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv) {
  Enter("GetObjectA", std::to_string(c));
  GdiObject* object = FindObject(reinterpret_cast<uintptr_t>(h));
  if (!object) return 0;
  const int size = static_cast<int>(sizeof(LOGFONTA));
  if (!pv) return size;
  const int n = c < size ? c : size;
  std::memcpy(pv, &object->font, n);
  return n;
}

HFONT CreateFontIndirectA(const LOGFONTA* lplf) {
  if (Enter("CreateFontIndirectA", std::to_string(lplf ? lplf->lfWeight : 0)) || !lplf) return nullptr;
  GdiObject font;
  font.font = *lplf;
  font.byProgram = true;
  const uintptr_t handle = M().nextGdi++;
  M().gdiObjects[handle] = font;
  return reinterpret_cast<HFONT>(handle);
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
  Enter("SelectObject");
  DeviceContext* dc = FindDc(hdc);
  const uintptr_t object = reinterpret_cast<uintptr_t>(h);
  if (!dc || (object != kSystemFont && !FindObject(object))) return nullptr;
  const uintptr_t previous = dc->font;
  dc->font = object;
  return reinterpret_cast<HGDIOBJ>(previous);
}

BOOL DeleteObject(HGDIOBJ ho) {
  Enter("DeleteObject");
  const uintptr_t object = reinterpret_cast<uintptr_t>(ho);
  GdiObject* found = FindObject(object);
  if (!found || !found->byProgram) return FALSE;
  for (const auto& entry : M().deviceContexts)
    if (entry.second.font == object) return FALSE;
  M().gdiObjects.erase(object);
  return TRUE;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
  Enter("SetBkColor", std::to_string(color));
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return 0xFFFFFFFF;  // CLR_INVALID
  const COLORREF previous = dc->background;
  dc->background = color;
  return previous;
}

BOOL ExtTextOutA(HDC hdc, int, int, UINT options, const RECT* lprect, LPCSTR lpString, UINT c, const int*) {
  Enter("ExtTextOutA");
  DeviceContext* dc = FindDc(hdc);
  if (!dc) return FALSE;
  Record("ExtTextOutA", *dc, (options & ETO_OPAQUE) ? lprect : nullptr, lpString ? std::string(lpString, c) : "",
         options);
  return TRUE;
}

int DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format) {
  Enter("DrawTextA");
  DeviceContext* dc = FindDc(hdc);
  if (!dc || !lpchText) return 0;
  Record("DrawTextA", *dc, lprc, cchText < 0 ? std::string(lpchText) : std::string(lpchText, cchText), format);
  return 13;  // one line of the dialog font
}
