// The splash painting: where the lines go, the bands an update rectangle gets, the
// pixels on the screen, and that no GDI object outlives a paint.
#include "check.h"
#include "iat_hook.h"
#include "splash.h"
#include "splash_image.h"
#include "texts.h"

#include <set>
#include <string>
#include <vector>

namespace {

struct TextCall {
  int X, Y;
  std::string Text;
};
std::vector<TextCall> TextCalls;
std::vector<LOGFONTA> FontsMade;
std::vector<RECT> Rectangles;
std::vector<COLORREF> BrushColours;
std::set<HGDIOBJ> LiveObjects;
int FailedDeletes = 0;
int ObjectsStillSelected = 0;
SIZE TitleExtent{}, WaitingExtent{};
int ExtentCalls = 0;

decltype(&CreatePen) RealCreatePen;
decltype(&CreateSolidBrush) RealCreateSolidBrush;
decltype(&CreateFontIndirectA) RealCreateFontIndirectA;
decltype(&DeleteObject) RealDeleteObject;
decltype(&TextOutA) RealTextOutA;
decltype(&Rectangle) RealRectangle;
decltype(&GetTextExtentPoint32A) RealGetTextExtentPoint32A;
decltype(&EndPaint) RealEndPaint;

HPEN WINAPI CountingCreatePen(int style, int width, COLORREF colour) {
  HPEN pen = RealCreatePen(style, width, colour);
  LiveObjects.insert(pen);
  return pen;
}
HBRUSH WINAPI CountingCreateSolidBrush(COLORREF colour) {
  HBRUSH brush = RealCreateSolidBrush(colour);
  LiveObjects.insert(brush);
  BrushColours.push_back(colour);
  return brush;
}
HFONT WINAPI CountingCreateFontIndirectA(const LOGFONTA* record) {
  HFONT font = RealCreateFontIndirectA(record);
  LiveObjects.insert(font);
  FontsMade.push_back(*record);
  return font;
}
BOOL WINAPI CountingDeleteObject(HGDIOBJ object) {
  const BOOL deleted = RealDeleteObject(object);
  if (!deleted) ++FailedDeletes;
  LiveObjects.erase(object);
  return deleted;
}
BOOL WINAPI RecordingTextOutA(HDC dc, int x, int y, LPCSTR text, int length) {
  TextCalls.push_back({x, y, std::string(text, static_cast<size_t>(length))});
  return RealTextOutA(dc, x, y, text, length);
}
BOOL WINAPI RecordingRectangle(HDC dc, int left, int top, int right, int bottom) {
  Rectangles.push_back({left, top, right, bottom});
  return RealRectangle(dc, left, top, right, bottom);
}
// The first three measurements are the title lines, the next two the waiting lines.
BOOL WINAPI FixedGetTextExtentPoint32A(HDC, LPCSTR, int, LPSIZE size) {
  *size = ExtentCalls++ % 5 < 3 ? TitleExtent : WaitingExtent;
  return TRUE;
}
BOOL WINAPI CheckingEndPaint(HWND window, const PAINTSTRUCT* paint) {
  for (UINT kind : {OBJ_PEN, OBJ_BRUSH, OBJ_FONT})
    if (LiveObjects.count(GetCurrentObject(paint->hdc, kind))) ++ObjectsStillSelected;
  return RealEndPaint(window, paint);
}

void ResetRecords() {
  TextCalls.clear();
  FontsMade.clear();
  Rectangles.clear();
  BrushColours.clear();
  LiveObjects.clear();
  FailedDeletes = ObjectsStillSelected = ExtentCalls = 0;
}

// Installs the observing hooks for one test.
struct GdiRecorder {
  ScopedImportHook Pen{"gdi32.dll", "CreatePen", reinterpret_cast<void*>(CountingCreatePen)};
  ScopedImportHook Brush{"gdi32.dll", "CreateSolidBrush",
                         reinterpret_cast<void*>(CountingCreateSolidBrush)};
  ScopedImportHook Font{"gdi32.dll", "CreateFontIndirectA",
                        reinterpret_cast<void*>(CountingCreateFontIndirectA)};
  ScopedImportHook Delete{"gdi32.dll", "DeleteObject",
                          reinterpret_cast<void*>(CountingDeleteObject)};
  ScopedImportHook Text{"gdi32.dll", "TextOutA", reinterpret_cast<void*>(RecordingTextOutA)};
  ScopedImportHook Rect{"gdi32.dll", "Rectangle", reinterpret_cast<void*>(RecordingRectangle)};
  ScopedImportHook End{"user32.dll", "EndPaint", reinterpret_cast<void*>(CheckingEndPaint)};
  GdiRecorder() {
    ResetRecords();
    RealCreatePen = Pen.original<decltype(RealCreatePen)>();
    RealCreateSolidBrush = Brush.original<decltype(RealCreateSolidBrush)>();
    RealCreateFontIndirectA = Font.original<decltype(RealCreateFontIndirectA)>();
    RealDeleteObject = Delete.original<decltype(RealDeleteObject)>();
    RealTextOutA = Text.original<decltype(RealTextOutA)>();
    RealRectangle = Rect.original<decltype(RealRectangle)>();
    RealEndPaint = End.original<decltype(RealEndPaint)>();
    CHECK(Pen.installed() && Brush.installed() && Font.installed() && Delete.installed() &&
          Text.installed() && Rect.installed() && End.installed());
  }
};

struct FixedExtents {
  ScopedImportHook Hook{"gdi32.dll", "GetTextExtentPoint32A",
                        reinterpret_cast<void*>(FixedGetTextExtentPoint32A)};
  FixedExtents(SIZE title, SIZE waiting) {
    TitleExtent = title;
    WaitingExtent = waiting;
    RealGetTextExtentPoint32A = Hook.original<decltype(RealGetTextExtentPoint32A)>();
  }
};

LRESULT CALLBACK SplashProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintSplash(window);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// A borderless window like the bootstrap's, painted by the splash alone.
struct SplashWindow {
  HWND Handle;
  SplashWindow(int width, int height) {
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = SplashProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SPLASH_TEST";
    RegisterClassA(&windowClass);
    Handle = CreateWindowExA(0, "SPLASH_TEST", "", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, height,
                             nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(Handle, SW_SHOW);
    UpdateWindow(Handle);
  }
  ~SplashWindow() { DestroyWindow(Handle); }
  void Repaint(const RECT* area) {
    InvalidateRect(Handle, area, FALSE);
    UpdateWindow(Handle);
  }
};

void UseScreen(int language) {
  LanguageIndex = language;
  ScreenWidth = 1024;
  ScreenHeight = 768;
}

void PaintTextOnMemoryDc() {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ fontBefore = GetCurrentObject(dc, OBJ_FONT);
  PaintSplashText(dc);
  CHECK(GetCurrentObject(dc, OBJ_FONT) == fontBefore);
  CHECK_EQ(RGB(255, 255, 0), GetTextColor(dc));
  CHECK_EQ(TRANSPARENT, GetBkMode(dc));
  DeleteDC(dc);
}

} // namespace

TEST_CASE(LinesSitWhereTheirMeasuredHeightsPutThem) {
  UseScreen(0);
  GdiRecorder recorder;
  FixedExtents extents({300, 120}, {500, 40});
  PaintTextOnMemoryDc();
  const TextCall expected[] = {{362, 40, "Internet NUVIK 2000"},
                               {362, 146, "for"},
                               {362, 244, "Windows"},
                               {262, 374, "Running Setup program"},
                               {262, 414, "Please wait a moment."}};
  CHECK_EQ(5, TextCalls.size());
  for (size_t i = 0; i < TextCalls.size() && i < 5; ++i) {
    CHECK_EQ(expected[i].X, TextCalls[i].X);
    CHECK_EQ(expected[i].Y, TextCalls[i].Y);
    CHECK_STR(expected[i].Text.c_str(), TextCalls[i].Text.c_str());
  }

  CHECK_EQ(2, FontsMade.size());
  if (FontsMade.size() == 2) {
    const LOGFONTA& title = FontsMade[0];
    const LOGFONTA& waiting = FontsMade[1];
    CHECK_EQ(120, title.lfHeight);
    CHECK_EQ(40, title.lfWidth);
    CHECK_EQ(1, title.lfItalic);
    CHECK_EQ(40, waiting.lfHeight);
    CHECK_EQ(20, waiting.lfWidth);
    CHECK_EQ(0, waiting.lfItalic);
    for (const LOGFONTA& font : FontsMade) {
      CHECK_EQ(0, font.lfEscapement + font.lfOrientation + font.lfUnderline + font.lfStrikeOut);
      CHECK_EQ(FW_THIN, font.lfWeight);
      CHECK_EQ(ANSI_CHARSET, font.lfCharSet);
      CHECK_EQ(0, font.lfOutPrecision + font.lfClipPrecision);
      CHECK_EQ(PROOF_QUALITY, font.lfQuality);
      CHECK_EQ(0x12, font.lfPitchAndFamily);
      CHECK_STR("Times New Roman", font.lfFaceName);
    }
  }
  CHECK(LiveObjects.empty());
}

TEST_CASE(TextWiderThanTheScreenStartsAtOrLeftOfTheEdge) {
  UseScreen(0);
  GdiRecorder recorder;
  FixedExtents extents({1025, 120}, {1026, 40});
  PaintTextOnMemoryDc();
  CHECK_EQ(5, TextCalls.size());
  for (size_t i = 0; i < TextCalls.size(); ++i)
    CHECK_EQ(i < 3 ? 0 : -1, TextCalls[i].X);
}

TEST_CASE(KoreanLinesAreDrawnInCodePage949) {
  UseScreen(1);
  GdiRecorder recorder;
  FixedExtents extents({300, 120}, {500, 40});
  PaintTextOnMemoryDc();
  const char* expected[] = {
      "\xC0\xCE\xC5\xCD\xB3\xDD\xB4\xA9\xBA\xF2 2000", "for", "Windows",
      "\xBC\xB3\xC4\xA1\xB8\xA6 \xC1\xD8\xBA\xF1\xC1\xDF\xC0\xD4\xB4\xCF\xB4\xD9.",
      "\xC0\xE1\xBD\xC3\xB8\xB8 \xB1\xE2\xB4\xD9\xB8\xAE\xBC\xBC\xBF\xE4."};
  CHECK_EQ(5, TextCalls.size());
  for (size_t i = 0; i < TextCalls.size() && i < 5; ++i)
    CHECK_STR(expected[i], TextCalls[i].Text.c_str());
  LanguageIndex = 0;
}

TEST_CASE(UpdateRectangleGetsWholeBandsFromTheEvenRowAbove) {
  UseScreen(0);
  SplashWindow window(1024, 768);
  GdiRecorder recorder;
  RECT area{0, 5, 1024, 10};
  window.Repaint(&area);
  const int rows[] = {4, 6, 8, 10};
  CHECK_EQ(4, Rectangles.size());
  for (size_t i = 0; i < Rectangles.size() && i < 4; ++i) {
    CHECK_EQ(0, Rectangles[i].left);
    CHECK_EQ(rows[i], Rectangles[i].top);
    CHECK_EQ(1025, Rectangles[i].right);
    CHECK_EQ(rows[i] + 3, Rectangles[i].bottom);
    CHECK_EQ(RGB(0, 0, (rows[i] * 256) / 768), BrushColours[i]);
  }
  CHECK_EQ(0, ObjectsStillSelected);
  CHECK(LiveObjects.empty());
}

TEST_CASE(ScreenShowsGradientAndCentredLines) {
  UseScreen(0);
  SplashWindow window(ScreenWidth, ScreenHeight);
  HDC dc = GetDC(window.Handle);
  const Image full = CaptureImage(dc, 0, 0, ScreenWidth, ScreenHeight);
  CheckSplashImage(full);

  // A partial repaint over a scribbled window puts back exactly what the full paint
  // drew there, and nothing outside the rectangle.
  const RECT area{101, 57, 613, 333};
  HBRUSH scribble = CreateSolidBrush(RGB(255, 0, 255));
  RECT whole{0, 0, ScreenWidth, ScreenHeight};
  FillRect(dc, &whole, scribble);
  DeleteObject(scribble);
  window.Repaint(&area);
  const Image partial = CaptureImage(dc, 0, 0, ScreenWidth, ScreenHeight);
  ReleaseDC(window.Handle, dc);
  int mismatches = 0;
  for (int y = 0; y < ScreenHeight; y += 1) {
    for (int x = 0; x < ScreenWidth; x += 1) {
      const bool inside = x >= area.left && x < area.right && y >= area.top && y < area.bottom;
      const COLORREF want = inside ? full.At(x, y) : RGB(255, 0, 255);
      if (partial.At(x, y) != want) ++mismatches;
    }
  }
  CHECK_EQ(0, mismatches);
}

TEST_CASE(ThousandsOfPaintsLeaveNoObjectBehind) {
  UseScreen(0);
  SplashWindow window(240, 160);
  GdiRecorder recorder;
  const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
  DWORD handlesBefore = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesBefore);
  for (int i = 0; i < 1500; ++i) {
    window.Repaint(nullptr);
    const RECT area{i % 37, i % 53, 90 + i % 101, 61 + i % 71};
    window.Repaint(&area);
  }
  DWORD handlesAfter = 0;
  GetProcessHandleCount(GetCurrentProcess(), &handlesAfter);
  CHECK(LiveObjects.empty());
  CHECK_EQ(0, FailedDeletes);
  CHECK_EQ(0, ObjectsStillSelected);
  CHECK_EQ(gdiBefore, GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
  CHECK_EQ(userBefore, GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  CHECK_EQ(handlesBefore, handlesAfter);
  // Wine reports 0 for both counts; on Windows they are the process's real ones.
  std::printf("  3000 paints, GDI objects %lu, handles %lu\n", gdiBefore, handlesAfter);
}
