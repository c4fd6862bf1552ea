#include "setup_arguments.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

constexpr long LargestToken = 9999060;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

// A word of decimal digits only, no sign; returns its end or nullptr.
const char* DecimalWord(const char* word) {
  const char* end = word;
  while (*end >= '0' && *end <= '9')
    ++end;
  if (end == word || (*end != '\0' && !IsBlank(*end))) return nullptr;
  return end;
}

bool CopyPart(char (&target)[ArgumentTextSize], const char* begin, const char* end) {
  while (end > begin && IsBlank(end[-1]))
    --end;
  const size_t length = static_cast<size_t>(end - begin);
  if (length >= ArgumentTextSize) return false;
  std::memcpy(target, begin, length);
  target[length] = '\0';
  return true;
}

} // namespace

bool TokenIsValid(long token) {
  if (token < 0 || token > LargestToken) return false;
  long value = token / 1000;
  long weights = 0;
  for (int i = 0; i < 4; ++i, value /= 10)
    weights += (5 * (value % 10)) / 3;
  return value == 0 && weights == token % 1000;
}

bool ParseSetupArguments(const char* commandLine, SetupArguments& arguments) {
  // The program path is at least one word, so the search starts at the second.
  const char* word = commandLine;
  while (IsBlank(*word))
    ++word;
  while (*word && !IsBlank(*word))
    ++word;
  for (;;) {
    while (IsBlank(*word))
      ++word;
    if (!*word) return false;
    const char* tokenEnd = DecimalWord(word);
    if (tokenEnd) {
      const char* handle = tokenEnd;
      while (IsBlank(*handle))
        ++handle;
      const char* handleEnd = DecimalWord(handle);
      if (handleEnd) {
        errno = 0;
        const long token = std::strtol(word, nullptr, 10);
        const unsigned long window = std::strtoul(handle, nullptr, 10);
        if (errno == 0 && TokenIsValid(token)) {
          const char* rest = handleEnd;
          while (IsBlank(*rest))
            ++rest;
          arguments.Token = token;
          arguments.Window = window;
          return CopyPart(arguments.ProgramPath, commandLine, word) &&
                 CopyPart(arguments.ArgumentZero, rest, rest + std::strlen(rest));
        }
      }
    }
    while (*word && !IsBlank(*word))
      ++word;
  }
}
