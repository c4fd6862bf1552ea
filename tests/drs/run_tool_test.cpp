// The outside tools' runner: a tool that is not installed is refused with the Debian
// package that brings it, and what a tool said reaches a message on one line.
#include <gtest/gtest.h>

#include <stdexcept>

#include "run_tool.h"

namespace {

std::string Refusal(const std::vector<std::string>& command, const std::string& missing) {
  std::string output;
  try {
    if (missing.empty())
      RunPackagedTool(command, "nuvik-tools", &output);
    else
      RunPackagedTool(command, "nuvik-tools", &output, missing);
  } catch (const std::runtime_error& error) {
    return error.what();
  }
  return "";
}

TEST(RunTool, NamesThePackageOfAToolThatIsNotInstalled) {
  EXPECT_EQ(Refusal({"nuvik-no-such-tool", "--version"}, ""),
            "nuvik-no-such-tool cannot be started: is it installed? (Debian package nuvik-tools)");
  EXPECT_EQ(Refusal({"nuvik-no-such-tool"}, "is needed to read cd.iso"),
            "nuvik-no-such-tool is needed to read cd.iso (Debian package nuvik-tools)");
  // A tool that starts and fails is left to its caller.
  std::string output;
  EXPECT_EQ(RunPackagedTool({"sh", "-c", "echo said; exit 3"}, "dash", &output), 3);
  EXPECT_EQ(output, "said\n");
}

TEST(RunTool, PutsWhatAToolSaidOnOneLine) {
  EXPECT_EQ(OneLine(SaidLines("xorriso 1.5\n\n  \nFAILURE: no room\nlast")),
            "xorriso 1.5; FAILURE: no room; last");
  EXPECT_EQ(OneLine(SaidLines(" \n\t\n")), "");
}

} // namespace
