#include "run_tool.h"

#include <cstdio>

#ifdef _WIN32
// The command line goes through cmd.exe and then the child's own splitting: a word
// with blanks or quotes is quoted, backslashes doubled only before a quote. cmd.exe
// takes off the outermost pair of quotes, hence the extra pair around the whole.
static std::string Quoted(const std::string& word) {
  if (!word.empty() && word.find_first_of(" \t\"&|<>^") == std::string::npos) return word;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : word) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(2 * backslashes, '\\');
  return quoted + "\"";
}

static std::string CommandLine(const std::vector<std::string>& command) {
  std::string line = "\"";
  for (const std::string& word : command)
    line += Quoted(word) + " ";
  return line + "2>&1\"";
}

// cmd.exe says 9009 when it finds no such program.
static int ExitCode(int status) {
  return status == 9009 ? -1 : status;
}

#define popen _popen
#define pclose _pclose
#else
#include <sys/wait.h>

// The shell takes everything inside single quotes as it stands, except a single quote.
static std::string CommandLine(const std::vector<std::string>& command) {
  std::string line = "exec";
  for (const std::string& word : command) {
    line += " '";
    for (char c : word)
      line += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += "'";
  }
  return line + " 2>&1";
}

// The shell says 127 when it finds no such program.
static int ExitCode(int status) {
  if (!WIFEXITED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}
#endif

int RunTool(const std::vector<std::string>& command, std::string* output) {
  output->clear();
  std::FILE* pipe = popen(CommandLine(command).c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output->append(buffer, n);
  return ExitCode(pclose(pipe));
}
