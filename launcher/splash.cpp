#include "splash.h"

#include "texts.h"

#include <cstring>

namespace {

constexpr COLORREF TitleColour = RGB(255, 255, 255);
constexpr COLORREF WaitingColour = RGB(255, 255, 0);

LOGFONTA TitleFontRecord() {
  LOGFONTA font{};
  font.lfHeight = 120;
  font.lfWidth = 40;
  font.lfWeight = FW_THIN;
  font.lfItalic = 1;
  font.lfCharSet = ANSI_CHARSET;
  font.lfQuality = PROOF_QUALITY;
  font.lfPitchAndFamily = VARIABLE_PITCH | FF_ROMAN;
  std::strcpy(font.lfFaceName, "Times New Roman");
  return font;
}

SIZE MeasureLine(HDC dc, const char* text) {
  SIZE size{};
  GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
  return size;
}

// Centred on the screen, not on the update rectangle: the system clips the rest.
void DrawCentredLine(HDC dc, const char* text, const SIZE& size, int y) {
  TextOutA(dc, (ScreenWidth - size.cx) / 2, y, text, static_cast<int>(std::strlen(text)));
}

} // namespace

void PaintSplashText(HDC dc) {
  LOGFONTA record = TitleFontRecord();
  HFONT font = CreateFontIndirectA(&record);
  HGDIOBJ previousFont = SelectObject(dc, font);
  SetTextColor(dc, TitleColour);
  SetBkMode(dc, TRANSPARENT);

  // Each title line's offset uses the height measured for that same line, so the
  // lines close up a little as they go down.
  LONG titleHeight = 0;
  for (int i = 0; i < TitleLineCount; ++i) {
    const char* line = TitleLines[LanguageIndex][i];
    const SIZE size = MeasureLine(dc, line);
    DrawCentredLine(dc, line, size, 40 + i * (size.cy - 10 - 4 * i));
    titleHeight = size.cy;
  }
  SelectObject(dc, previousFont);
  DeleteObject(font);

  record.lfHeight = 40;
  record.lfWidth = 20;
  record.lfItalic = 0;
  font = CreateFontIndirectA(&record);
  previousFont = SelectObject(dc, font);
  SetTextColor(dc, WaitingColour);

  const int base = 80 + 3 * (titleHeight - 22);
  for (int j = 0; j < WaitingLineCount; ++j) {
    const char* line = WaitingLines[LanguageIndex][j];
    const SIZE size = MeasureLine(dc, line);
    DrawCentredLine(dc, line, size, base + j * size.cy);
  }
  SelectObject(dc, previousFont);
  DeleteObject(font);
}

void PaintSplash(HWND window) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  const RECT& area = paint.rcPaint;

  HPEN pen = CreatePen(PS_NULL, 1, 0);
  HGDIOBJ previousPen = SelectObject(dc, pen);

  // Bands start on even rows and take their colour from the row alone, so a partial
  // repaint puts down exactly the pixels a full paint would.
  const LONG start = 2 * (area.top / 2);
  const LONG end = 2 * ((area.bottom + 1) / 2);
  for (LONG y = start; y <= end; y += 2) {
    const BYTE blue = static_cast<BYTE>((y * 256) / ScreenHeight);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, blue));
    HGDIOBJ previousBrush = SelectObject(dc, brush);
    // The null pen draws no outline and leaves off the right and bottom edges.
    Rectangle(dc, area.left, y, area.right + 1, y + 3);
    SelectObject(dc, previousBrush);
    DeleteObject(brush);
  }

  SelectObject(dc, previousPen);
  DeleteObject(pen);
  PaintSplashText(dc);
  EndPaint(window, &paint);
}
