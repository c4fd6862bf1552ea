// Reading the command line, and telling people how to write one: usage errors that
// name what is wrong, `drs --help`, `drs COMMAND --help` and `drs --version`. Every
// text about an option or operand is the one its command gave CLI11; the manual page
// is made from `--help` and `--version` at build time, so this is its only source too.
#include "command_line.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <vector>

#include "commands.h"
#include "tools/windows_systems/windows_systems.h"

namespace {

CommandWork (*const Definitions[])(CLI::App&) = {
    DefineListCommand, DefineVerifyCommand, DefineUnpackCommand,
    DefinePackCommand, DefineMediaCommand,
#ifndef _WIN32
    DefineTryCommand,
#endif
};

const char Description[] =
    "Makes and inspects N_SETUP.DRS, the archive that the setup bootstrap SETUP.EXE unpacks, "
    "makes installation media from a folder of installer files, and tries them under Wine.";

const char ExitStatus[] = "0 done, 1 refused or damaged (with a message on standard error), 2 "
                          "usage error (what is wrong and the command's usage, on standard "
                          "error).";

// Prints `text` after `lead` in lines of at most 79 columns, the lines after the first
// indented to the width of `lead`.
void PrintWrapped(const std::string& lead, const std::string& text) {
  std::string line = lead;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    const std::string word = text.substr(start, end - start);
    if (line.size() > lead.size() && line.size() + 1 + word.size() > 79) {
      std::puts(line.c_str());
      line = std::string(lead.size(), ' ');
    }
    line += (line.size() > lead.size() ? " " : "") + word;
    start = end + 1;
  }
  std::puts(line.c_str());
}

bool TakesValue(const CLI::Option& option) {
  return option.get_expected_min() > 0;
}

// "-o ARCHIVE", "--nt", "DIR": how an option or operand is written.
std::string Written(const CLI::Option& option) {
  if (option.get_positional() && !option.nonpositional()) return option.get_name(true);
  std::string names;
  for (const std::string& name : option.get_snames())
    names += (names.empty() ? "-" : ", -") + name;
  for (const std::string& name : option.get_lnames())
    names += (names.empty() ? "--" : ", --") + name;
  return TakesValue(option) ? names + " " + option.get_type_name() : names;
}

bool IsHelp(const CLI::App& command, const CLI::Option& option) {
  return &option == command.get_help_ptr();
}

// "drs pack -o ARCHIVE [--codepage 1252|949] [-q] DIR": the options in the order the
// command gave them, then its operands.
std::string UsageLine(const CLI::App& command) {
  std::string line = "drs " + command.get_name();
  std::vector<const CLI::Option*> options = command.get_options();
  std::stable_partition(options.begin(), options.end(),
                        [](const CLI::Option* option) { return option->nonpositional(); });
  for (const CLI::Option* option : options) {
    if (IsHelp(command, *option)) continue;
    const std::string written = Written(*option);
    line += " " + (option->get_required() ? written : "[" + written + "]");
  }
  return line;
}

std::vector<const CLI::App*> CommandsOf(const CLI::App& drs) {
  std::vector<const CLI::App*> commands;
  for (const CLI::App* command : drs.get_subcommands([](const CLI::App*) { return true; }))
    commands.push_back(command);
  return commands;
}

void PrintOptionLines(const std::vector<std::pair<std::string, std::string>>& lines) {
  std::puts("Options:");
  char lead[32];
  for (const auto& [written, meaning] : lines) {
    // An option too wide for its column has a line of its own, the meaning beneath.
    if (written.size() > 20) std::printf("  %s\n", written.c_str());
    std::snprintf(lead, sizeof lead, "  %-21s", written.size() > 20 ? "" : written.c_str());
    PrintWrapped(lead, meaning);
  }
}

