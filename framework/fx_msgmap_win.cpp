#include "framework/fx_msgmap.h"

const AFX_MSGMAP* CCmdTarget::GetThisMessageMap()
{
    static const AFX_MSGMAP_ENTRY s_MessageEntries[] = { { 0, 0, 0, nullptr } };
    static const AFX_MSGMAP s_MessageMap = { nullptr, &s_MessageEntries[0] };
    return &s_MessageMap;
}

const AFX_MSGMAP* CCmdTarget::GetMessageMap() const
{
    return GetThisMessageMap();
}

const AFX_MSGMAP_ENTRY* CCmdTarget::FindMessageEntry(UINT nMessage, WPARAM wParam) const
{
    for (const AFX_MSGMAP* pMap = GetMessageMap(); pMap;
         pMap = pMap->pfnGetBaseMap ? pMap->pfnGetBaseMap() : nullptr)
    {
        for (const AFX_MSGMAP_ENTRY* pEntry = pMap->lpEntries; pEntry->pfnHandler; ++pEntry)
        {
            if (pEntry->nMessage != nMessage)
                continue;
            if (nMessage == WM_COMMAND &&
                (pEntry->nCode != HIWORD(wParam) || pEntry->nID != LOWORD(wParam)))
                continue;
            return pEntry;
        }
    }
    return nullptr;
}
