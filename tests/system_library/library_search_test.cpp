// The launcher's start-up restriction of the library search, in a process of its own
// (the restriction lasts for the rest of the process).
#include <gtest/gtest.h>

#include <windows.h>

#include "base/system_library.h"

namespace
{

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