void PrintCommandHelp(const CLI::App& command) {
  std::printf("Usage: %s\n", UsageLine(command).c_str());
  std::string summary = command.get_description() + ".";
  summary[0] = static_cast<char>(summary[0] - 'a' + 'A');
  PrintWrapped("", summary);
  std::puts("");
  std::vector<std::pair<std::string, std::string>> lines;
  for (const CLI::Option* option : command.get_options())
    if (option->nonpositional() && !IsHelp(command, *option))
      lines.emplace_back(Written(*option), option->get_description());
  lines.emplace_back(Written(*command.get_help_ptr()), "this help");
  PrintOptionLines(lines);
  // The examples the command gave as its footer (the manual page has its own, drs.h2m).
  if (!command.get_footer().empty()) std::printf("\nExamples:\n%s", command.get_footer().c_str());
  std::puts("");
  PrintWrapped("", std::string("Exit status: ") + ExitStatus);
}

// The whole of drs: every command's usage and summary, then every option once, with the
// commands that take it (an option two commands describe alike is one line).
void PrintGeneralHelp(const CLI::App& drs) {
  const char* lead = "Usage:";
  for (const CLI::App* command : CommandsOf(drs)) {
    std::printf("%s %s\n", lead, UsageLine(*command).c_str());
    lead = "  or: ";
  }
  std::printf("%s drs --help | --version\n", lead);
  PrintWrapped("", Description);
  std::puts("\nCommands:");
  char name[16];
  for (const CLI::App* command : CommandsOf(drs)) {
    std::snprintf(name, sizeof name, "  %-8s", command->get_name().c_str());
    PrintWrapped(name, command->get_description());
  }
  std::puts("");
  std::vector<std::pair<std::string, std::string>> keys;
  std::map<std::pair<std::string, std::string>, std::string> takers;
  for (const CLI::App* command : CommandsOf(drs))
    for (const CLI::Option* option : command->get_options()) {
      if (!option->nonpositional() || IsHelp(*command, *option)) continue;
      const auto key = std::make_pair(Written(*option), option->get_description());
      std::string& names = takers[key];
      if (names.empty()) keys.push_back(key);
      names += (names.empty() ? "" : ", ") + command->get_name();
    }
  std::vector<std::pair<std::string, std::string>> lines;
  for (const auto& key : keys)
    lines.emplace_back(key.first, takers[key] + ": " + key.second);
  for (const CLI::Option* option : drs.get_options())
    lines.emplace_back(Written(*option), IsHelp(drs, *option)
                                             ? "this help; after a command, that command's help"
                                             : option->get_description());
  PrintOptionLines(lines);
  std::puts("");
  PrintWrapped("", std::string("Exit status: ") + ExitStatus);
}

// "drs pack: -o ARCHIVE is required" and the command's usage line on standard error.
int UsageError(const CLI::App& drs, const CLI::App* command, const std::string& what) {
  if (command) {
    std::fprintf(stderr, "drs %s: %s\nusage: %s\n", command->get_name().c_str(), what.c_str(),
                 UsageLine(*command).c_str());
  } else {
    std::string names;
    for (const CLI::App* each : CommandsOf(drs))
      names += (names.empty() ? "" : "|") + each->get_name();
    std::fprintf(stderr, "drs: %s\nusage: drs %s ... (drs --help tells more)\n", what.c_str(),
                 names.c_str());
  }
  return 2;
}

// The parser's finding in words of our own: what is missing, unknown or out of place.
std::string Mistake(const CLI::App& drs, CLI::App& command, const CLI::ParseError& error) {
  const bool top = &command == &drs;
  if (dynamic_cast<const CLI::RequiredError*>(&error)) {
    for (const CLI::Option* option : command.get_options())
      if (option->get_required() && option->count() == 0) return Written(*option) + " is required";
  }
  if (dynamic_cast<const CLI::ExtrasError*>(&error)) {
    for (const std::string& word : command.remaining()) {
      if (word == "--") continue;
      if (word.size() > 1 && word[0] == '-') return "unknown option " + word;
      return top ? word + " is not a command" : "unexpected operand " + word;
    }
  }
  // The parser names the option first, before a colon.
  const std::string what = error.what();
  const std::string name = what.substr(0, what.find(':'));
  const CLI::Option* option = command.get_option_no_throw(name);
  if (option && dynamic_cast<const CLI::ValidationError*>(&error))
    return name + " " + what.substr(std::min(what.size(), name.size() + 2));
  if (option && dynamic_cast<const CLI::ArgumentMismatch*>(&error))
    return option->count() > 1 ? name + " is given more than once"
                               : name + " needs its " + option->get_type_name();
  return what;
}

} // namespace

