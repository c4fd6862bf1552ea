// Replaces a function that the test program imports from a system DLL, by patching
// the program's own import table. The product code linked into the test program then
// calls the replacement: the tests observe or steer platform calls (SetFileTime,
// MessageBoxA, GetVersionExA, GetTempPathA, ...) without any seam in the product.
#pragma once

// Returns the original function, or nullptr when the program does not import it.
void* HookImport(const char* dllName, const char* functionName, void* replacement);

// Installs a hook for the lifetime of a scope.
class ScopedImportHook {
public:
  ScopedImportHook(const char* dllName, const char* functionName, void* replacement)
      : Dll(dllName), Function(functionName),
        Original(HookImport(dllName, functionName, replacement)) {}
  ~ScopedImportHook() {
    if (Original) HookImport(Dll, Function, Original);
  }
  ScopedImportHook(const ScopedImportHook&) = delete;
  ScopedImportHook& operator=(const ScopedImportHook&) = delete;
  template <typename F> F original() const { return reinterpret_cast<F>(Original); }
  bool installed() const { return Original != nullptr; }

private:
  const char* Dll;
  const char* Function;
  void* Original;
};
