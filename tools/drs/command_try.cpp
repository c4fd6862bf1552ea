// drs try: what a medium does on the systems it is made for, seen from Linux under
// Wine. Each run has a Wine prefix of its own, so that one run's changes (its WIN.INI
// ports, a crashed run's leftovers) never colour the next.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "command_line.h"
#include "installed_setup.h"
#include "tools/windows_systems/windows_systems.h"
#include "wine_try.h"

namespace {

struct TryRequest {
  std::string Medium;
  std::string Windows = "98";
  int CodePage = 1252;
  int TimeoutSeconds = 0; // 0: 120 unattended, 900 with a user at the screen
  std::string Screenshot; // empty: none
  std::string Watcher;    // empty: the one installed with drs
  bool Keep = false;
  bool NoCache = false; // a prefix made for each run, as without the prepared one
  bool All = false;     // every family and code page, one table
};

TrySettings SettingsFor(const TryRequest& request, const TryTarget& target) {
  TrySettings settings;
  settings.Medium = request.Medium;
  settings.Watcher = request.Watcher.empty() ? FindInstalledFile("setup_watch.exe", "--watcher")
                                             : std::filesystem::path(request.Watcher);
  if (!std::filesystem::is_regular_file(settings.Watcher))
    throw std::runtime_error(settings.Watcher.string() + ": no such file");
  settings.Target = target;
  // Many runs, or no screen of the user's: unattended on a virtual screen.
  const char* display = std::getenv("DISPLAY");
  settings.Attended = !request.All && display && *display;
  settings.TimeoutSeconds = request.TimeoutSeconds ? request.TimeoutSeconds
                            : settings.Attended    ? 900
                                                   : 120;
  settings.Keep = request.Keep;
  settings.NoCache = request.NoCache;
  settings.Screenshot = request.All ? std::string() : request.Screenshot;
  return settings;
}

void SayKept(const TryOutcome& outcome) {
  if (!outcome.KeptFolder.empty())
    std::printf("kept: %s (the Wine prefix in prefix/, the watcher's record in watch/)\n",
                outcome.KeptFolder.c_str());
}

// Exit code: 0 when the setup program was started (in every run), 1 otherwise or when
// the medium cannot be tried.
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
    std::vector<TryTarget> targets;
    for (const WindowsVersion& windows : WindowsVersions)
      for (const KnownCodePage& codePage : KnownCodePages)
        targets.push_back({windows.Name, codePage.Number});
    // Side by side, as many at once as there are cores: most of a run is Wine starting.
    std::vector<std::optional<TryOutcome>> outcomes(targets.size());
    std::vector<std::string> failures(targets.size());
    std::atomic<size_t> next{0};
    auto work = [&] {
      for (size_t i; (i = next++) < targets.size();) {
        std::fprintf(stderr, "drs try: Windows %s, code page %d\n", targets[i].Windows.c_str(),
                     targets[i].CodePage);
        try {
          outcomes[i] = TryMedium(SettingsFor(request, targets[i]));
        } catch (const std::exception& error) {
          failures[i] = error.what();
        }
      }
    };
    std::vector<std::thread> workers(
        std::min<size_t>(targets.size(), std::max(1u, std::thread::hardware_concurrency())));
    for (std::thread& worker : workers)
      worker = std::thread(work);
    for (std::thread& worker : workers)
      worker.join();
    std::vector<std::pair<TryTarget, TryRecord>> runs;
    bool allStarted = true;
    for (size_t i = 0; i < targets.size(); ++i) {
      if (!failures[i].empty()) throw std::runtime_error(failures[i]);
      SayKept(*outcomes[i]);
      allStarted = allStarted && outcomes[i]->Record.HandedOff;
      runs.emplace_back(targets[i], outcomes[i]->Record);
    }
    std::printf("%s", RunTable(runs).c_str());
    return allStarted ? 0 : 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "drs try: %s\n", error.what());
    return 1;
  }
}

} // namespace

CommandWork DefineTryCommand(CLI::App& drs) {
  CLI::App* command = drs.add_subcommand(
      "try", "runs MEDIUM (a medium folder, its SETUP.EXE, a CD or floppy image) under Wine in a "
             "fresh copy of a prepared prefix and reports what a user sees and what happens: the "
             "boxes, the splash, "
             "the staged files, the setup program's command line, how SETUP.EXE ended and "
             "whether its work directory went; exit 0 only when the setup program was started");
  auto request = std::make_shared<TryRequest>();
  CLI::Option* windows =
      OneOf(command->add_option("--windows", request->Windows,
                                "the Windows version Wine reports to SETUP.EXE (default: 98)"),
            WindowsVersionNames());
  CLI::Option* codePage =
      OneOf(command->add_option(
                "--codepage", request->CodePage,
                "the code page of the system, from the locale Wine runs in (default: 1252)"),
            CodePageNumbers(false));
  command
      ->add_option("--timeout", request->TimeoutSeconds,
                   "stops a run of SETUP.EXE that has not ended after S seconds (default: 120; 900 "
                   "on your own DISPLAY)")
      ->type_name("S")
      ->check(CLI::Validator(
          [](std::string& value) {
            return !value.empty() && value.find_first_not_of("0123456789") == std::string::npos &&
                           value.size() < 6 && std::stoi(value) > 0
                       ? std::string()
                       : "is a number of seconds from 1 to 99999, not " + value;
          },
          ""));
  CLI::Option* screenshot =
      command->add_option("--screenshot", request->Screenshot, "saves the splash as a BMP image")
          ->type_name("FILE")
          ->check(WrittenFileName());
  command
      ->add_option("--watcher", request->Watcher,
                   "the watcher that runs SETUP.EXE (default: setup_watch.exe installed with drs)")
      ->type_name("FILE");
  command->add_flag("--keep", request->Keep,
                    "keeps the Wine prefix and the watcher's record, and says where");
  command->add_flag("--no-cache", request->NoCache,
                    "makes each run's Wine prefix afresh rather than copying the one prepared "
                    "in ~/.cache/nuvik-setup (made on the first run)");
  command
      ->add_flag("--all", request->All,
                 "every Windows version and code page above, unattended on a virtual screen, "
                 "side by side (one per core), in one table")
      ->excludes(windows)
      ->excludes(codePage)
      ->excludes(screenshot);
  command->add_option("MEDIUM", request->Medium)->required();
  command->footer(
      "  drs try --windows 95 --codepage 949 nuvik.iso\n"
      "      the CD image's SETUP.EXE run as on a Korean Windows 95, and what it did\n");
  return [request] { return TryCommand(*request); };
}
