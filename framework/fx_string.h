// CString: the framework's narrow string, a thin value type over std::string.
#ifndef QZ_FRAMEWORK_FX_STRING_H
#define QZ_FRAMEWORK_FX_STRING_H

#include <string>

class CString
{
public:
    CString() {}
    CString(const char* cszText) : m_str(cszText ? cszText : "") {}
    CString(const std::string& str) : m_str(str) {}

    CString& operator=(const char* cszText)
    {
        m_str = cszText ? cszText : "";
        return *this;
    }
    CString& operator+=(const char* cszText)
    {
        m_str += cszText ? cszText : "";
        return *this;
    }
    CString& operator+=(const CString& str)
    {
        m_str += str.m_str;
        return *this;
    }
    CString& operator+=(char ch)
    {
        m_str += ch;
        return *this;
    }
    friend CString operator+(const CString& strLeft, const CString& strRight)
    {
        return CString(strLeft.m_str + strRight.m_str);
    }
    friend CString operator+(const CString& strLeft, const char* cszRight)
    {
        return CString(strLeft.m_str + (cszRight ? cszRight : ""));
    }

    operator const char*() const { return m_str.c_str(); }
    const char* GetString() const { return m_str.c_str(); }
    int GetLength() const { return (int)m_str.size(); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    char GetAt(int nIndex) const { return m_str[(size_t)nIndex]; }

    // Byte-wise comparison, as strcmp.
    int Compare(const char* cszText) const { return m_str.compare(cszText ? cszText : ""); }
    // Comparison ignoring the case of ASCII letters.
    int CompareNoCase(const char* cszText) const;

    bool operator==(const char* cszText) const { return Compare(cszText) == 0; }
    bool operator!=(const char* cszText) const { return Compare(cszText) != 0; }
    bool operator==(const CString& str) const { return m_str == str.m_str; }
    bool operator!=(const CString& str) const { return m_str != str.m_str; }

private:
    std::string m_str;
};

#endif  // QZ_FRAMEWORK_FX_STRING_H
