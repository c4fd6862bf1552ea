#include "command_line.h"

#include <windows.h>

namespace {

// A command line holds at most 32767 characters.
char Word[32768];
char ModuleName[MAX_PATH];

} // namespace

// Trail bytes of double-byte characters are never blanks or quotes, so the line can be
// walked one byte at a time.
const char* SkipArgumentZero(const char* commandLine) {
  const char* p = commandLine;
  if (*p == '"') {
    do
      ++p;
    while (*p && *p != '"');
    if (*p) ++p;
  } else {
    while (*p && *p != ' ' && *p != '\t')
      ++p;
  }
  return p;
}

const char* ArgumentZero() {
  // Read afresh on each call, so that the tests can steer the command line.
  const char* start = GetCommandLineA();
  const char* end = SkipArgumentZero(start);
  if (*start == '"') {
    ++start;
    if (end > start && end[-1] == '"') --end;
  }
  char* word = Word;
  while (start < end && word < Word + sizeof Word - 1)
    *word++ = *start++;
  *word = '\0';
  if (Word[0]) return Word;
  if (!ModuleName[0]) GetModuleFileNameA(nullptr, ModuleName, sizeof ModuleName);
  return ModuleName;
}
