#include "window_proc.h"

#include "failure_box.h"
#include "launch.h"
#include "splash.h"
#include "staging/staging.h"

namespace {

void StartInstall(HWND window) {
  PrepareStaging();
  if (ExtractOk && LaunchSetup(window)) return;
  // Closing the window ends the run; with ExtractOk set (the setup program could not
  // be started) that also cleans the work directory, otherwise it stays for a look.
  ShowFailureBox(window);
  PostMessageA(window, WM_CLOSE, 0, 0);
}

} // namespace

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    PostMessageA(window, WM_START_INSTALL, 0, 0);
    return 0;
  case WM_DESTROY:
    if (ExtractOk) CleanWorkDir();
    PostQuitMessage(0);
    return 0;
  case WM_PAINT:
    PaintSplash(window);
    return 0;
  case WM_CLOSE:
    DestroyWindow(window);
    return 0;
  case WM_START_INSTALL:
    StartInstall(window);
    return 0;
  default:
    return DefWindowProcA(window, message, wParam, lParam);
  }
}
