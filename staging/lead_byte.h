#pragma once

// Whether `byte` opens a double-byte character in the system's ANSI code page, the
// code page of the temporary path and of the archive's texts on this machine.
bool IsLeadByte(unsigned char byte);
