// drs: makes and inspects the archives the setup bootstrap unpacks.
#include <cstdio>
#include <exception>

#include "commands.h"

int main(int argc, char** argv) {
  if (argc < 2) return UsageError();
  const std::string command = argv[1];
  const Arguments arguments(argv + 2, argv + argc);
  try {
    if (command == "list") return ListCommand(arguments);
    if (command == "verify") return VerifyCommand(arguments);
    if (command == "unpack") return UnpackCommand(arguments);
    if (command == "pack") return PackCommand(arguments);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "drs: %s\n", error.what());
    return 1;
  }
  return UsageError();
}
