// Runs SETUP.EXE once, unattended, and tells what happened: the boxes it showed (each
// answered No when it asks, else OK), the command line the setup program received, and
// whether the work directory was removed. `make demo` uses it.
//   setup_watch SETUP.EXE OUTPUT_DIR
// OUTPUT_DIR receives the setup program's report and a screenshot of the splash.
#include "setup_run.h"

#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: setup_watch SETUP.EXE OUTPUT_DIR\n");
    return 2;
  }
  const std::string output = argv[2];
  CreateDirectoryA(output.c_str(), nullptr);
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);

  SetupRunOptions options;
  options.SetupPath = argv[1];
  options.TempPath = temp;
  options.ReportPath = output + "\\report.txt";
  options.ScreenshotPath = output + "\\splash.bmp";
  options.DemoSeconds = 4;
  std::printf("starting %s (temporary directory %s)\n", options.SetupPath.c_str(), temp);
  std::fflush(stdout);
  const SetupRunRecord run = RunSetup(options);
  if (!run.Started) {
    std::printf("SETUP.EXE could not be started\n");
    return 1;
  }

  std::printf("message boxes shown: %zu\n", run.Boxes.size());
  for (const SeenBox& box : run.Boxes)
    std::printf("  \"%s\" (%s): %s\n", box.Caption.c_str(),
                box.OwnedByMainWindow ? "over the splash" : "no owner", box.Text.c_str());
  if (run.WindowSeen)
    std::printf("splash window: %ld x %ld, handle %lu\n",
                run.WindowRect.right - run.WindowRect.left,
                run.WindowRect.bottom - run.WindowRect.top, run.Window);
  const std::string received = ReportValue(run.Report, "command line");
  if (received.empty()) {
    std::printf("the setup program did not run\n");
  } else {
    std::printf("the setup program received: %s\n", received.c_str());
    std::printf("  started in: %s\n", ReportValue(run.Report, "current directory").c_str());
    std::printf("  launch token %s, bootstrap window %s\n",
                ReportValue(run.Report, "token").c_str(),
                ReportValue(run.Report, "window").c_str());
    std::printf("  bootstrap window when it finished: %s\n",
                ReportValue(run.Report, "bootstrap window at finish").c_str());
  }
  std::string workDir = UpperCased(temp);
  if (!workDir.empty() && workDir.back() == '\\') workDir.pop_back();
  workDir += "\\N80_INST";
  const bool removed = !PathExists(workDir);
  std::printf("work directory %s: %s\n", workDir.c_str(), removed ? "removed" : "still there");
  std::printf("SETUP.EXE ended with exit code %lu%s\n", run.ExitCode,
              run.TimedOut ? " (stopped: it did not end by itself)" : "");
  return run.TimedOut || run.ExitCode != 0 || received.empty() || !removed ? 1 : 0;
}
