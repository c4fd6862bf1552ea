// The real SETUP.EXE end to end: packed payload, media folder, the boxes read and
// answered from outside, the hand-off to the demo setup program and the clean-up.
//   launcher_e2e SETUP.EXE N_SETUP.EXE WORK_DIR [CASE...]
#include "check.h"
#include "expected_texts.h"
#include "format/archive_writer.h"
#include "iat_hook.h"
#include "setup_arguments.h"
#include "setup_run.h"
#include "splash_image.h"
#include "windows_files.h"

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

std::string SetupPath, DemoPath, WorkRoot, StandInPath;

std::string Payload() {
  std::vector<WriterEntry> entries(4);
  entries[0].Name = "N_SETUP.EXE";
  entries[0].Data = ReadWholeFile(DemoPath);
  entries[1].Name = "README.TXT";
  entries[1].Data = "Nuvik 2000 installs from here.\r\n";
  entries[2].Dir = "DATA";
  entries[2].Name = "NUVIK.INI";
  entries[2].Data = "[Nuvik]\r\nPort=COM2\r\n";
  entries[3].Name = "NUVIK.DL_";
  entries[3].Data = std::string(3000, 'D');
  for (WriterEntry& entry : entries) {
    entry.DosDate = 0x2B21;
    entry.DosTime = 0x7A4F;
  }
  return BuildArchive(entries);
}

struct Scenario {
  std::string Root, Media, Temp, WorkDir;
  SetupRunOptions Options;
};

// SETUP.EXE watched as a scenario needs: its boxes answered from a script (then as
// the watcher would), and the scenario's own steps at the hand-off and on each pass.
class ScenarioWatch : public SetupWatch {
public:
  using SetupWatch::Elapsed;
  using SetupWatch::HandedOff;
  using SetupWatch::MainWindow;
  using SetupWatch::Record;
  using SetupWatch::SetupWatch;
  using SetupWatch::StartAgain;

  std::vector<int> Answers;
  std::function<void()> AtHandOff;
  std::function<void(ScenarioWatch&)> OnEachPass;

private:
  int Answer(const SeenBox& box) override {
    return NextAnswer_ < Answers.size() ? Answers[NextAnswer_++] : SetupWatch::Answer(box);
  }
  void OnHandOff() override {
    if (AtHandOff) AtHandOff();
  }
  void EachPass() override {
    if (OnEachPass) OnEachPass(*this);
  }

  size_t NextAnswer_ = 0;
};

// Once SETUP.EXE has been started a second time and that start has ended, `check` runs
// once, while the first start goes on.
std::function<void(ScenarioWatch&)> AfterSecondStart(std::function<void(ScenarioWatch&)> step,
                                                     std::function<void()> check) {
  return [step, check, checked = false](ScenarioWatch& watch) mutable {
    step(watch);
    if (watch.Record().SecondEnded && !checked) {
      checked = true;
      check();
    }
  };
}

// Ends the demo setup program as a crash would (its window stays unclosed) once it has
// taken over, leaving the bootstrap's window open; then starts SETUP.EXE a second time.
void AbandonSetupProgram(ScenarioWatch& watch) {
  if (!watch.HandedOff() || watch.Record().SecondStarted) return;
  DWORD processId = 0;
  GetWindowThreadProcessId(FindWindowA("NUVIK_DEMO_SETUP", nullptr), &processId);
  if (HANDLE demo = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId)) {
    TerminateProcess(demo, 1);
    WaitForSingleObject(demo, 10000);
    CloseHandle(demo);
  }
  watch.StartAgain();
}