CLI::Option* OneOf(CLI::Option* option, const std::vector<std::string>& values) {
  std::string named, typeName;
  for (size_t i = 0; i < values.size(); ++i) {
    named += (i == 0 ? "" : i + 1 == values.size() ? " or " : ", ") + values[i];
    typeName += (i == 0 ? "" : "|") + values[i];
  }
  return option->type_name(typeName)->check(CLI::Validator(
      [values, named](std::string& value) {
        for (const std::string& allowed : values)
          if (value == allowed) return std::string();
        return "is " + named + ", not " + value;
      },
      ""));
}

CLI::Option* AddCodePageOption(CLI::App& command, int& codePage, const std::string& meaning) {
  return OneOf(command.add_option("--codepage", codePage, meaning), CodePageNumbers(true));
}

CLI::Validator WrittenFileName() {
  return CLI::Validator(
      [](std::string& value) {
        return value == "-" ? std::string("names a file; drs writes nothing to standard output")
                            : std::string();
      },
      "");
}

int RunDrs(const Arguments& words) {
  CLI::App drs(Description, "drs");
  // The same words mean the same on Linux and Windows: a path such as /q stays a path.
  drs.allow_windows_style_options(false);
  drs.set_help_flag("-h,--help");
  bool version = false;
  drs.add_flag("--version", version, "the version of drs");
  drs.require_subcommand(0, 1);
  std::map<const CLI::App*, CommandWork> works;
  for (const auto define : Definitions) {
    CommandWork work = define(drs);
    works[CommandsOf(drs).back()] = std::move(work);
  }

  std::vector<std::string> reversed(words.rbegin(), words.rend());
  auto active = [&drs]() -> CLI::App& {
    const std::vector<CLI::App*> given = drs.get_subcommands();
    return given.empty() ? drs : *given.back();
  };
  auto usageError = [&](const std::string& what) {
    CLI::App& command = active();
    return UsageError(drs, &command == &drs ? nullptr : &command, what);
  };
  try {
    drs.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    for (const std::string& word : drs.remaining())
      return usageError(word + " is not a command");
    CLI::App& command = active();
    if (&command == &drs)
      PrintGeneralHelp(drs);
    else
      PrintCommandHelp(command);
    return 0;
  } catch (const CLI::ParseError& error) {
    return usageError(Mistake(drs, active(), error));
  }

  if (version) {
    if (&active() != &drs) return usageError("--version goes alone");
    std::printf("drs (Nuvik setup tools) %s\n", NUVIK_VERSION);
    return 0;
  }
  if (&active() == &drs) return usageError("no command given");
  try {
    return works[&active()]();
  } catch (const UsageMistake& mistake) {
    return usageError(mistake.what());
  } catch (const std::filesystem::filesystem_error& error) {
    // The library's own wording ("filesystem error: ...") is not for people.
    std::fprintf(stderr, "drs: %s: %s\n", error.path1().string().c_str(),
                 error.code().message().c_str());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "drs: %s\n", error.what());
    return 1;
  }
}

static int RunNamed(const char* name, const Arguments& arguments) {
  Arguments words = {name};
  words.insert(words.end(), arguments.begin(), arguments.end());
  return RunDrs(words);
}

int VerifyCommand(const Arguments& arguments) {
  return RunNamed("verify", arguments);
}
int UnpackCommand(const Arguments& arguments) {
  return RunNamed("unpack", arguments);
}
