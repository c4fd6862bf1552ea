// The pieces of JSON that `list --json` and `verify --json` write.
#pragma once

#include <string>

// `text` (UTF-8) as a JSON string, quotes included.
std::string JsonString(const std::string& text);

// "true" or "false".
const char* JsonBool(bool value);
