// The hand-off: starting N_SETUP.EXE from the work directory with the launch token,
// the bootstrap's window handle and the bootstrap's own path.
#pragma once

#include <windows.h>

#include <cstdint>

inline constexpr int CommandLineSize = 520;
inline constexpr int TokenDigitCount = 4;

// The generator the token's digits come from: seeded with the time in seconds, so
// two hand-offs within one second make the same token.
struct LaunchRandom {
  uint32_t State;
  int Draw(); // 0 to 32767
};

int DigitWeight(int digit);

// The four digits as a number, times 1000, plus the sum of their weights: the
// setup program checks a token by recomputing its last three digits.
long LaunchTokenFromDigits(const int (&digits)[TokenDigitCount]);

// A fresh token from four digits drawn from a generator seeded with `seed`.
long MakeLaunchToken(uint32_t seed);

// "<StagingRoot>\N80_INST\N_SETUP.EXE <token> <window> <argument 0>", no quotes
// added. Returns false, leaving `buffer` empty, when it would not fit.
bool FormatSetupCommandLine(char (&buffer)[CommandLineSize], const char* stagingRoot, long token,
                            HWND window, const char* argumentZero);

// Starts the setup program and hides `window`. Returns false, with the window left
// shown, when the command line does not fit or the program could not be started:
// nobody would then ever close the hidden window.
bool LaunchSetup(HWND window);