// Makes every folder of `path` that lies below `root`.
void MakeFolders(const std::string& root, const std::string& path) {
  for (size_t at = root.size(); at != std::string::npos; at = path.find('\\', at + 1))
    CreateDirectoryA(path.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(path.c_str(), nullptr);
}

// A media folder with SETUP.EXE beside the archive, and a temporary directory of the
// scenario's own, so the staging root is known exactly.
Scenario MakeScenario(const char* name, const std::string& archive, const char* media = "MEDIA",
                      const char* temp = "TEMP") {
  Scenario scenario;
  scenario.Root = WorkRoot + "\\" + name;
  scenario.Media = scenario.Root + "\\" + media;
  scenario.Temp = scenario.Root + "\\" + temp;
  CreateDirectoryA(scenario.Root.c_str(), nullptr);
  MakeFolders(scenario.Root, scenario.Media);
  MakeFolders(scenario.Root, scenario.Temp);
  CopyFileA(SetupPath.c_str(), (scenario.Media + "\\SETUP.EXE").c_str(), FALSE);
  CHECK(WriteWholeFile(scenario.Media + "\\N_SETUP.DRS", archive));
  scenario.WorkDir = UpperCased(scenario.Temp) + "\\N80_INST";
  scenario.Options.SetupPath = scenario.Media + "\\SETUP.EXE";
  scenario.Options.TempPath = scenario.Temp + "\\";
  scenario.Options.ReportPath = scenario.Root + "\\report.txt";
  return scenario;
}

void SetPorts(const char* com3) {
  WriteProfileStringA("ports", "COM1:", "1200,n,8,1");
  WriteProfileStringA("ports", "COM2:", "2400,e,7,1");
  WriteProfileStringA("ports", "COM3:", com3);
  WriteProfileStringA("ports", "COM4:", "19200,n,8,1");
}

std::string Port(const char* key) {
  char value[80] = "";
  GetProfileStringA("ports", key, "", value, sizeof value);
  return value;
}

void CheckPortsKept(const char* com3) {
  CHECK(Port("COM1:") == "1200,n,8,1");
  CHECK(Port("COM2:") == "2400,e,7,1");
  CHECK(Port("COM3:") == com3);
  CHECK(Port("COM4:") == "19200,n,8,1");
}

void PrintRun(const SetupRunRecord& run) {
  for (const SeenBox& box : run.Boxes)
    std::printf("  box \"%s\" (%s): %s\n", box.Caption.c_str(),
                box.OwnedByMainWindow ? "owned by the main window"
                : box.Owned           ? "owned"
                                      : "no owner",
                box.Text.c_str());
  std::printf("  exit code %lu%s\n", run.ExitCode, run.TimedOut ? ", timed out" : "");
}

void CheckBoxSeen(const SeenBox& box, const BoxText& expected, bool ownedByMainWindow) {
  CHECK_STR(expected.Caption, box.Caption.c_str());
  CHECK_STR(expected.Text, box.Text.c_str());
  CHECK_EQ(ownedByMainWindow, box.OwnedByMainWindow);
  if (!ownedByMainWindow) CHECK(!box.Owned);
}

// A run that unpacks, hands off and cleans up, with no box on the way.
void CheckSuccessfulRun(int language) {
  SetPorts("4800,o,8,2");
  Scenario scenario = MakeScenario(language ? "success_ko" : "success_en", Payload());
  scenario.Options.ScreenshotPath = scenario.Root + "\\splash.bmp";
  scenario.Options.FindSetupProgram = true;
  const SetupRunRecord run = RunSetup(scenario.Options);
  PrintRun(run);
  CHECK(run.Started && !run.TimedOut);
  CHECK_EQ(0, run.ExitCode);
  CHECK_EQ(0, run.Boxes.size());
  CheckPortsKept("4800,o,8,2");

  // A borderless window over the whole screen.
  CHECK(run.WindowSeen);
  CHECK_EQ(0, run.WindowRect.left);
  CHECK_EQ(0, run.WindowRect.top);
  CHECK_EQ(GetSystemMetrics(SM_CXSCREEN), run.WindowRect.right);
  CHECK_EQ(GetSystemMetrics(SM_CYSCREEN), run.WindowRect.bottom);
  // The system adds WS_CLIPSIBLINGS to every top-level window.
  CHECK_EQ(WS_POPUP | WS_CLIPCHILDREN,
           static_cast<DWORD>(run.WindowStyle) & ~(WS_VISIBLE | WS_CLIPSIBLINGS));

  std::printf("%s", run.Report.c_str());
  SetupArguments arguments{};
  const std::string received = ReportValue(run.Report, "command line");
  CHECK(ParseSetupArguments(received.c_str(), arguments));
  const std::string expected = scenario.WorkDir + "\\N_SETUP.EXE " +
                               std::to_string(arguments.Token) + " " + std::to_string(run.Window) +
                               " " + scenario.Options.SetupPath;
  CHECK_STR(expected.c_str(), received.c_str());
  // What the watcher learnt of the hand-off, as the setup program received it.
  CHECK_STR(received.c_str(), run.HandOffLine.c_str());
  const std::string expectedProgram = UpperCased(scenario.WorkDir + "\\N_SETUP.EXE");
  const std::string learntProgram = UpperCased(run.SetupProgramPath);
  CHECK_STR(expectedProgram.c_str(), learntProgram.c_str());
  const std::string startedIn = UpperCased(ReportValue(run.Report, "current directory"));
  CHECK_STR(scenario.WorkDir.c_str(), startedIn.c_str());
  const std::string windowAtFinish = ReportValue(run.Report, "bootstrap window at finish");
  CHECK_STR("hidden", windowAtFinish.c_str());
  CHECK(!PathExists(scenario.WorkDir));

  const Image splash = ReadBitmapFile(scenario.Options.ScreenshotPath.c_str());
  CheckSplashImage(splash);
}

// COM3 empty: the question, No, the notice; then an archive cut inside a stream.
void CheckRepairAndDamagedArchive(int language) {
  SetPorts("");
  const std::string archive = Payload();
  Scenario scenario =
      MakeScenario(language ? "damaged_ko" : "damaged_en", archive.substr(0, archive.size() / 2));
  ScenarioWatch watch(scenario.Options);
  watch.Answers = {IDNO, IDOK, IDOK, IDOK};
  const SetupRunRecord run = watch.Run();
  PrintRun(run);
  CHECK(run.Started && !run.TimedOut);
  CHECK_EQ(0, run.ExitCode);
  CheckPortsKept("9600,n,8,1");
  CHECK_EQ(4, run.Boxes.size());
  if (run.Boxes.size() == 4) {
    CheckBoxSeen(run.Boxes[0], RestartQuestion[language], false);
    CheckBoxSeen(run.Boxes[1], RestartNotice[language], false);
    // The unpacking speaks English in either language.
    CheckBoxSeen(run.Boxes[2], {"File error !!", "Fatal Error"}, false);
    CheckBoxSeen(run.Boxes[3], CannotContinue[language], true);
  }
  // Left as the failed run made it, for a look at what went wrong.
  CHECK(PathExists(scenario.WorkDir));
  CHECK(PathExists(scenario.WorkDir + "\\N_SETUP.DRS"));
  CHECK(!PathExists(scenario.Options.ReportPath));
}

// Runs a scenario of the paths people have and checks what each of them promises: no
// box; the setup program starts with every entry beside it; the (last) hand-off line is
// the program under `root`, a valid token, the window and `argumentZero`, a file the
// ANSI calls open, separated by single blanks and holding no other; the work directory
// is removed at the end.
SetupRunRecord RunPlain(Scenario& scenario, const std::string& root,
                        const std::string& argumentZero,
                        std::function<void(ScenarioWatch&)> onEachPass = nullptr) {
  SetPorts("4800,o,8,2");
  const std::string workDir = root + "\\N80_INST";
  bool entriesBeside = false;
  ScenarioWatch watch(scenario.Options);
  watch.AtHandOff = [&] {
    entriesBeside = PathExists(workDir + "\\N_SETUP.EXE") && PathExists(workDir + "\\README.TXT") &&
                    PathExists(workDir + "\\DATA\\NUVIK.INI");
  };
  watch.OnEachPass = onEachPass;
  const SetupRunRecord run = watch.Run();
  PrintRun(run);
  std::printf("%s", run.Report.c_str());
  CHECK(run.Started && !run.TimedOut && !run.TimedOutSecond && run.ExitCode == 0);
  CHECK(run.Boxes.empty() && entriesBeside);
  const std::string line = ReportValue(run.Report, "command line");
  SetupArguments arguments{};
  CHECK(ParseSetupArguments(line.c_str(), arguments));
  const std::string expected = workDir + "\\N_SETUP.EXE " + std::to_string(arguments.Token) + " " +
                               std::to_string(arguments.Window) + " " + argumentZero;
  CHECK_STR(expected.c_str(), line.c_str());
  CHECK((workDir + argumentZero).find(' ') == std::string::npos && PathExists(argumentZero));
  CHECK(!PathExists(workDir));
  return run;
}

// The stand-in setup program (stand_in_setup.cpp) as N_SETUP.EXE and as SUB\HELPER.EXE,
// in the way `mode` has it behave.
SetupRunRecord RunStandIn(Scenario& scenario, const char* mode,
                          std::function<void(ScenarioWatch&)> onEachPass = nullptr) {
  SetPorts("4800,o,8,2");
  const std::string program = ReadWholeFile(StandInPath);
  std::vector<WriterEntry> entries(3);
  entries[0].Name = "N_SETUP.EXE";
  entries[1].Dir = "SUB";
  entries[1].Name = "HELPER.EXE";
  entries[0].Data = entries[1].Data = program;
  entries[2].Name = "README.TXT";
  CHECK(WriteWholeFile(scenario.Media + "\\N_SETUP.DRS", BuildArchive(entries)));
  SetEnvironmentVariableA("STAND_IN_SETUP", mode);
  ScenarioWatch watch(scenario.Options);
  watch.OnEachPass = onEachPass;
  const SetupRunRecord run = watch.Run();
  SetEnvironmentVariableA("STAND_IN_SETUP", nullptr);
  PrintRun(run);
  CHECK(run.Started && !run.TimedOut && run.ExitCode == 0 && run.Boxes.empty());
  CHECK(!PathExists(scenario.WorkDir));
  return run;
}

} // namespace

