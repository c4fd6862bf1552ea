#include "code_page.h"

#include <cstdio>
#include <cstring>

#include "format/rules.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace {

bool CanNameAFile(const std::string& text) {
  return CanCreateName(text.data(), text.data() + text.size(), nullptr);
}

bool IsAscii(const std::string& text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

#ifndef _WIN32

// iconv fails on a character without an exact form instead of guessing one.
std::optional<std::string> Convert(const std::string& text, const char* to, const char* from) {
  iconv_t converter = iconv_open(to, from);
  if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
  std::string input = text;
  std::string output(4 * text.size() + 4, '\0');
  char* in = input.data();
  size_t inLeft = input.size();
  char* out = output.data();
  size_t outLeft = output.size();
  const size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
  const bool flushed =
      iconv(converter, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
  iconv_close(converter);
  if (result == static_cast<size_t>(-1) || !flushed || inLeft != 0) return std::nullopt;
  output.resize(output.size() - outLeft);
  return output;
}

const char* IconvName(int codePage) {
  return codePage == 949 ? "CP949" : "CP1252";
}
#else
std::optional<std::wstring> Widen(const std::string& text, UINT codePage, DWORD flags) {
  if (text.empty()) return std::wstring();
  const int length =
      MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (length <= 0) return std::nullopt;
  std::wstring wide(length, L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), wide.data(),
                      length);
  return wide;
}
#endif

} // namespace

std::optional<std::string> ArchiveTextFromName(const std::filesystem::path& name, int codePage) {
  std::optional<std::string> text;
#ifdef _WIN32
  const std::wstring wide = name.native();
  if (codePage == 0) {
    std::string narrow;
    for (wchar_t c : wide) {
      if (c >= 0x80) return std::nullopt;
      narrow.push_back(static_cast<char>(c));
    }
    text = narrow;
  } else if (!wide.empty()) {
    BOOL usedDefault = FALSE;
    const int length =
        WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                            static_cast<int>(wide.size()), nullptr, 0, nullptr, &usedDefault);
    if (length <= 0 || usedDefault) return std::nullopt;
    std::string narrow(length, '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide.data(), static_cast<int>(wide.size()),
                        narrow.data(), length, nullptr, &usedDefault);
    // Only a name that reads back as itself is exact.
    if (usedDefault || Widen(narrow, codePage, MB_ERR_INVALID_CHARS) != wide) return std::nullopt;
    text = narrow;
  }
#else
  const std::string& bytes = name.native();
  if (codePage == 0) {
    if (!IsAscii(bytes)) return std::nullopt;
    text = bytes;
  } else {
    text = Convert(bytes, IconvName(codePage), "UTF-8");
  }
#endif
  if (!text || !CanNameAFile(*text)) return std::nullopt;
  return text;
}

std::string ReadableText(const std::string& text, int codePage) {
  bool plain = true;
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F) {
      plain = false;
      codePage = 0;
    }
    if (c >= 0x80) plain = false;
  }
  if (plain) return text;
  if (codePage != 0) {
#ifdef _WIN32
    if (const auto wide = Widen(text, codePage, MB_ERR_INVALID_CHARS)) {
      const int length = WideCharToMultiByte(
          CP_UTF8, 0, wide->data(), static_cast<int>(wide->size()), nullptr, 0, nullptr, nullptr);
      std::string utf8(length, '\0');
      WideCharToMultiByte(CP_UTF8, 0, wide->data(), static_cast<int>(wide->size()), utf8.data(),
                          length, nullptr, nullptr);
      return utf8;
    }
#else
    if (auto utf8 = Convert(text, "UTF-8", IconvName(codePage))) return *utf8;
#endif
  }
  std::string shown;
  char escaped[8];
  for (unsigned char c : text) {
    if (c >= 0x20 && c < 0x7F) {
      shown += static_cast<char>(c);
    } else {
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    }
  }
  return shown;
}

std::optional<std::filesystem::path> NameFromArchiveText(const std::string& text, int codePage) {
  if (codePage == 0 && !IsAscii(text)) return std::nullopt;
#ifdef _WIN32
  auto wide = Widen(text, codePage == 0 ? CP_ACP : codePage, MB_ERR_INVALID_CHARS);
  if (!wide) return std::nullopt;
  return std::filesystem::path(*wide);
#else
  if (codePage == 0) return std::filesystem::path(text);
  auto utf8 = Convert(text, "UTF-8", IconvName(codePage));
  if (!utf8) return std::nullopt;
  return std::filesystem::path(*utf8);
#endif
}

std::string ShownName(const std::filesystem::path& path) {
  std::string shown;
  char escaped[8];
  for (unsigned char c : path.string()) {
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      shown += escaped;
    } else {
      shown += static_cast<char>(c);
    }
  }
  return shown;
}
