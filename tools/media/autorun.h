// AUTORUN.INF, which makes Windows start SETUP.EXE when the CD goes in and shows the
// medium with SETUP.EXE's icon and its label.
#pragma once

#include <string>

// The file drs writes: [autorun] with open=SETUP.EXE, icon=SETUP.EXE,0 and label=`label`,
// CRLF line ends as Windows 95 reads them.
std::string AutorunText(const std::string& label);

// Whether `text` is one that drs wrote, whatever its label: such a file is drs's to
// rewrite or leave out; any other AUTORUN.INF is the user's and stays as it is.
bool IsOwnAutorun(const std::string& text);
