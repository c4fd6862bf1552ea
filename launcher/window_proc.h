// The run sequence: the main window's messages drive staging, hand-off and clean-up.
#pragma once

#include <windows.h>

// Posted by the window to itself on creation; handled only after the first paint.
inline constexpr UINT WM_START_INSTALL = 5327;

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
