#ifndef QZ_BASE_SYSTEM_LIBRARY_H
#define QZ_BASE_SYSTEM_LIBRARY_H

#include <windows.h>

// Loads a library of the system folder by its file name ("comctl32.dll"), never one of
// the program's own folder, where a planted copy would be found first by the usual
// search. Where the system cannot restrict the search (no SetDefaultDllDirectories),
// it loads with LOAD_WITH_ALTERED_SEARCH_PATH, so that the libraries it needs in turn
// come from the system folder too. The library stays loaded for the rest of the process unless the caller frees
// it. NULL when the folder or the library cannot be had.
HMODULE QZ_LoadSystemLibrary(const char* cszFileName);

// Makes the process look for libraries loaded by bare name (and for the libraries
// those load in turn) in the system folder only, not in the program's folder or the
// current directory: SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where the
// system has it, else SetDllDirectoryA(""), which drops the current directory only
// (QZ_LoadSystemLibrary then covers the libraries the system ones load).
// Returns 1 when the search is restricted; 0 after a check line with the last error.
int QZ_RestrictLibrarySearch();

// Looks up a function of a loaded library and stores it, cast to the caller's type, in
// rpfnFunction. Returns 0 (and stores NULL) when the library has no such function.
template <typename T>
int QZ_ResolveFunction(HMODULE hModule, const char* cszName, T& rpfnFunction)
{
    rpfnFunction = reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(hModule, cszName)));
    return rpfnFunction != NULL;
}

#endif  // QZ_BASE_SYSTEM_LIBRARY_H
