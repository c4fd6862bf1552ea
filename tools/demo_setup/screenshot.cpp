#include "screenshot.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

bool SaveScreenshot(const char* path) {
  const int width = GetSystemMetrics(SM_CXSCREEN);
  const int height = GetSystemMetrics(SM_CYSCREEN);
  const int stride = (width * 3 + 3) & ~3;
  const DWORD imageSize = static_cast<DWORD>(stride) * height;

  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  info.biSizeImage = imageSize;

  void* pixels = std::malloc(imageSize);
  if (!pixels) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  bool captured = BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY) != 0;
  SelectObject(memory, previous);
  captured = captured && GetDIBits(memory, bitmap, 0, height, pixels,
                                   reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == height;
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);

  bool saved = false;
  if (captured) {
    BITMAPFILEHEADER file{};
    file.bfType = 0x4D42; // "BM"
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + imageSize;
    if (FILE* out = std::fopen(path, "wb")) {
      saved = std::fwrite(&file, sizeof file, 1, out) == 1 &&
              std::fwrite(&info, sizeof info, 1, out) == 1 &&
              std::fwrite(pixels, imageSize, 1, out) == 1;
      saved = std::fclose(out) == 0 && saved;
    }
  }
  std::free(pixels);
  return saved;
}