// The setup program handed over to a helper in the work directory and ended; a second
// start meanwhile leaves the first bootstrap and everything under the helper alone.
TEST_CASE(SecondStartWhileAHandedOverProgramRuns) {
  Scenario scenario = MakeScenario("handed_over", "");
  const HANDLE helperRelease = CreateEventA(nullptr, TRUE, FALSE, "StandInRelease");
  bool helperIntact = false;
  // The second start follows the hand-off.
  const SetupRunRecord run =
      RunStandIn(scenario, "hand_over", AfterSecondStart(AbandonSetupProgram, [&] {
                   helperIntact = PathExists(scenario.WorkDir + "\\SUB\\HELPER.EXE") &&
                                  PathExists(scenario.WorkDir + "\\README.TXT");
                   SetEvent(helperRelease);
                 }));
  CHECK(run.SecondStarted && run.SecondEndedFirst && run.SecondExitCode == 0 && helperIntact);
  CHECK(run.Report.find("command line: ") == run.Report.rfind("command line: "));
  CloseHandle(helperRelease);
}

// Closed at once by a setup program that takes seconds to end, as on a slow machine.
TEST_CASE(SetupProgramSlowToEndAfterClosing) {
  Scenario scenario = MakeScenario("slow_exit", "");
  RunStandIn(scenario, "slow_exit");
}

