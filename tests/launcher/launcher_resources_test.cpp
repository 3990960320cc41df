// The launcher's resources as the resource compiler built them: the window's dialog
// template, the icon, the skin's pictures and the version block. The same .rc is linked into
// this test program, so it reads them from its own module.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/ui/skin_test_helpers.h"
#include "ui/skin_picture.h"
#include "ui/skin_scale.h"

namespace
{

// Reads a DLGTEMPLATEEX (and its items) into plain fields.
class DialogTemplateReader
{
public:
    struct Item
    {
        DWORD dwStyle = 0;
        DWORD dwExStyle = 0;
        short x = 0, y = 0, cx = 0, cy = 0;
        DWORD dwID = 0;
        WORD wClassAtom = 0;      // predefined class, 0 when named
        std::wstring strClass;
        std::wstring strText;
    };

    explicit DialogTemplateReader(const BYTE* pbyTemplate) : m_pby(pbyTemplate), m_uOffset(0) {}

    bool Read()
    {
        if (Word() != 1 || Word() != 0xFFFF)
            return false;  // not an extended template
        Dword();           // help id
        m_dwExStyle = Dword();
        m_dwStyle = Dword();
        WORD wItems = Word();
        m_x = (short)Word();
        m_y = (short)Word();
        m_cx = (short)Word();
        m_cy = (short)Word();
        WORD wAtom = 0;
        m_strMenu = SzOrOrd(&wAtom);
        m_strClass = SzOrOrd(&wAtom);
        m_strCaption = Sz();
        if (m_dwStyle & (DS_SETFONT | DS_SHELLFONT))
        {
            m_wPointSize = Word();
            m_wWeight = Word();
            m_byItalic = Byte();
            m_byCharSet = Byte();
            m_strFace = Sz();
        }
        for (WORD i = 0; i < wItems; ++i)
        {
            Align(4);
            Item It;
            Dword();  // help id
            It.dwExStyle = Dword();
            It.dwStyle = Dword();
            It.x = (short)Word();
            It.y = (short)Word();
            It.cx = (short)Word();
            It.cy = (short)Word();
            It.dwID = Dword();
            It.strClass = SzOrOrd(&It.wClassAtom);
            WORD wTextAtom = 0;
            It.strText = SzOrOrd(&wTextAtom);
            m_uOffset += Word();  // creation data
            m_Items.push_back(It);
        }
        return true;
    }

    DWORD m_dwStyle = 0, m_dwExStyle = 0;
    short m_x = 0, m_y = 0, m_cx = 0, m_cy = 0;
    std::wstring m_strMenu, m_strClass, m_strCaption, m_strFace;
    WORD m_wPointSize = 0, m_wWeight = 0;
    BYTE m_byItalic = 0, m_byCharSet = 0;
    std::vector<Item> m_Items;

private:
    WORD Word()
    {
        WORD w = (WORD)(m_pby[m_uOffset] | (m_pby[m_uOffset + 1] << 8));
        m_uOffset += 2;
        return w;
    }
    DWORD Dword()
    {
        DWORD dwLow = Word();
        return dwLow | ((DWORD)Word() << 16);
    }
    BYTE Byte() { return m_pby[m_uOffset++]; }
    void Align(size_t uBoundary) { m_uOffset = (m_uOffset + uBoundary - 1) & ~(uBoundary - 1); }
    std::wstring Sz()
    {
        std::wstring str;
        for (WORD w = Word(); w != 0; w = Word())
            str += (wchar_t)w;
        return str;
    }
    std::wstring SzOrOrd(WORD* pwAtom)
    {
        *pwAtom = 0;
        if (m_pby[m_uOffset] == 0xFF && m_pby[m_uOffset + 1] == 0xFF)
        {
            m_uOffset += 2;
            *pwAtom = Word();
            return std::wstring();
        }
        return Sz();
    }

    const BYTE* m_pby;
    size_t m_uOffset;
};

const BYTE* LoadResourceBytes(LPCSTR cszType, UINT nID, DWORD* pdwSize)
{
    HMODULE hModule = ::GetModuleHandleA(NULL);
    HRSRC hResource = ::FindResourceA(hModule, MAKEINTRESOURCEA(nID), cszType);
    if (!hResource)
        return NULL;
    if (pdwSize)
        *pdwSize = ::SizeofResource(hModule, hResource);
    HGLOBAL hData = ::LoadResource(hModule, hResource);
    return hData ? (const BYTE*)::LockResource(hData) : NULL;
}

}  // namespace

