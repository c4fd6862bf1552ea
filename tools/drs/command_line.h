// The command line of drs, read by CLI11: each command describes its options and
// operands once, on its own CLI::App, and those descriptions make the usage lines, the
// usage errors, `--help` and (through help2man) the manual page.
#pragma once

#include <CLI/CLI.hpp>

#include <functional>
#include <stdexcept>
#include <string>

// What a command does once its words are read into the state it bound its options to.
using CommandWork = std::function<int()>;

// Each adds its command to `drs`, its options bound to state of its own, and returns
// the work that runs on that state when the command is the one given.
CommandWork DefineListCommand(CLI::App& drs);
CommandWork DefineVerifyCommand(CLI::App& drs);
CommandWork DefineUnpackCommand(CLI::App& drs);
CommandWork DefinePackCommand(CLI::App& drs);
CommandWork DefineMediaCommand(CLI::App& drs);
#ifndef _WIN32
CommandWork DefineTryCommand(CLI::App& drs); // Wine runs on Linux only
#endif

// A mistake in the words given that the parser cannot see (a value out of place, say):
// reported like the parser's findings, as "drs COMMAND: what" with the usage line, and
// exit code 2.
class UsageMistake : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// A value out of a fixed set, refused as "is 95, 98, nt4 or 10, not 2000"; with the set
// as the value's name in the usage, "95|98|nt4|10".
CLI::Option* OneOf(CLI::Option* option, const std::vector<std::string>& values);

// `--codepage 1252|949` on `command`, the code pages whose names drs converts; `codePage` keeps 0
// (plain ASCII) when it is absent.
CLI::Option* AddCodePageOption(CLI::App& command, int& codePage, const std::string& meaning);

// An operand or option value naming a file to write: "-" (standard output for many
// tools) is refused, so that no file named "-" appears by mistake.
CLI::Validator WrittenFileName();