TEST_CASE(EnglishRunHandsOffAndCleansUp) {
  CHECK(GetOEMCP() != 949);
  CheckSuccessfulRun(0);
}

// As under an emulator, where another process's memory cannot be read: the watcher learns
// the hand-off from the process list Linux keeps.
BOOL WINAPI UnreadableMemory(HANDLE, LPCVOID, LPVOID, SIZE_T, SIZE_T*) {
  SetLastError(ERROR_PARTIAL_COPY);
  return FALSE;
}

TEST_CASE(HandOffLearntWithoutTheSetupProgramsMemory) {
  ScopedImportHook unreadable("kernel32.dll", "ReadProcessMemory",
                              reinterpret_cast<void*>(UnreadableMemory));
  CHECK(unreadable.installed());
  CheckSuccessfulRun(0);
}

TEST_CASE(EnglishPortRepairThenDamagedArchive) {
  CheckRepairAndDamagedArchive(0);
}

TEST_CASE(CloseWhileSetupProgramRunsCleansAtOnce) {
  SetPorts("4800,o,8,2");
  Scenario scenario = MakeScenario("early_close", Payload());
  scenario.Options.DemoSeconds = 90;
  ScenarioWatch watch(scenario.Options);
  watch.AtHandOff = [&watch] { PostMessageA(watch.MainWindow(), WM_CLOSE, 0, 0); };
  const SetupRunRecord run = watch.Run();
  PrintRun(run);
  CHECK(run.Started && !run.TimedOut);
  CHECK_EQ(0, run.ExitCode);
  CHECK(run.SetupProgramStillRanAtExit);
  CHECK(!PathExists(scenario.WorkDir + "\\README.TXT"));
  CHECK(!PathExists(scenario.WorkDir + "\\DATA\\NUVIK.INI"));
}

