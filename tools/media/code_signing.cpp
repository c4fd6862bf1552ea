#include "code_signing.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "pending_changes.h"
#include "run_tool.h"

namespace fs = std::filesystem;

namespace {

// The password goes to the tools in a file that only this user can read, never on a
// command line that every user can list; its folder goes with it, also on a signal.
const char PasswordFolderName[] = "drs-sign";

std::string Password(const SigningKey& key) {
  if (key.PasswordFile.empty()) {
    const char* password = std::getenv("DRS_SIGN_PASSWORD");
    if (!password)
      throw std::runtime_error("signing needs the certificate's password: --sign-password-file "
                               "FILE, or the environment variable DRS_SIGN_PASSWORD");
    return password;
  }
  std::ifstream file(key.PasswordFile, std::ios::binary);
  std::string password;
  if (!file || !std::getline(file, password))
    throw std::runtime_error(key.PasswordFile.string() + ": the password file cannot be read");
  if (!password.empty() && password.back() == '\r') password.pop_back();
  return password;
}

// Runs a tool of the signing; -1 (not installed) is refused with the package to install.
int RunSigningTool(const std::vector<std::string>& command, const char* package,
                   std::string* output) {
  const int status = RunTool(command, output);
  if (status == -1)
    throw std::runtime_error(command[0] + " cannot be started: is it installed? (Debian package " +
                             package + ")");
  return status;
}

bool Says(const std::string& output, const char* text) {
  return output.find(text) != std::string::npos;
}

// The first line the tool said that is not one of OpenSSL's internal error traces.
std::string FirstLine(const std::string& output) {
  std::istringstream lines(output);
  for (std::string line; std::getline(lines, line);)
    if (line.find_first_not_of(" \r\t") != std::string::npos &&
        line.find(":error:") == std::string::npos)
      return line;
  return output.substr(0, output.find('\n'));
}

// Reads the signer's certificate out of the PKCS#12 file, and refuses one that cannot be
// used, with the reason.
void CheckCertificate(const SigningKey& key, const fs::path& passwordFile, const fs::path& folder) {
  const std::string p12 = key.Pkcs12.string();
  if (!std::ifstream(key.Pkcs12, std::ios::binary))
    throw std::runtime_error(p12 + ": the certificate file cannot be read");
  const fs::path certificate = folder / "signer.pem";
  std::vector<std::string> extract = {"openssl", "pkcs12",
                                      "-in",     p12,
                                      "-passin", "file:" + passwordFile.string(),
                                      "-nokeys", "-clcerts",
                                      "-out",    certificate.string()};
  std::string output;
  int status = RunSigningTool(extract, "openssl", &output);
  // Files made by older tools use ciphers that OpenSSL 3 keeps in its legacy provider.
  if (status != 0 && Says(output, "unsupported")) {
    extract.push_back("-legacy");
    status = RunSigningTool(extract, "openssl", &output);
  }
  if (status != 0) {
    if (Says(output, "password")) throw std::runtime_error(p12 + ": wrong password");
    if (Says(output, "asn1") || Says(output, "PKCS12"))
      throw std::runtime_error(p12 + " is not a PKCS#12 certificate file (.p12, .pfx)");
    throw std::runtime_error(p12 + ": the certificate cannot be read: " + FirstLine(output));
  }
  status = RunSigningTool(
      {"openssl", "x509", "-in", certificate.string(), "-noout", "-enddate", "-checkend", "0"},
      "openssl", &output);
  if (status != 0) {
    const size_t date = output.find("notAfter=");
    throw std::runtime_error(p12 + ": the certificate has expired" +
                             (date == std::string::npos
                                  ? std::string()
                                  : " (valid until " + FirstLine(output.substr(date + 9)) + ")"));
  }
}

} // namespace

namespace {

// The password in a file of the private folder, for the tools to read.
fs::path HandOverPassword(const SigningKey& key, const TemporaryFolder& folder) {
  const std::string password = Password(key);
  const fs::path passwordFile = folder.Path() / "password";
  std::ofstream file(passwordFile, std::ios::binary);
  fs::permissions(passwordFile, fs::perms::owner_read | fs::perms::owner_write,
                  fs::perm_options::replace);
  file << password;
  if (!file.flush()) throw std::runtime_error("the password cannot be handed to the signing tools");
  return passwordFile;
}

} // namespace

void CheckSigningKey(const SigningKey& key) {
  TemporaryFolder folder(PasswordFolderName);
  CheckCertificate(key, HandOverPassword(key, folder), folder.Path());
}

void SignSetup(const fs::path& setup, const fs::path& output, const SigningKey& key) {
  TemporaryFolder folder(PasswordFolderName);
  const fs::path passwordFile = HandOverPassword(key, folder);
  CheckCertificate(key, passwordFile, folder.Path());

  std::vector<std::string> sign = {
      "osslsigncode",        "sign", "-pkcs12", key.Pkcs12.string(), "-readpass",
      passwordFile.string(), "-h",   "sha256"};
  if (!key.TimestampUrl.empty()) sign.insert(sign.end(), {"-ts", key.TimestampUrl});
  sign.insert(sign.end(), {"-in", setup.string(), "-out", output.string()});
  std::string said;
  if (RunSigningTool(sign, "osslsigncode", &said) != 0)
    throw std::runtime_error("osslsigncode could not sign " + setup.string() + ": " +
                             FirstLine(said));
}
