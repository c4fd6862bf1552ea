// The launch token, the generator it is drawn from and the setup program's command
// line, on both ends: as the bootstrap writes it and as the demo setup program reads it.
#include "check.h"
#include "launch.h"
#include "setup_arguments.h"

#include <cstdlib>
#include <string>

TEST_CASE(TokenCarriesItsDigitsAndTheirWeights) {
  const int weights[] = {0, 1, 3, 5, 6, 8, 10, 11, 13, 15};
  for (int d = 0; d < 10; ++d)
    CHECK_EQ(weights[d], DigitWeight(d));
  CHECK_EQ(3072019, LaunchTokenFromDigits({3, 0, 7, 2}));
  CHECK_EQ(99030, LaunchTokenFromDigits({0, 0, 9, 9}));
  CHECK_EQ(0, LaunchTokenFromDigits({0, 0, 0, 0}));
  CHECK_EQ(9999060, LaunchTokenFromDigits({9, 9, 9, 9}));
  CHECK_EQ(1234015, LaunchTokenFromDigits({1, 2, 3, 4}));
}

// The runtime's own rand() is the same linear congruential generator: it serves as
// an independent reference for the draws and the token made from them.
TEST_CASE(GeneratorMatchesTheRuntimeGenerator) {
  for (uint32_t seed : {0u, 1u, 12345u, 0x7FFFFFFFu, 0xFFFFFFFFu, 1733572800u}) {
    LaunchRandom random{seed};
    std::srand(seed);
    for (int i = 0; i < 100; ++i)
      CHECK_EQ(std::rand(), random.Draw());
    std::srand(seed);
    int digits[TokenDigitCount];
    for (int& digit : digits)
      digit = std::rand() % 10;
    CHECK_EQ(LaunchTokenFromDigits(digits), MakeLaunchToken(seed));
  }
}

TEST_CASE(EveryMadeTokenPassesTheSetupProgramsCheck) {
  for (uint32_t seed = 1733500000u; seed < 1733520000u; ++seed)
    if (!TokenIsValid(MakeLaunchToken(seed))) CHECK_EQ(-1, seed);
  CHECK(TokenIsValid(0));
  CHECK(TokenIsValid(99030));
  CHECK(!TokenIsValid(99031));
  CHECK(!TokenIsValid(3072018));
  CHECK(!TokenIsValid(10000000));
  CHECK(!TokenIsValid(-1));
}

TEST_CASE(CommandLineHasTheFieldsInOrderAndInDecimal) {
  char line[CommandLineSize];
  CHECK(FormatSetupCommandLine(line, "C:\\WINDOWS\\TEMP", 3072019,
                               reinterpret_cast<HWND>(static_cast<uintptr_t>(1234)),
                               "D:\\INSTALL\\SETUP.EXE"));
  CHECK_STR("C:\\WINDOWS\\TEMP\\N80_INST\\N_SETUP.EXE 3072019 1234 D:\\INSTALL\\SETUP.EXE", line);

  // No sign and no leading zeros for the token; the handle as an unsigned number,
  // never in hexadecimal.
  CHECK(FormatSetupCommandLine(
      line, "C:\\TEMP", 0, reinterpret_cast<HWND>(static_cast<uintptr_t>(0x80001234u)), "SETUP"));
  CHECK_STR("C:\\TEMP\\N80_INST\\N_SETUP.EXE 0 2147488308 SETUP", line);
}

TEST_CASE(CommandLineThatDoesNotFitIsRefused) {
  const std::string root = "C:\\" + std::string(200, 'T');
  const int fixed =
      static_cast<int>(root.size()) + 21 + 1 + 7 + 1 + 2 + 1; // "...\N_SETUP.EXE 1234015 66 "
  char line[CommandLineSize];
  const std::string fits(CommandLineSize - 1 - fixed, 'A');
  CHECK(FormatSetupCommandLine(line, root.c_str(), 1234015,
                               reinterpret_cast<HWND>(static_cast<uintptr_t>(66)), fits.c_str()));
  CHECK_EQ(CommandLineSize - 1, std::strlen(line));
  const std::string tooLong = fits + "A";
  CHECK(!FormatSetupCommandLine(line, root.c_str(), 1234015,
                                reinterpret_cast<HWND>(static_cast<uintptr_t>(66)),
                                tooLong.c_str()));
  CHECK_STR("", line);
}

// Blanks in either path reach the setup program as extra words, since no quotes are
// added; the demo setup program still finds the token and the handle between them.
TEST_CASE(SetupProgramSplitsTheCommandLineBack) {
  SetupArguments arguments{};
  CHECK(ParseSetupArguments(
      "C:\\MY TEMP 2\\N80_INST\\N_SETUP.EXE 1234015 66 D:\\NEW  SETUP\\SETUP.EXE", arguments));
  CHECK_STR("C:\\MY TEMP 2\\N80_INST\\N_SETUP.EXE", arguments.ProgramPath);
  CHECK_EQ(1234015, arguments.Token);
  CHECK_EQ(66, arguments.Window);
  CHECK_STR("D:\\NEW  SETUP\\SETUP.EXE", arguments.ArgumentZero);

  CHECK(ParseSetupArguments("N_SETUP.EXE 0 4294967295 SETUP", arguments));
  CHECK_EQ(0, arguments.Token);
  CHECK_EQ(4294967295u, arguments.Window);
  CHECK_STR("SETUP", arguments.ArgumentZero);

  CHECK(!ParseSetupArguments("N_SETUP.EXE 1234016 66 SETUP", arguments));
  CHECK(!ParseSetupArguments("N_SETUP.EXE 1234015", arguments));
  CHECK(!ParseSetupArguments("N_SETUP.EXE 1234015 0x42 SETUP", arguments));
  CHECK(!ParseSetupArguments("", arguments));
}
