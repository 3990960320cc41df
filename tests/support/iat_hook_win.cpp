#include "tests/support/iat_hook.h"

#include <windows.h>

#include <cstring>

void* QZ_HookImport(const char* cszDll, const char* cszFunction, void* pfnNew)
{
    BYTE* pbyBase = (BYTE*)GetModuleHandleA(NULL);
    IMAGE_DOS_HEADER* pDosHeader = (IMAGE_DOS_HEADER*)pbyBase;
    IMAGE_NT_HEADERS* pNtHeaders = (IMAGE_NT_HEADERS*)(pbyBase + pDosHeader->e_lfanew);
    IMAGE_DATA_DIRECTORY* pImports = &pNtHeaders->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (pImports->VirtualAddress == 0)
        return nullptr;

    for (IMAGE_IMPORT_DESCRIPTOR* pDescriptor = (IMAGE_IMPORT_DESCRIPTOR*)(pbyBase + pImports->VirtualAddress);
         pDescriptor->Name != 0; ++pDescriptor)
    {
        // The names are in the lookup table; the address table holds what the loader bound.
        if (_stricmp((const char*)(pbyBase + pDescriptor->Name), cszDll) != 0 || pDescriptor->OriginalFirstThunk == 0)
            continue;
        IMAGE_THUNK_DATA* pLookup = (IMAGE_THUNK_DATA*)(pbyBase + pDescriptor->OriginalFirstThunk);
        IMAGE_THUNK_DATA* pAddress = (IMAGE_THUNK_DATA*)(pbyBase + pDescriptor->FirstThunk);
        for (; pLookup->u1.AddressOfData != 0; ++pLookup, ++pAddress)
        {
            if (IMAGE_SNAP_BY_ORDINAL(pLookup->u1.Ordinal))
                continue;
            IMAGE_IMPORT_BY_NAME* pName = (IMAGE_IMPORT_BY_NAME*)(pbyBase + pLookup->u1.AddressOfData);
            if (strcmp((const char*)pName->Name, cszFunction) != 0)
                continue;

            DWORD dwOldProtect = 0;
            if (!VirtualProtect(&pAddress->u1.Function, sizeof(pAddress->u1.Function), PAGE_READWRITE, &dwOldProtect))
                return nullptr;
            void* pfnOld = (void*)pAddress->u1.Function;
            pAddress->u1.Function = (ULONG_PTR)pfnNew;
            VirtualProtect(&pAddress->u1.Function, sizeof(pAddress->u1.Function), dwOldProtect, &dwOldProtect);
            return pfnOld;
        }
    }
    return nullptr;
}
