// A small test harness for the Windows test programs. Each program registers its
// cases with TEST_CASE and calls RunAllTests from main; ctest sees one test per
// program, and the closing line counts the cases ("N passed, N failed").
#pragma once

#include <cstdio>
#include <cstring>

struct TestCase {
  const char* Name;
  void (*Body)();
  TestCase* Next;
};

void RegisterTest(TestCase* test);
void ReportFailure(const char* file, int line, const char* what);
int RunAllTests(int argc, char** argv);

#define TEST_CASE(name)                                                                            \
  static void name();                                                                              \
  static TestCase name##Case{#name, name, nullptr};                                                \
  static const int name##Registered = (RegisterTest(&name##Case), 0);                              \
  static void name()

#define CHECK(condition)                                                                           \
  do {                                                                                             \
    if (!(condition)) ReportFailure(__FILE__, __LINE__, #condition);                               \
  } while (0)

#define CHECK_EQ(expected, actual)                                                                 \
  do {                                                                                             \
    const long long checkExpected = static_cast<long long>(expected);                              \
    const long long checkActual = static_cast<long long>(actual);                                  \
    if (checkExpected != checkActual) {                                                            \
      char checkText[256];                                                                         \
      std::snprintf(checkText, sizeof checkText, "%s == %s (%lld != %lld)", #expected, #actual,    \
                    checkExpected, checkActual);                                                   \
      ReportFailure(__FILE__, __LINE__, checkText);                                                \
    }                                                                                              \
  } while (0)

#define CHECK_STR(expected, actual)                                                                \
  do {                                                                                             \
    const char* checkExpected = (expected);                                                        \
    const char* checkActual = (actual);                                                            \
    if (std::strcmp(checkExpected, checkActual) != 0) {                                            \
      char checkText[768];                                                                         \
      std::snprintf(checkText, sizeof checkText, "%s == %s (\"%s\" != \"%s\")", #expected,         \
                    #actual, checkExpected, checkActual);                                          \
      ReportFailure(__FILE__, __LINE__, checkText);                                                \
    }                                                                                              \
  } while (0)
