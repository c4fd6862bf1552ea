// Checks a picture of the splash as the screen shows it: a full-screen 1024x768
// gradient with white title lines and yellow waiting lines centred on it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

struct Image {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels; // blue, green, red; rows top-down, no padding

  COLORREF At(int x, int y) const {
    const uint8_t* p = &Pixels[(static_cast<size_t>(y) * Width + x) * 3];
    return RGB(p[2], p[1], p[0]);
  }
};

// Copies a rectangle of `dc` (a window's or the screen's) into an Image.
Image CaptureImage(HDC dc, int left, int top, int width, int height);

// Reads a 24-bit .bmp as SaveScreenshot writes it; an empty Image when it cannot.
Image ReadBitmapFile(const char* path);

// The gradient's bands and the five text lines; reports through CHECK.
void CheckSplashImage(const Image& image);
