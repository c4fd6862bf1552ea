#include <cstdio>
#include <string>

#include "code_page.h"
#include "commands.h"

int UsageError() {
  std::fputs(
      "usage: drs list ARCHIVE | drs verify ARCHIVE | drs unpack [--nt] [--codepage 1252|949] "
      "ARCHIVE DIR | drs pack -o ARCHIVE [--codepage 1252|949] [-q] DIR\n",
      stderr);
  return 2;
}

bool ParseCodePage(const Arguments& arguments, size_t& index, int* codePage) {
  if (index + 1 >= arguments.size()) return false;
  const std::string& value = arguments[++index];
  if (value != "1252" && value != "949") return false;
  *codePage = std::stoi(value);
  return IsSupportedCodePage(*codePage);
}
