// drs: makes and inspects the archives the setup bootstrap unpacks.
#include <algorithm>
#include <cstdio>
#include <exception>

#include "commands.h"

int main(int argc, char** argv) {
  if (argc < 2) return UsageError();
  const std::string command = argv[1];
  const Arguments arguments(argv + 2, argv + argc);
  if (command == "--help" && arguments.empty()) return PrintHelp("");
  if (command == "--version" && arguments.empty()) return PrintVersion();
  if (std::find(arguments.begin(), arguments.end(), "--help") != arguments.end())
    return PrintHelp(command);
  try {
    return RunCommand(command, arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "drs: %s\n", error.what());
    return 1;
  }
}
