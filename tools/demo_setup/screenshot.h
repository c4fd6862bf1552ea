#pragma once

// Saves what the screen shows now as a 24-bit bottom-up .bmp. Returns false when
// the capture or the file fails.
bool SaveScreenshot(const char* path);
