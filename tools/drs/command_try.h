// drs try: what a medium does on the systems it is made for, seen from Linux under Wine.
#pragma once

#include <string>

struct TryRequest {
  std::string Medium;
  std::string Windows = "98"; // 95, 98, nt4 or 10
  int CodePage = 1252;        // 1252, 949, 932 or 950
  int TimeoutSeconds = 120;
  std::string Screenshot; // empty: none
  std::string Watcher;    // empty: the one installed with drs
  bool Keep = false;
  bool All = false; // every family and code page, one table
};

// Runs the request and prints the report (or the table). Exit code: 0 when the setup
// program was started (in every run), 1 otherwise or when the medium cannot be tried.
int TryCommand(const TryRequest& request);
