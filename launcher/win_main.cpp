#include "failure_box.h"
#include "format/rules.h"
#include "staging/staging_root.h"
#include "texts.h"
#include "window_proc.h"

#include <windows.h>

namespace {

constexpr int SerialPortCount = 4;
constexpr int ProfileValueSize = 80;
// How long a first bootstrap left behind gets for its clean-up, in steps of 100 ms.
constexpr int LeftBehindWaitSteps = 300;

// The serial-line program expects every port in the "ports" section; a missing or
// empty one is given the usual default. Returns whether any entry was written.
bool RepairSerialPorts() {
  bool written = false;
  for (int n = 1; n <= SerialPortCount; ++n) {
    char key[16];
    wsprintfA(key, "COM%d:", n);
    char value[ProfileValueSize];
    if (GetProfileStringA("ports", key, "", value, ProfileValueSize - 1) == 0) {
      WriteProfileStringA("ports", key, "9600,n,8,1");
      written = true;
    }
  }
  return written;
}

// A changed "ports" section takes effect only after a restart. Returns whether the
// user chose to log off now.
bool AskForRestart() {
  if (MessageBoxA(nullptr, RestartQuestionText[LanguageIndex],
                  RestartQuestionCaption[LanguageIndex], MB_YESNO | MB_ICONQUESTION) == IDYES) {
    ExitWindowsEx(EWX_LOGOFF, 0xFFFFFFFF);
    return true;
  }
  MessageBoxA(nullptr, RestartNoticeText[LanguageIndex], RestartNoticeCaption[LanguageIndex],
              MB_OK | MB_ICONINFORMATION);
  return false;
}

// A second start stays quiet: the user only sees the first one come forward, if it
// still shows its splash (hidden, it is waiting for the setup program).
void BringFirstBootstrapForward() {
  HWND first = FindWindowA("FIRST_INSTALL", nullptr);
  if (first && IsWindowVisible(first)) SetForegroundWindow(first);
}

// A first bootstrap whose setup program has ended without closing its window would wait,
// hidden, for ever and keep the medium from installing. Once that program's file can be
// written again it is gone: the first bootstrap is closed, as the setup program should
// have done, and given time for its clean-up. Returns whether it has gone.
bool EndBootstrapLeftBehind() {
  HWND first = FindWindowA("FIRST_INSTALL", nullptr);
  if (!first || IsWindowVisible(first) || !StagedSetupProgramEnded()) return false;
  PostMessageA(first, WM_CLOSE, 0, 0);
  for (int step = 0; step < LeftBehindWaitSteps && IsWindow(first); ++step)
    Sleep(100);
  return !IsWindow(first);
}

void RunBootstrap(HINSTANCE instance) {
  LanguageIndex = GetOEMCP() == 949 ? 1 : 0;
  if (RepairSerialPorts() && AskForRestart()) return;

  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, "INSTALL_ICON");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.lpszClassName = "FIRST_INSTALL";
  if (!RegisterClassA(&windowClass)) return;

  ScreenWidth = GetSystemMetrics(SM_CXSCREEN);
  ScreenHeight = GetSystemMetrics(SM_CYSCREEN);
  HWND window =
      CreateWindowExA(0, "FIRST_INSTALL", "Internet Nuvik 2000 Install", WS_POPUP | WS_CLIPCHILDREN,
                      0, 0, ScreenWidth, ScreenHeight, nullptr, nullptr, instance, nullptr);
  if (!window) {
    // Without a window nothing would ever post the quit message.
    ShowFailureBox(nullptr);
    return;
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);

  MSG message;
  // GetMessageA reports an error as -1, which must not keep the loop spinning.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

} // namespace

// Two bootstraps share one work directory: the second would unpack over the running
// setup program and, finishing first, delete its files under it. The guard is a named
// mutex, which the system also releases when a bootstrap dies, so a later start after a
// crash still gets in; so does one after a first bootstrap left behind has been ended. A
// guard that cannot be made at all does not stop the installation.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  HANDLE guard = CreateMutexA(nullptr, FALSE, WorkDirName);
  if (guard && GetLastError() == ERROR_ALREADY_EXISTS && !EndBootstrapLeftBehind()) {
    CloseHandle(guard);
    BringFirstBootstrapForward();
    return 0;
  }
  RunBootstrap(instance);
  if (guard) CloseHandle(guard);
  return 0;
}
