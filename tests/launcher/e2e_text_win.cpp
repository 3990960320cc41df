// Draws texts the way the launcher's clue text draws them, for the end-to-end test to
// compare with what the launcher shows:
//   qz_e2e_text.exe BACKGROUND.ppm OUTPUT-PREFIX HEX [HEX ...]
// BACKGROUND.ppm (binary PPM) is the picture beneath the text. For the i-th HEX (the
// text's bytes in the ANSI code page, in hexadecimal) the helper draws the text over
// the picture - the clue text's font (ui/text_font.h), transparent background, the
// button-text colour, word breaks from the top-left corner - and writes OUTPUT-PREFIX<i>.ppm.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/qz_hex_text.h"
#include "ui/text_font.h"

namespace
{

bool ReadPpm(const char* cszPath, int& nWidth, int& nHeight, std::vector<unsigned char>& Pixels)
{
    FILE* fpFile = fopen(cszPath, "rb");
    if (!fpFile)
        return false;
    int nMax = 0;
    bool bOk = fscanf(fpFile, "P6 %d %d %d", &nWidth, &nHeight, &nMax) == 3 && nMax == 255 && nWidth > 0 &&
               nHeight > 0 && fgetc(fpFile) != EOF;
    if (bOk)
    {
        Pixels.resize((size_t)nWidth * nHeight * 3);
        bOk = fread(Pixels.data(), 1, Pixels.size(), fpFile) == Pixels.size();
    }
    fclose(fpFile);
    return bOk;
}

bool WritePpm(const std::string& strPath, int nWidth, int nHeight, const unsigned char* pbyBgrx)
{
    FILE* fpFile = fopen(strPath.c_str(), "wb");
    if (!fpFile)
        return false;
    fprintf(fpFile, "P6\n%d %d\n255\n", nWidth, nHeight);
    for (int i = 0; i < nWidth * nHeight; ++i)
    {
        const unsigned char Rgb[3] = { pbyBgrx[i * 4 + 2], pbyBgrx[i * 4 + 1], pbyBgrx[i * 4 + 0] };
        fwrite(Rgb, 1, 3, fpFile);
    }
    return fclose(fpFile) == 0;
}

// Draws one text over the background into a 32-bit picture, as the clue text does.
bool DrawOne(const std::vector<unsigned char>& Background, int nWidth, int nHeight, const std::string& strText,
             const std::string& strOutput)
{
    BITMAPINFO Info = {};
    Info.bmiHeader.biSize = sizeof(Info.bmiHeader);
    Info.bmiHeader.biWidth = nWidth;
    Info.bmiHeader.biHeight = -nHeight;
    Info.bmiHeader.biPlanes = 1;
    Info.bmiHeader.biBitCount = 32;
    Info.bmiHeader.biCompression = BI_RGB;
    void* pvBits = NULL;
    HDC hScreenDC = ::GetDC(NULL);
    HDC hDC = ::CreateCompatibleDC(hScreenDC);
    HBITMAP hBitmap = ::CreateDIBSection(hScreenDC, &Info, DIB_RGB_COLORS, &pvBits, NULL, 0);
    ::ReleaseDC(NULL, hScreenDC);
    HFONT hFont = ::CreateFontA(QZ_CLUE_FONT_HEIGHT, 0, 0, 0, FW_NORMAL, 0, 0, 0, QZ_TEXT_FONT_CHARSET, 0, 0, 0, 0,
                                QZ_TEXT_FONT_FACE);
    bool bOk = false;
    if (hDC && hBitmap && pvBits && hFont)
    {
        unsigned char* pbyBits = (unsigned char*)pvBits;
        for (int i = 0; i < nWidth * nHeight; ++i)
        {
            pbyBits[i * 4 + 0] = Background[i * 3 + 2];
            pbyBits[i * 4 + 1] = Background[i * 3 + 1];
            pbyBits[i * 4 + 2] = Background[i * 3 + 0];
            pbyBits[i * 4 + 3] = 0;
        }
        HGDIOBJ hOldBitmap = ::SelectObject(hDC, hBitmap);
        ::SelectObject(hDC, hFont);
        ::SetBkMode(hDC, TRANSPARENT);
        ::SetTextColor(hDC, ::GetSysColor(COLOR_BTNTEXT));
        RECT rcText = { 0, 0, nWidth, nHeight };
        ::DrawTextA(hDC, strText.c_str(), (int)strText.size(), &rcText,
                    DT_WORDBREAK | DT_VCENTER | DT_END_ELLIPSIS);
        ::GdiFlush();
        bOk = WritePpm(strOutput, nWidth, nHeight, pbyBits);
        ::SelectObject(hDC, hOldBitmap);
    }
    if (hBitmap)
        ::DeleteObject(hBitmap);
    if (hDC)
        ::DeleteDC(hDC);
    ::DeleteObject(hFont);
    return bOk;
}

}  // namespace

int main(int argc, char** argv)
{
    int nWidth = 0;
    int nHeight = 0;
    std::vector<unsigned char> Background;

    if (argc < 4)
    {
        fprintf(stderr, "usage: qz_e2e_text BACKGROUND.ppm OUTPUT-PREFIX HEX...\n");
        return 2;
    }
    if (!ReadPpm(argv[1], nWidth, nHeight, Background))
    {
        fprintf(stderr, "qz_e2e_text: cannot read the picture %s\n", argv[1]);
        return 1;
    }
    for (int i = 3; i < argc; ++i)
    {
        std::string strText;
        std::string strOutput = std::string(argv[2]) + std::to_string(i - 3) + ".ppm";
        if (!QZ_DecodeHexText(argv[i], strText))
        {
            fprintf(stderr, "qz_e2e_text: text %d is not hexadecimal\n", i - 3);
            return 1;
        }
        if (!DrawOne(Background, nWidth, nHeight, strText, strOutput))
        {
            fprintf(stderr, "qz_e2e_text: drawing text %d into %s failed\n", i - 3, strOutput.c_str());
            return 1;
        }
    }
    return 0;
}
