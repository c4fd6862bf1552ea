// Paths and files as the watcher's Windows side names them, and the texts it reads and
// writes whole.
#pragma once

#include <string>

// Wine hands Unix paths on as they are; the Windows side wants them on drive Z:.
std::string WindowsPath(std::string path);

std::string UpperCased(std::string text);
std::wstring Wide(const std::string& text); // from the ANSI code page
// The short form of an existing path, in the ANSI code page.
std::string ShortPath(const std::wstring& path);
bool PathExists(const std::string& path);
std::string ReadWholeFile(const std::string& path);
bool WriteWholeFile(const std::string& path, const std::string& bytes);
