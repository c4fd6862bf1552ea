#pragma once

#include <windows.h>

// The localized "cannot continue" box, OK only; `owner` may be null.
void ShowFailureBox(HWND owner);
