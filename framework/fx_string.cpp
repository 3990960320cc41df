#include "framework/fx_string.h"

#include "base/text_compare.h"

int CString::CompareNoCase(const char* cszText) const
{
    return QZ_CompareNoCaseASCII(m_str.c_str(), cszText);
}
