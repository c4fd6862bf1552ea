#include "check.h"

namespace {
TestCase* First = nullptr;
TestCase** Last = &First;
int FailuresInCase = 0;
} // namespace

void RegisterTest(TestCase* test) {
  *Last = test;
  Last = &test->Next;
}

void ReportFailure(const char* file, int line, const char* what) {
  ++FailuresInCase;
  std::printf("  %s:%d: failed: %s\n", file, line, what);
  std::fflush(stdout);
}

// With arguments, only the named cases run (handy while chasing one failure).
int RunAllTests(int argc, char** argv) {
  int passed = 0;
  int failed = 0;
  for (TestCase* test = First; test; test = test->Next) {
    if (argc > 1) {
      bool wanted = false;
      for (int i = 1; i < argc; ++i)
        wanted = wanted || std::strcmp(argv[i], test->Name) == 0;
      if (!wanted) continue;
    }
    FailuresInCase = 0;
    std::printf("[ RUN  ] %s\n", test->Name);
    std::fflush(stdout);
    test->Body();
    std::printf("[ %s ] %s\n", FailuresInCase ? "FAIL" : " OK ", test->Name);
    std::fflush(stdout);
    (FailuresInCase ? failed : passed) += 1;
  }
  std::printf("%d passed, %d failed\n", passed, failed);
  return failed ? 1 : 0;
}
