// An Authenticode signature on SETUP.EXE, so that a downloaded medium passes the
// system's reputation check. The work is osslsigncode's; the certificate is checked
// first with openssl, so that a refusal says what is wrong with it.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

struct SigningKey {
  std::filesystem::path Pkcs12;       // the certificate with its private key (.p12 / .pfx)
  std::filesystem::path PasswordFile; // its first line is the password; empty: DRS_SIGN_PASSWORD
  std::string TimestampUrl;           // an RFC 3161 time-stamping service; empty: none
};

// Signing with one key, checked once, when the signer is made: the password is read and
// the certificate checked then, so that a refusal comes before any work that signing
// would end.
class CodeSigner {
public:
  // Throws std::runtime_error with the reason when there is no password, the certificate
  // file cannot be read or is not PKCS#12, the password is wrong or the certificate has
  // expired.
  explicit CodeSigner(const SigningKey& key);
  ~CodeSigner();
  CodeSigner(const CodeSigner&) = delete;
  CodeSigner& operator=(const CodeSigner&) = delete;

  // Signs `setup` into `output` (SHA-256); throws std::runtime_error when osslsigncode
  // fails.
  void Sign(const std::filesystem::path& setup, const std::filesystem::path& output);

private:
  struct Session;
  std::unique_ptr<Session> Session_;
};
