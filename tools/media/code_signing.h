// An Authenticode signature on SETUP.EXE, so that a downloaded medium passes the
// system's reputation check. The work is osslsigncode's; the certificate is checked
// first with openssl, so that a refusal says what is wrong with it.
#pragma once

#include <filesystem>
#include <string>

struct SigningKey {
  std::filesystem::path Pkcs12;       // the certificate with its private key (.p12 / .pfx)
  std::filesystem::path PasswordFile; // its first line is the password; empty: DRS_SIGN_PASSWORD
  std::string TimestampUrl;           // an RFC 3161 time-stamping service; empty: none
};

// Checks the password and the certificate as SignSetup does, without signing: a
// refusal comes before any work that signing would end.
void CheckSigningKey(const SigningKey& key);

// Signs `setup` into `output` (SHA-256). Throws std::runtime_error with the reason, before
// anything is written, when there is no password, the certificate file cannot be read or
// is not PKCS#12, the password is wrong or the certificate has expired; and when
// osslsigncode fails.
void SignSetup(const std::filesystem::path& setup, const std::filesystem::path& output,
               const SigningKey& key);
