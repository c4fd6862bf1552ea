// drs: makes and inspects the archives the setup bootstrap unpacks.
#include "commands.h"

int main(int argc, char** argv) {
  return RunDrs(Arguments(argv + 1, argv + argc));
}
