#include "run_tool.h"

#include <cstdio>
#include <sstream>
#include <stdexcept>

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
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "pending_changes.h"

// The exec fails with 127 when there is no such program.
static int ExitCode(int status) {
  if (!WIFEXITED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
}
#endif

#ifdef _WIN32
int RunTool(const std::vector<std::string>& command, std::string* output) {
  output->clear();
  std::FILE* pipe = popen(CommandLine(command).c_str(), "r");
  if (!pipe) return -1;
  char buffer[4096];
  for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output->append(buffer, n);
  return ExitCode(pclose(pipe));
}
#else
// The tool runs in a process group of its own, registered with drs's pending changes, so
// that a signal that ends drs ends the tool and all it started first; it reads nothing.
// Signals wait while it is started and registered, so that none finds it unregistered.
int RunTool(const std::vector<std::string>& command, std::string* output) {
  output->clear();
  std::vector<char*> arguments;
  for (const std::string& word : command)
    arguments.push_back(const_cast<char*>(word.c_str()));
  arguments.push_back(nullptr);
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return -1;
  sigset_t all, before;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &before);
  const pid_t child = fork();
  if (child == 0) {
    setpgid(0, 0);
    LeaveSignalsToTool();
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    const int nothing = open("/dev/null", O_RDONLY);
    dup2(nothing, 0);
    dup2(ends[1], 1);
    dup2(ends[1], 2);
    execvp(arguments[0], arguments.data());
    _exit(127);
  }
  if (child > 0) {
    setpgid(child, child);
    StartedTool(child);
  }
  pthread_sigmask(SIG_SETMASK, &before, nullptr);
  close(ends[1]);
  if (child < 0) {
    close(ends[0]);
    return -1;
  }
  char buffer[4096];
  for (ssize_t n; (n = read(ends[0], buffer, sizeof buffer)) != 0;)
    if (n > 0)
      output->append(buffer, static_cast<size_t>(n));
    else if (errno != EINTR)
      break;
  close(ends[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  EndedTool(child);
  return ExitCode(status);
}
#endif

int RunPackagedTool(const std::vector<std::string>& command, const char* package,
                    std::string* output, const std::string& missing) {
  const int status = RunTool(command, output);
  if (status == -1)
    throw std::runtime_error(command[0] + " " + missing + " (Debian package " + package + ")");
  return status;
}

std::vector<std::string> SaidLines(const std::string& output) {
  std::vector<std::string> said;
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);)
    if (line.find_first_not_of(" \r\t") != std::string::npos) said.push_back(line);
  return said;
}

std::string OneLine(const std::vector<std::string>& lines) {
  std::string line;
  for (const std::string& part : lines)
    line += (line.empty() ? "" : "; ") + part;
  return line;
}
