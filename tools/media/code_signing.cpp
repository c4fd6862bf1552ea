#include "code_signing.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "pending_changes.h"
#include "run_tool.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// The signer's certificate is read out into a folder only this user can enter, which goes
// with it, also on a signal.
const char SigningFolderName[] = "drs-sign";

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

// How each tool gets the password: never on a command line, which every user can list.
// On Linux from a pipe of its own, which the tool finds open (openssl's fd:N,
// osslsigncode's /dev/fd/N): the password never touches the disk, so no signal, not even
// one that cannot be caught, leaves it behind. Elsewhere from a file in the signing
// folder, which only this user may read.
class PasswordHandOver {
public:
  PasswordHandOver(const SigningKey& key, const TemporaryFolder& folder)
      : Password_(Password(key)) {
#ifdef _WIN32
    File_ = folder.Path() / "password";
    std::ofstream file(File_, std::ios::binary);
    fs::permissions(File_, fs::perms::owner_read | fs::perms::owner_write,
                    fs::perm_options::replace);
    file << Password_;
    if (!file.flush())
      throw std::runtime_error("the password cannot be handed to the signing tools");
#else
    (void)folder;
#endif
  }
  ~PasswordHandOver() {
#ifndef _WIN32
    for (int end : Pipes_)
      close(end);
#endif
  }
  PasswordHandOver(const PasswordHandOver&) = delete;
  PasswordHandOver& operator=(const PasswordHandOver&) = delete;

  // For one tool: openssl's -passin, or a file name for osslsigncode's -readpass.
  std::string ForOpenssl() {
    return Source(true);
  }
  std::string ForOsslsigncode() {
    return Source(false);
  }

private:
  std::string Source(bool openssl) {
#ifdef _WIN32
    return (openssl ? "file:" : "") + File_.string();
#else
    int ends[2];
    if (pipe(ends) != 0)
      throw std::runtime_error("the password cannot be handed to the signing tools");
    Pipes_.push_back(ends[0]);
    // Written whole before the tool starts: a pipe holds far more than a password.
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    const bool written = write(ends[1], Password_.data(), Password_.size()) ==
                         static_cast<ssize_t>(Password_.size());
    close(ends[1]);
    if (!written) throw std::runtime_error("the password is too long for the signing tools");
    return (openssl ? "fd:" : "/dev/fd/") + std::to_string(ends[0]);
#endif
  }

  const std::string Password_;
#ifdef _WIN32
  fs::path File_;
#else
  std::vector<int> Pipes_;
#endif
};

// Reads the signer's certificate out of the PKCS#12 file, and refuses one that cannot be
// used, with the reason.
void CheckCertificate(const SigningKey& key, PasswordHandOver& password, const fs::path& folder) {
  const std::string p12 = key.Pkcs12.string();
  if (!std::ifstream(key.Pkcs12, std::ios::binary))
    throw std::runtime_error(p12 + ": the certificate file cannot be read");
  const fs::path certificate = folder / "signer.pem";
  std::vector<std::string> extract = {"openssl", "pkcs12",
                                      "-in",     p12,
                                      "-passin", password.ForOpenssl(),
                                      "-nokeys", "-clcerts",
                                      "-out",    certificate.string()};
  std::string output;
  int status = RunPackagedTool(extract, "openssl", &output);
  // Files made by older tools use ciphers that OpenSSL 3 keeps in its legacy provider.
  if (status != 0 && Says(output, "unsupported")) {
    extract[5] = password.ForOpenssl();
    extract.push_back("-legacy");
    status = RunPackagedTool(extract, "openssl", &output);
  }
  if (status != 0) {
    if (Says(output, "password")) throw std::runtime_error(p12 + ": wrong password");
    if (Says(output, "asn1") || Says(output, "PKCS12"))
      throw std::runtime_error(p12 + " is not a PKCS#12 certificate file (.p12, .pfx)");
    throw std::runtime_error(p12 + ": the certificate cannot be read: " + FirstLine(output));
  }
  status = RunPackagedTool(
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

struct CodeSigner::Session {
  explicit Session(const SigningKey& key)
      : Key(key), Folder(SigningFolderName), Password(key, Folder) {}
  const SigningKey Key;
  const TemporaryFolder Folder;
  PasswordHandOver Password;
};

CodeSigner::CodeSigner(const SigningKey& key) : Session_(std::make_unique<Session>(key)) {
  CheckCertificate(key, Session_->Password, Session_->Folder.Path());
}

CodeSigner::~CodeSigner() = default;

void CodeSigner::Sign(const fs::path& setup, const fs::path& output) {
  const SigningKey& key = Session_->Key;
  std::vector<std::string> sign = {"osslsigncode", "sign",
                                   "-pkcs12",      key.Pkcs12.string(),
                                   "-readpass",    Session_->Password.ForOsslsigncode(),
                                   "-h",           "sha256"};
  if (!key.TimestampUrl.empty()) sign.insert(sign.end(), {"-ts", key.TimestampUrl});
  sign.insert(sign.end(), {"-in", setup.string(), "-out", output.string()});
  std::string said;
  if (RunPackagedTool(sign, "osslsigncode", &said) != 0)
    throw std::runtime_error("osslsigncode could not sign " + setup.string() + ": " +
                             FirstLine(said));
}
