#include "splash_image.h"

#include "check.h"

#include <algorithm>
#include <cstdio>

Image CaptureImage(HDC dc, int left, int top, int width, int height) {
  Image image;
  image.Width = width;
  image.Height = height;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, dc, left, top, SRCCOPY);
  SelectObject(memory, previous);
  const int stride = (width * 3 + 3) & ~3;
  std::vector<uint8_t> rows(static_cast<size_t>(stride) * height);
  GetDIBits(memory, bitmap, 0, height, rows.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  image.Pixels.resize(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y)
    std::copy_n(&rows[static_cast<size_t>(y) * stride], width * 3,
                &image.Pixels[static_cast<size_t>(y) * width * 3]);
  return image;
}

Image ReadBitmapFile(const char* path) {
  Image image;
  FILE* file = std::fopen(path, "rb");
  if (!file) return image;
  BITMAPFILEHEADER header{};
  BITMAPINFOHEADER info{};
  if (std::fread(&header, sizeof header, 1, file) == 1 &&
      std::fread(&info, sizeof info, 1, file) == 1 && header.bfType == 0x4D42 &&
      info.biBitCount == 24 && info.biHeight > 0 && info.biWidth > 0) {
    const int stride = (info.biWidth * 3 + 3) & ~3;
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * info.biHeight);
    std::fseek(file, static_cast<long>(header.bfOffBits), SEEK_SET);
    if (std::fread(rows.data(), rows.size(), 1, file) == 1) {
      image.Width = info.biWidth;
      image.Height = info.biHeight;
      image.Pixels.resize(static_cast<size_t>(image.Width) * image.Height * 3);
      for (int y = 0; y < image.Height; ++y) // stored bottom-up
        std::copy_n(&rows[static_cast<size_t>(image.Height - 1 - y) * stride], image.Width * 3,
                    &image.Pixels[static_cast<size_t>(y) * image.Width * 3]);
    }
  }
  std::fclose(file);
  return image;
}

namespace {

struct Box {
  int Left = 1 << 30, Top = 1 << 30, Right = -1, Bottom = -1;
  bool Empty() const { return Right < 0; }
  void Add(int x, int y) {
    Left = x < Left ? x : Left;
    Right = x > Right ? x : Right;
    Top = y < Top ? y : Top;
    Bottom = y > Bottom ? y : Bottom;
  }
};

// Text is anti-aliased against the gradient: take only pixels close to full colour.
bool IsWhite(COLORREF c) {
  return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) > 200;
}
bool IsYellow(COLORREF c) {
  return GetRValue(c) > 200 && GetGValue(c) > 200 && GetBValue(c) < 140;
}

} // namespace

void CheckSplashImage(const Image& image) {
  CHECK_EQ(1024, image.Width);
  CHECK_EQ(768, image.Height);
  if (image.Width != 1024 || image.Height != 768) return;

  // The bands, on columns that no text reaches.
  const int rows[][2] = {{0, 0}, {1, 0}, {384, 128}, {385, 128}, {766, 255}, {767, 255}};
  for (const auto& [y, blue] : rows) {
    for (int x : {0, 1, 511, 1022, 1023}) {
      if (y > 100 && y < 600 && x == 511) continue; // the text lines cross the middle
      CHECK_EQ(RGB(0, 0, blue), image.At(x, y));
    }
  }
  // Blue never falls from top to bottom, and the bands are two rows high.
  for (int y = 0; y + 1 < image.Height; ++y) {
    CHECK(GetBValue(image.At(0, y)) <= GetBValue(image.At(0, y + 1)));
    if (y % 2 == 0) CHECK_EQ(image.At(0, y), image.At(0, y + 1));
  }

  Box white;
  Box yellow;
  for (int y = 0; y < image.Height; ++y) {
    for (int x = 0; x < image.Width; ++x) {
      const COLORREF c = image.At(x, y);
      if (IsWhite(c)) white.Add(x, y);
      if (IsYellow(c)) yellow.Add(x, y);
    }
  }
  CHECK(!white.Empty());
  CHECK(!yellow.Empty());
  if (white.Empty() || yellow.Empty()) return;
  // The title begins at row 40, the waiting lines below it; both centred on the
  // screen (the italic title may lean a few pixels to the right).
  CHECK(white.Top >= 40);
  CHECK(yellow.Top > white.Bottom);
  CHECK(yellow.Bottom < image.Height);
  std::printf("  title %d..%d x %d..%d, waiting %d..%d x %d..%d\n", white.Left, white.Right,
              white.Top, white.Bottom, yellow.Left, yellow.Right, yellow.Top, yellow.Bottom);
  const int titleCentre = (white.Left + white.Right) / 2;
  const int waitingCentre = (yellow.Left + yellow.Right) / 2;
  CHECK(titleCentre >= 512 - 12 && titleCentre <= 512 + 12);
  CHECK(waitingCentre >= 512 - 6 && waitingCentre <= 512 + 6);
}
