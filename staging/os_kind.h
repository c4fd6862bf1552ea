#pragma once

// 0 not classified, 1 Win32s, 2 Windows 95, 3 Windows 95 with a service release,
// 4 Windows 98, 5 Windows NT 3, 6 Windows NT 4 and later.
int ClassifyOs();

// From 5 on the system is of the NT family, which gets no ".DL_" entries.
inline constexpr int FirstNtOsKind = 5;
