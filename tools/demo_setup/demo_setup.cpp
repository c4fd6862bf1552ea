// The stand-in for N_SETUP.EXE: shows what the bootstrap handed over and, when done,
// closes the bootstrap's window through the handle it was given, which makes the
// bootstrap clean up its work directory and end.
//
// Unattended runs (the tests, `make demo`) steer it through the environment:
//   NUVIK_DEMO_SECONDS     finish by itself after that many seconds
//   NUVIK_DEMO_REPORT      append what it received to this file
//   NUVIK_DEMO_SCREENSHOT  save the screen, the bootstrap's splash, on arrival
#include "screenshot.h"
#include "setup_arguments.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {

constexpr UINT_PTR FinishTimer = 1;
constexpr int FinishButton = 100;

SetupArguments Arguments;
bool ArgumentsUnderstood = false;

void WriteReport(const char* path, const char* commandLine) {
  FILE* report = std::fopen(path, "a");
  if (!report) return;
  char directory[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, directory);
  std::fprintf(report, "command line: %s\n", commandLine);
  std::fprintf(report, "current directory: %s\n", directory);
  if (ArgumentsUnderstood) {
    std::fprintf(report, "program: %s\ntoken: %ld\nwindow: %lu\nargument 0: %s\n",
                 Arguments.ProgramPath, Arguments.Token, Arguments.Window, Arguments.ArgumentZero);
  } else {
    std::fprintf(report, "arguments: not understood\n");
  }
  std::fclose(report);
}

// The bootstrap hides its window once this program is up; the report says whether
// it did, for whoever watches the run.
void Finish(HWND window) {
  if (ArgumentsUnderstood) {
    HWND bootstrap = reinterpret_cast<HWND>(static_cast<UINT_PTR>(Arguments.Window));
    const char* state = !IsWindow(bootstrap)         ? "gone"
                        : IsWindowVisible(bootstrap) ? "visible"
                                                     : "hidden";
    if (const char* path = std::getenv("NUVIK_DEMO_REPORT")) {
      if (FILE* report = std::fopen(path, "a")) {
        std::fprintf(report, "bootstrap window at finish: %s\n", state);
        std::fclose(report);
      }
    }
    if (IsWindow(bootstrap)) PostMessageA(bootstrap, WM_CLOSE, 0, 0);
  }
  DestroyWindow(window);
}

LRESULT CALLBACK DemoWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_TIMER:
    if (wParam == FinishTimer) Finish(window);
    return 0;
  case WM_COMMAND:
    if (LOWORD(wParam) == FinishButton) Finish(window);
    return 0;
  case WM_CLOSE:
    Finish(window);
    return 0;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    return DefWindowProcA(window, message, wParam, lParam);
  }
}

void DescribeArguments(char (&text)[4 * ArgumentTextSize]) {
  if (!ArgumentsUnderstood) {
    std::snprintf(text, sizeof text, "The command line was not understood:\n%s", GetCommandLineA());
    return;
  }
  std::snprintf(text, sizeof text,
                "Demo setup program\n\nStarted as: %s\nLaunch token: %ld (valid)\n"
                "Bootstrap window: %lu\nBootstrap path: %s",
                Arguments.ProgramPath, Arguments.Token, Arguments.Window, Arguments.ArgumentZero);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const char* commandLine = GetCommandLineA();
  ArgumentsUnderstood = ParseSetupArguments(commandLine, Arguments);
  // The splash is still on the screen: the bootstrap hides it only once this program
  // waits for input.
  if (const char* path = std::getenv("NUVIK_DEMO_SCREENSHOT")) SaveScreenshot(path);
  if (const char* path = std::getenv("NUVIK_DEMO_REPORT")) WriteReport(path, commandLine);

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = DemoWndProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = "NUVIK_DEMO_SETUP";
  RegisterClassA(&windowClass);

  HWND window = CreateWindowExA(0, "NUVIK_DEMO_SETUP", "Nuvik demo setup",
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 100, 560, 260,
                                nullptr, nullptr, instance, nullptr);
  char text[4 * ArgumentTextSize];
  DescribeArguments(text);
  CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE, 12, 12, 530, 160, window, nullptr,
                  instance, nullptr);
  CreateWindowExA(0, "BUTTON", "Finish", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 440, 185, 100,
                  28, window, reinterpret_cast<HMENU>(FinishButton), instance, nullptr);
  if (const char* seconds = std::getenv("NUVIK_DEMO_SECONDS"))
    SetTimer(window, FinishTimer, static_cast<UINT>(std::atoi(seconds)) * 1000u, nullptr);
  ShowWindow(window, SW_SHOW);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