// The medium started twice, 2.5 s apart: the second start must leave the first
// installation alone, and only one setup program may run.
TEST_CASE(SecondStartLeavesTheFirstAlone) {
  SetPorts("4800,o,8,2");
  Scenario scenario = MakeScenario("started_twice", Payload());
  scenario.Options.DemoSeconds = 15;
  ScenarioWatch watch(scenario.Options);
  bool firstInstallationIntact = false;
  // Not before the first start's window is up.
  const auto startAgain = [](ScenarioWatch& running) {
    if (running.MainWindow() && running.Elapsed() >= 2500) running.StartAgain();
  };
  watch.OnEachPass = AfterSecondStart(startAgain, [&] {
    const std::string& workDir = scenario.WorkDir;
    firstInstallationIntact = FindWindowA("NUVIK_DEMO_SETUP", nullptr) != nullptr &&
                              PathExists(workDir + "\\N_SETUP.EXE") &&
                              PathExists(workDir + "\\README.TXT") &&
                              PathExists(workDir + "\\DATA\\NUVIK.INI");
  });
  const SetupRunRecord run = watch.Run();
  PrintRun(run);
  CHECK(run.Started && !run.TimedOut);
  CHECK_EQ(0, run.ExitCode);
  CHECK(run.SecondStarted && run.SecondEndedFirst);
  CHECK_EQ(0, run.SecondExitCode);
  CHECK_EQ(0, run.Boxes.size());
  CHECK(firstInstallationIntact);
  // Each setup program the bootstraps started reports once.
  size_t reports = 0;
  for (size_t at = 0; (at = run.Report.find("command line: ", at)) != std::string::npos; ++at)
    ++reports;
  CHECK_EQ(1, reports);
  CHECK(!PathExists(scenario.WorkDir));
}

// Each path with a blank reaches the setup program in its short form.
TEST_CASE(BlanksInTheTempAndMediumPaths) {
  Scenario scenario = MakeScenario("blanks", Payload(), "My Setup\\Disk 1", "TEMP\\John Smith");
  RunPlain(scenario, UpperCased(ShortPath(Wide(scenario.Temp))),
           ShortPath(Wide(scenario.Options.SetupPath)));
}

// A clean-up tool removed the temporary folder: the Windows directory's TEMP serves.
TEST_CASE(MissingTempFolderStagesInTheWindowsTemp) {
  Scenario scenario = MakeScenario("missing_temp", Payload());
  scenario.Options.TempPath = scenario.Root + "\\GONE\\";
  char windows[MAX_PATH] = "";
  GetWindowsDirectoryA(windows, MAX_PATH);
  RunPlain(scenario, UpperCased(std::string(windows) + "\\TEMP"), scenario.Options.SetupPath);
  CHECK(!PathExists(scenario.Root + "\\GONE"));
}

