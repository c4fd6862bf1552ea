// drs try: each run in a Wine prefix of its own, so that one medium's changes (its
// WIN.INI ports, a crashed run's leftovers) never colour the next.
#include "command_try.h"

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <utility>
#include <vector>

#include "installed_setup.h"
#include "wine_try.h"

namespace {

const char* const Families[] = {"95", "98", "nt4", "10"};
const int CodePages[] = {1252, 949, 932, 950};

TrySettings SettingsFor(const TryRequest& request, const TryTarget& target) {
  TrySettings settings;
  settings.Medium = request.Medium;
  settings.Watcher = request.Watcher.empty() ? FindInstalledFile("setup_watch.exe", "--watcher")
                                             : std::filesystem::path(request.Watcher);
  if (!std::filesystem::is_regular_file(settings.Watcher))
    throw std::runtime_error(settings.Watcher.string() + ": no such file");
  settings.Target = target;
  settings.TimeoutSeconds = request.TimeoutSeconds;
  // Many runs, or no screen of the user's: unattended on a virtual screen.
  const char* display = std::getenv("DISPLAY");
  settings.Attended = !request.All && display && *display;
  settings.Keep = request.Keep;
  settings.Screenshot = request.All ? std::string() : request.Screenshot;
  return settings;
}

void SayKept(const TryOutcome& outcome) {
  if (!outcome.KeptFolder.empty())
    std::printf("kept: %s (the Wine prefix in prefix/, the watcher's record in watch/)\n",
                outcome.KeptFolder.c_str());
}

} // namespace

int TryCommand(const TryRequest& request) {
  const char* display = std::getenv("DISPLAY");
  const std::string missing = MissingForTry(!request.All && display && *display);
  if (!missing.empty()) {
    std::fprintf(stderr, "drs try: %s\n", missing.c_str());
    return 1;
  }
  try {
    if (!request.All) {
      const TryTarget target{request.Windows, request.CodePage};
      const TryOutcome outcome = TryMedium(SettingsFor(request, target));
      std::printf("%s", DescribeRun(target, outcome.Record).c_str());
      if (!request.Screenshot.empty() && outcome.Record.SplashImage)
        std::printf("splash image: %s\n", request.Screenshot.c_str());
      SayKept(outcome);
      return outcome.Record.HandedOff ? 0 : 1;
    }
    std::vector<std::pair<TryTarget, TryRecord>> runs;
    bool allStarted = true;
    for (const char* windows : Families)
      for (int codePage : CodePages) {
        const TryTarget target{windows, codePage};
        std::fprintf(stderr, "drs try: Windows %s, code page %d\n", windows, codePage);
        const TryOutcome outcome = TryMedium(SettingsFor(request, target));
        SayKept(outcome);
        allStarted = allStarted && outcome.Record.HandedOff;
        runs.emplace_back(target, outcome.Record);
      }
    std::printf("%s", RunTable(runs).c_str());
    return allStarted ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "drs try: %s\n", error.what());
    return 1;
  }
}
