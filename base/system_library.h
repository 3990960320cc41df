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

// Loads cszLibrary from the system folder (QZ_LoadSystemLibrary) and resolves each of
// the nCount names into the matching slot of ppfnFunctions. Returns 1 when every one is
// there; else 0, with every slot NULL and the library freed.
int QZ_LoadSystemFunctions(const char* cszLibrary, const char* const* ppszNames, void** ppfnFunctions, int nCount);

// The functions a caller uses from one system library: a struct of function pointers
// (TFunctions) and their names in the same order, loaded once, by the first caller
// (others wait for it), and kept for the rest of the process. NULL when the library or
// one of the functions is missing; every later call answers the same.
template <typename TFunctions, int N>
TFunctions* QZ_GetSystemFunctions(const char* cszLibrary, const char* const (&apszNames)[N])
{
    static_assert(sizeof(TFunctions) == N * sizeof(void*), "one name for each function of the table");
    static TFunctions s_Functions;
    static const int s_nLoaded = QZ_LoadSystemFunctions(cszLibrary, apszNames, (void**)&s_Functions, N);
    return s_nLoaded ? &s_Functions : NULL;
}

// Looks up a function of a loaded library and stores it, cast to the caller's type, in
// rpfnFunction. Returns 0 (and stores NULL) when the library has no such function.
template <typename T>
int QZ_ResolveFunction(HMODULE hModule, const char* cszName, T& rpfnFunction)
{
    rpfnFunction = reinterpret_cast<T>(reinterpret_cast<void*>(::GetProcAddress(hModule, cszName)));
    return rpfnFunction != NULL;
}

#endif  // QZ_BASE_SYSTEM_LIBRARY_H