// The first setup program crashed, leaving the first bootstrap hidden and waiting: a new
// start ends it (it cleans up and exits) and installs afresh.
TEST_CASE(SetupProgramLeftBehindThenANewStartInstalls) {
  Scenario scenario = MakeScenario("left_behind", Payload());
  scenario.Options.DemoSeconds = 8;
  const SetupRunRecord run = RunPlain(scenario, UpperCased(scenario.Temp),
                                      scenario.Options.SetupPath, AbandonSetupProgram);
  CHECK(run.SecondStarted && !run.SecondEndedFirst && run.SecondExitCode == 0);
  CHECK(run.Report.find("command line: ") != run.Report.rfind("command line: "));
}

// Code page 1252 has no Hangul: the temporary folder is reached by its short form.
TEST_CASE(HangulTempFolderOnAnEnglishSystem) {
  CHECK_EQ(1252, GetACP());
  Scenario scenario = MakeScenario("hangul_temp", Payload());
  scenario.Options.WideTempPath = Wide(scenario.Root) + L"\\\xD64D\xAE38\xB3D9";
  CreateDirectoryW(scenario.Options.WideTempPath.c_str(), nullptr);
  RunPlain(scenario, UpperCased(ShortPath(scenario.Options.WideTempPath)),
           scenario.Options.SetupPath);
}

// Started by Explorer from a Hangul folder on that system: argument 0 as the ANSI calls
// give it holds question marks, so the short form of the program's path is passed on.
TEST_CASE(MediumInAHangulFolderStartedByItsWidePath) {
  CHECK_EQ(1252, GetACP());
  Scenario scenario = MakeScenario("hangul_medium", Payload());
  const std::wstring media = Wide(scenario.Root) + L"\\\xC124\xCE58";
  CreateDirectoryW(media.c_str(), nullptr);
  for (const wchar_t* name : {L"\\SETUP.EXE", L"\\N_SETUP.DRS"})
    CopyFileW((Wide(scenario.Media) + name).c_str(), (media + name).c_str(), FALSE);
  scenario.Options.WideSetupPath = media + L"\\SETUP.EXE";
  RunPlain(scenario, UpperCased(scenario.Temp), ShortPath(scenario.Options.WideSetupPath));
}

TEST_CASE(KoreanRunHandsOffAndCleansUp) {
  CHECK_EQ(949, GetOEMCP());
  CheckSuccessfulRun(1);
}

TEST_CASE(KoreanPortRepairThenDamagedArchive) {
  CHECK_EQ(949, GetOEMCP());
  CheckRepairAndDamagedArchive(1);
}

// ExitWindowsEx ends every windowed process of the Wine prefix: run this alone there.
TEST_CASE(YesLogsOffWithoutOpeningTheWindow) {
  WriteProfileStringA("ports", "COM1:", nullptr);
  Scenario scenario = MakeScenario("log_off", Payload());
  ScenarioWatch watch(scenario.Options);
  watch.Answers = {IDYES};
  const SetupRunRecord run = watch.Run();
  PrintRun(run);
  CHECK(run.Started && !run.TimedOut);
  CHECK_EQ(0, run.ExitCode);
  CHECK_EQ(1, run.Boxes.size());
  if (!run.Boxes.empty()) CheckBoxSeen(run.Boxes[0], RestartQuestion[0], false);
  CHECK(!run.WindowSeen);
  CHECK(!PathExists(scenario.WorkDir));
  CHECK(Port("COM1:") == "9600,n,8,1");
}

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: launcher_e2e SETUP.EXE N_SETUP.EXE WORK_DIR [CASE...]\n");
    return 2;
  }
  SetupPath = WindowsPath(argv[1]);
  DemoPath = WindowsPath(argv[2]);
  WorkRoot = WindowsPath(argv[3]);
  char module[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, module, MAX_PATH);
  StandInPath = std::string(module, std::strrchr(module, '\\') + 1) + "stand_in_setup.exe";
  CreateDirectoryA(WorkRoot.c_str(), nullptr);
  // The case names follow the work directory, which stands in for the program name.
  return RunAllTests(argc - 3, argv + 3);
}
