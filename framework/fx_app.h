// The application: CString, the framework's narrow string; the argument text of the
// command line; and CWinApp, the one application object.
#ifndef QZ_FRAMEWORK_FX_APP_H
#define QZ_FRAMEWORK_FX_APP_H

#include <windows.h>

#include <string>

#include "base/text_compare.h"
#include "framework/fx_wnd.h"

// A thin value type over std::string. A NULL text reads as empty. The framework's
// window texts are interface texts in code page 936; paths are UTF-8 (base/wide_text.h).
class CString
{
public:
    CString() {}
    CString(const char* cszText) : m_str(cszText ? cszText : "") {}

    friend CString operator+(const CString& strLeft, const CString& strRight)
    {
        return CString((strLeft.m_str + strRight.m_str).c_str());
    }

    operator const char*() const { return m_str.c_str(); }
    const char* GetString() const { return m_str.c_str(); }
    int GetLength() const { return (int)m_str.size(); }

    // Comparison ignoring the case of ASCII letters; <0, 0 or >0 as strcmp.
    int CompareNoCase(const char* cszText) const { return QZ_CompareNoCaseASCII(m_str.c_str(), cszText); }
    bool operator==(const char* cszText) const { return m_str == (cszText ? cszText : ""); }
    bool operator!=(const char* cszText) const { return !(*this == cszText); }

private:
    std::string m_str;
};

// The argument text of a command line: skips the program name (a quoted name may
// contain blanks) and the blanks and control characters after it. Blanks after the
// argument stay part of it.
const char* QZ_GetArgumentText(const char* cszCommandLine);

// The application object. WinMain (fx_winmain_win.cpp, linked into programs as the
// qz_framework_entry object library) calls InitInstance and then Run.
class CWinApp : public CCmdTarget
{
public:
    CWinApp();
    ~CWinApp() override;

    virtual BOOL InitInstance() { return TRUE; }
    // The program's windows are modal and gone when this runs: asks to quit, handles
    // what is left in the queue until WM_QUIT and gives the exit code 0.
    int Run();

    // The argument text of the process's command line.
    LPSTR m_lpCmdLine;
};

CWinApp* AfxGetApp();
// The module resources are loaded from: the program's own.
inline HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleA(NULL); }

#endif  // QZ_FRAMEWORK_FX_APP_H
