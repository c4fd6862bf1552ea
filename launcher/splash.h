// The full-screen splash: a black-to-blue gradient in two-row bands with the title
// and the waiting lines centred on the screen.
#pragma once

#include <windows.h>

// Paints the window's update region, BeginPaint to EndPaint. Every GDI object it
// makes is deselected and deleted before it returns.
void PaintSplash(HWND window);

// Draws the three title lines and the two waiting lines on `dc`. Restores the
// context's font; leaves the text colour and the transparent background mode set.
void PaintSplashText(HDC dc);
