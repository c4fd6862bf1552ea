#include "autorun.h"

#include "medium_files.h"

namespace {

std::string Head() {
  return std::string("[autorun]\r\nopen=") + BootstrapFileName + "\r\nicon=" + BootstrapFileName +
         ",0\r\nlabel=";
}

} // namespace

std::string AutorunText(const std::string& label) {
  return Head() + label + "\r\n";
}

bool IsOwnAutorun(const std::string& text) {
  const std::string head = Head();
  if (text.compare(0, head.size(), head) != 0 || text.size() < head.size() + 2) return false;
  const std::string label = text.substr(head.size(), text.size() - head.size() - 2);
  return AutorunText(label) == text && label.find_first_of("\r\n") == std::string::npos;
}
