#include "launch.h"

#include "format/rules.h"
#include "runtime/clock.h"
#include "staging/ansi_path.h"
#include "staging/staging.h"
#include "staging/staging_root.h"

#include <cstring>

int LaunchRandom::Draw() {
  State = State * 214013u + 2531011u;
  return static_cast<int>((State >> 16) & 0x7FFF);
}

int DigitWeight(int digit) {
  return (5 * digit) / 3;
}

long LaunchTokenFromDigits(const int (&digits)[TokenDigitCount]) {
  long value = 0;
  long weights = 0;
  for (int digit : digits) {
    value = value * 10 + digit;
    weights += DigitWeight(digit);
  }
  return value * 1000 + weights;
}

long MakeLaunchToken(uint32_t seed) {
  LaunchRandom random{seed};
  int digits[TokenDigitCount];
  for (int& digit : digits)
    digit = random.Draw() % 10;
  return LaunchTokenFromDigits(digits);
}

bool FormatSetupCommandLine(char (&buffer)[CommandLineSize], const char* stagingRoot, long token,
                            HWND window, const char* argumentZero) {
  // The numbers first, to measure the whole line before it is written: wsprintfA
  // knows no buffer size.
  char numbers[32];
  wsprintfA(numbers, "%ld %u", token, static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)));
  if (!WorkDirPath(stagingRoot, SetupProgramName, buffer, CommandLineSize) ||
      std::strlen(buffer) + 1 + std::strlen(numbers) + 1 + std::strlen(argumentZero) >=
          CommandLineSize) {
    buffer[0] = '\0';
    return false;
  }
  wsprintfA(buffer + std::strlen(buffer), " %s %s", numbers, argumentZero);
  return true;
}

bool LaunchSetup(HWND window) {
  char commandLine[CommandLineSize];
  char plain[MAX_PATH];
  const long token = MakeLaunchToken(SecondsSince1970());
  if (!FormatSetupCommandLine(commandLine, StagingRoot, token, window, PlainArgumentZero(plain)))
    return false;
  // Held against writing, renaming and deleting until the system has started it, so
  // that the program started is the one unpacked. A missing one fails to start anyway.
  // The work directory is the current one.
  const HANDLE staged = CreateFileA(SetupProgramName, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (staged == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
  // WinExec reports failure as a value of 31 or less.
  const bool started = WinExec(commandLine, SW_SHOW) > 31;
  if (staged != INVALID_HANDLE_VALUE) CloseHandle(staged);
  if (!started) return false;
  ShowWindow(window, SW_HIDE);
  return true;
}