TEST(LauncherResources, DialogTemplateIsABorderlessPopupWithTheClueAndTheCloseButton)
{
    const BYTE* pbyTemplate = LoadResourceBytes((LPCSTR)RT_DIALOG, IDD_ARDUNLAUNCHER_DIALOG, NULL);
    ASSERT_NE(nullptr, pbyTemplate);
    DialogTemplateReader Template(pbyTemplate);
    ASSERT_TRUE(Template.Read()) << "template 102 is an extended dialog template";

    // No caption, border, system menu or visibility: the window is drawn from its bitmaps.
    EXPECT_EQ((DWORD)(WS_POPUP | DS_SETFONT | DS_FIXEDSYS), Template.m_dwStyle)
        << std::hex << "style 0x" << Template.m_dwStyle;
    EXPECT_EQ((DWORD)WS_EX_APPWINDOW, Template.m_dwExStyle) << std::hex << "extended style 0x"
                                                           << Template.m_dwExStyle;
    EXPECT_EQ(0, Template.m_x);
    EXPECT_EQ(0, Template.m_y);
    EXPECT_EQ(175, Template.m_cx);
    EXPECT_EQ(233, Template.m_cy);
    EXPECT_EQ(L"", Template.m_strCaption);
    EXPECT_EQ(L"", Template.m_strMenu);
    EXPECT_EQ(L"", Template.m_strClass);
    EXPECT_EQ(8, Template.m_wPointSize);
    EXPECT_EQ(FW_NORMAL, Template.m_wWeight);
    EXPECT_EQ(0, Template.m_byItalic);
    EXPECT_EQ(DEFAULT_CHARSET, Template.m_byCharSet);
    EXPECT_EQ(L"MS Shell Dlg", Template.m_strFace);

    struct Expected
    {
        DWORD dwID;
        WORD wClassAtom;  // 0x0080 button, 0x0082 static
        const wchar_t* cwszText;
        DWORD dwStyle;
        short x, y, cx, cy;
    };
    const Expected Controls[] = {
        {IDC_CLUE_TEXT, 0x0082, L"Clue", WS_CHILD | WS_VISIBLE | WS_GROUP | SS_LEFT, 41, 135, 85, 56},
        {IDC_QUIT_BUTTON, 0x0080, L"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, 150, 2, 10, 9},
    };
    ASSERT_EQ(_countof(Controls), Template.m_Items.size());
    for (size_t i = 0; i < _countof(Controls); ++i)
    {
        const Expected& e = Controls[i];
        const DialogTemplateReader::Item& It = Template.m_Items[i];
        SCOPED_TRACE("control " + std::to_string(e.dwID));
        EXPECT_EQ(e.dwID, It.dwID);
        // Named "Button"/"Static" and the predefined atoms are the same classes.
        std::wstring strClass = It.strClass;
        for (wchar_t& ch : strClass)
            ch = (wchar_t)towlower(ch);
        EXPECT_TRUE(It.wClassAtom == e.wClassAtom ||
                    strClass == (e.wClassAtom == 0x0080 ? L"button" : L"static"));
        EXPECT_EQ(std::wstring(e.cwszText), It.strText);
        EXPECT_EQ(e.dwStyle, It.dwStyle) << std::hex << "style 0x" << It.dwStyle;
        EXPECT_EQ(0u, It.dwExStyle);
        EXPECT_EQ(e.x, It.x);
        EXPECT_EQ(e.y, It.y);
        EXPECT_EQ(e.cx, It.cx);
        EXPECT_EQ(e.cy, It.cy);
    }
}

TEST(LauncherResources, IconHoldsOne48PixelImage)
{
    DWORD dwSize = 0;
    const BYTE* pbyGroup = LoadResourceBytes((LPCSTR)RT_GROUP_ICON, IDR_MAINFRAME, &dwSize);
    ASSERT_NE(nullptr, pbyGroup);
    ASSERT_GE(dwSize, 6u + 14u);
    EXPECT_EQ(1, pbyGroup[4] | (pbyGroup[5] << 8)) << "images in icon 128";
    EXPECT_EQ(48, pbyGroup[6]) << "width";
    EXPECT_EQ(48, pbyGroup[7]) << "height";
}

namespace
{

// A 24-bit BMP file of the artwork as pixels 0x00RRGGBB, top row first.
QZ_Pixels ReadArtwork(const std::string& strPath)
{
    QZ_Pixels Pixels;
    FILE* fpFile = fopen(strPath.c_str(), "rb");
    if (!fpFile)
        return Pixels;
    std::vector<BYTE> Data;
    BYTE Buffer[65536];
    for (size_t uRead; (uRead = fread(Buffer, 1, sizeof(Buffer), fpFile)) > 0;)
        Data.insert(Data.end(), Buffer, Buffer + uRead);
    fclose(fpFile);
    BITMAPFILEHEADER File;
    BITMAPINFOHEADER Info;
    if (Data.size() < sizeof(File) + sizeof(Info))
        return Pixels;
    memcpy(&File, Data.data(), sizeof(File));
    memcpy(&Info, Data.data() + sizeof(File), sizeof(Info));
    int nHeight = Info.biHeight < 0 ? -Info.biHeight : Info.biHeight;
    size_t uStride = ((size_t)Info.biWidth * 3 + 3) & ~(size_t)3;
    if (Info.biBitCount != 24 || File.bfOffBits + uStride * nHeight > Data.size())
        return Pixels;
    Pixels.nWidth = Info.biWidth;
    Pixels.nHeight = nHeight;
    for (int y = 0; y < nHeight; ++y)
    {
        const BYTE* pbyRow = Data.data() + File.bfOffBits + uStride * (Info.biHeight > 0 ? nHeight - 1 - y : y);
        for (int x = 0; x < Info.biWidth; ++x)
            Pixels.Data.push_back(QZ_Rgb24(pbyRow[x * 3 + 2], pbyRow[x * 3 + 1], pbyRow[x * 3]));
    }
    return Pixels;
}

}  // namespace

// Every skin picture of every set: at the set's own DPI it unpacks, through the
// system's decompressor, to exactly the artwork it was packed from, whose size is the
// 100% size scaled with the window's rounding (so it fills its place unstretched).
TEST(LauncherResources, SkinPicturesOfEverySetUnpackToTheirArtworkAtTheScaledSize)
{
    struct Expected
    {
        UINT nID;
        const char* cszName;
        int nWidth;  // at 100%
        int nHeight;
    };
    const Expected Pictures[] = {
        {IDB_LAUNCH_NORMAL, "launch_normal", 183, 33},      {IDB_LAUNCH_PRESSED, "launch_pressed", 183, 33},
        {IDB_LAUNCH_HOVER, "launch_hover", 183, 33},        {IDB_QUIT_NORMAL, "quit_normal", 13, 14},
        {IDB_QUIT_PRESSED, "quit_pressed", 13, 14},         {IDB_QUIT_HOVER, "quit_hover", 13, 14},
        {IDB_BACKGROUND_TOP, "background_top", 262, 144},   {IDB_BACKGROUND_MIDDLE, "background_middle", 262, 4},
        {IDB_BACKGROUND_BOTTOM, "background_bottom", 262, 190},
    };
    const char* cszSource = getenv("QZ_SOURCE_DIR");
    ASSERT_NE(nullptr, cszSource);
    for (int nPercent : QZ_SKIN_SET_PERCENTS)
    {
        int nDpi = QZ_DESIGN_DPI * nPercent / 100;
        for (const Expected& e : Pictures)
        {
            SCOPED_TRACE(std::string(e.cszName) + " at " + std::to_string(nPercent) + "%");
            QZ_Pixels Artwork = ReadArtwork(std::string(cszSource) + "/res/bitmaps/" + std::to_string(nPercent) +
                                            "/" + e.cszName + ".bmp");
            ASSERT_EQ(QZ_ScaleLength(e.nWidth, nDpi), Artwork.nWidth);
            ASSERT_EQ(QZ_ScaleLength(e.nHeight, nDpi), Artwork.nHeight);
            HBITMAP hPicture = QZ_LoadSkinPicture(e.nID, nDpi);
            ASSERT_NE(nullptr, hPicture);
            QZ_Pixels Loaded = QZ_ReadPixels(hPicture);
            ::DeleteObject(hPicture);
            ASSERT_EQ(Artwork.nWidth, Loaded.nWidth);
            ASSERT_EQ(Artwork.nHeight, Loaded.nHeight);
            EXPECT_TRUE(Artwork.Data == Loaded.Data);
        }
    }
}

TEST(LauncherResources, VersionBlockOfTheFirstTranslationHoldsTheFileVersion)
{
    DWORD dwSize = 0;
    const BYTE* pbyVersion = LoadResourceBytes((LPCSTR)RT_VERSION, VS_VERSION_INFO, &dwSize);
    ASSERT_NE(nullptr, pbyVersion);
    // VerQueryValue wants a writable copy.
    std::vector<BYTE> Copy(pbyVersion, pbyVersion + dwSize);

    WORD* pwTranslation = NULL;
    UINT uLength = 0;
    ASSERT_TRUE(::VerQueryValueA(Copy.data(), "\\VarFileInfo\\Translation", (LPVOID*)&pwTranslation, &uLength));
    ASSERT_GE(uLength, 4u);
    EXPECT_EQ(0x0804, pwTranslation[0]);
    EXPECT_EQ(1252, pwTranslation[1]);

    char* pszFileVersion = NULL;
    ASSERT_TRUE(::VerQueryValueA(Copy.data(), "\\StringFileInfo\\080404e4\\FileVersion", (LPVOID*)&pszFileVersion,
                                 &uLength));
    EXPECT_STREQ(QZ_EXPECTED_FILE_VERSION, pszFileVersion);
}
