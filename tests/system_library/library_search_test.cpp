// Loading system libraries: by full path from the system folder, and the launcher's
// start-up restriction of the library search, in a process of its own (the
// restriction lasts for the rest of the process).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/system_library.h"

namespace
{

// The libraries loaded on first use (bcrypt here, WinINet and the common controls
// elsewhere) come from the system folder only: a file of the same name planted beside
// the program is never the one loaded. (Before the search is restricted below, so that
// only the full path keeps the planted copy out.)
TEST(SystemLibrary, PlantedCopyBesideTheProgramIsIgnored)
{
    char szProgram[MAX_PATH] = "";
    ASSERT_GT(::GetModuleFileNameA(NULL, szProgram, MAX_PATH), 0u);
    std::string strPlanted = szProgram;
    strPlanted = strPlanted.substr(0, strPlanted.find_last_of('\\') + 1) + "msimg32.dll";
    FILE* fpPlanted = fopen(strPlanted.c_str(), "wb");
    ASSERT_TRUE(fpPlanted != NULL);
    fputs("not a library", fpPlanted);
    fclose(fpPlanted);

    HMODULE hModule = QZ_LoadSystemLibrary("msimg32.dll");
    char szLoaded[MAX_PATH] = "";
    if (hModule)
        ::GetModuleFileNameA(hModule, szLoaded, MAX_PATH);
    remove(strPlanted.c_str());

    char szSystem[MAX_PATH] = "";
    ASSERT_GT(::GetSystemDirectoryA(szSystem, MAX_PATH), 0u);
    ASSERT_TRUE(hModule != NULL);
    EXPECT_EQ(0, _strnicmp(szLoaded, szSystem, strlen(szSystem))) << szLoaded;

    EXPECT_TRUE(QZ_LoadSystemLibrary("") == NULL);
    EXPECT_TRUE(QZ_LoadSystemLibrary(std::string(MAX_PATH, 'a').c_str()) == NULL);

    // A table with one function the library lacks is no table at all: no caller may
    // go on with the functions that were found.
    const char* const apszNames[] = { "GetTickCount", "QZ_NoSuchFunction" };
    void* apfnFunctions[2] = { (void*)1, (void*)1 };
    EXPECT_EQ(0, QZ_LoadSystemFunctions("kernel32.dll", apszNames, apfnFunctions, 2));
    EXPECT_TRUE(apfnFunctions[0] == NULL && apfnFunctions[1] == NULL);
    EXPECT_EQ(1, QZ_LoadSystemFunctions("kernel32.dll", apszNames, apfnFunctions, 1));
    EXPECT_TRUE(apfnFunctions[0] != NULL);
}

// qz_planted.dll lies beside this program. The default search finds it there; once the
// search is restricted, a library asked for by bare name comes from the system folder
// or not at all.
TEST(LibrarySearch, APlantedLibraryBesideTheProgramIsNotLoadedOnceRestricted)
{
    HMODULE hPlanted = LoadLibraryA("qz_planted.dll");
    ASSERT_TRUE(hPlanted != NULL) << "the default search does not find the planted library, error "
                                  << GetLastError();
    FreeLibrary(hPlanted);
    ASSERT_TRUE(GetModuleHandleA("qz_planted.dll") == NULL) << "the planted library stayed loaded";

    ASSERT_EQ(1, QZ_RestrictLibrarySearch());

    hPlanted = LoadLibraryA("qz_planted.dll");
    DWORD dwLastError = GetLastError();
    EXPECT_TRUE(hPlanted == NULL);
    EXPECT_EQ((DWORD)ERROR_MOD_NOT_FOUND, dwLastError);
    EXPECT_TRUE(LoadLibraryA("version.dll") != NULL) << "a system library is no longer found, error "
                                                     << GetLastError();
}

}  // namespace
