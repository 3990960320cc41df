// Redirects a function the test program imports from a DLL, so a test can record the
// arguments the code under test passes to the platform and still call the real thing.
#ifndef QZ_TESTS_SUPPORT_IAT_HOOK_H
#define QZ_TESTS_SUPPORT_IAT_HOOK_H

// Replaces the test program's import of cszFunction from cszDll (names compared as the
// loader does: the DLL without regard to case) by pfnNew. Returns the address it
// replaced, or nullptr when the program does not import that function by name. Call
// again with the returned address to undo.
void* QZ_HookImport(const char* cszDll, const char* cszFunction, void* pfnNew);

#endif  // QZ_TESTS_SUPPORT_IAT_HOOK_H
