// What the bootstrap hands to its setup program: its own path, the launch token, the
// bootstrap's window handle in decimal and the bootstrap's argument 0, each after a
// blank and none quoted, so either path may arrive split into several words.
#pragma once

inline constexpr int ArgumentTextSize = 520;

struct SetupArguments {
  char ProgramPath[ArgumentTextSize];
  long Token;
  unsigned long Window;
  char ArgumentZero[ArgumentTextSize];
};

// A token's last three digits are the weight sum of the digits before them, each
// digit weighing 5 * d / 3.
bool TokenIsValid(long token);

// Splits a whole command line. The token and the handle are the first two numeric
// words after the program path of which the first passes TokenIsValid; what comes
// before is the program path, what follows is argument 0, blanks kept. Returns
// false when no such pair is there or a part does not fit.
bool ParseSetupArguments(const char* commandLine, SetupArguments& arguments);
