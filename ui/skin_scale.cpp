#include "ui/skin_scale.h"

#include <vector>

const int QZ_SKIN_SET_PERCENTS[QZ_SKIN_SET_COUNT] = { 100, 150, 200 };

int QZ_ScaleLength(int nLength, int nDpi)
{
    int64_t llScaled = (int64_t)(nLength < 0 ? -nLength : nLength) * nDpi;
    int nScaled = (int)((llScaled + QZ_DESIGN_DPI / 2) / QZ_DESIGN_DPI);
    return nLength < 0 ? -nScaled : nScaled;
}

int QZ_SkinSetForDpi(int nDpi)
{
    for (int i = 0; i < QZ_SKIN_SET_COUNT; ++i)
    {
        if (QZ_SKIN_SET_PERCENTS[i] * QZ_DESIGN_DPI >= nDpi * 100)
            return i;
    }
    return QZ_SKIN_SET_COUNT - 1;
}

namespace
{

// The source pixels that one new pixel covers along one axis, and how much of each.
// On a common scale new pixel i spans [i * nFrom, (i + 1) * nFrom) and source pixel s
// spans [s * nTo, (s + 1) * nTo); the weights are the overlaps on that scale.
struct QZ_Span
{
    int nFirst;
    std::vector<int64_t> Weights;
};

std::vector<QZ_Span> QZ_MakeSpans(int nFrom, int nTo)
{
    std::vector<QZ_Span> Spans((size_t)nTo);
    for (int i = 0; i < nTo; ++i)
    {
        int64_t llBegin = (int64_t)i * nFrom;
        int64_t llEnd = llBegin + nFrom;
        QZ_Span& Span = Spans[(size_t)i];
        Span.nFirst = (int)(llBegin / nTo);
        for (int s = Span.nFirst; s < nFrom && (int64_t)s * nTo < llEnd; ++s)
        {
            int64_t llLow = (int64_t)s * nTo > llBegin ? (int64_t)s * nTo : llBegin;
            int64_t llHigh = (int64_t)(s + 1) * nTo < llEnd ? (int64_t)(s + 1) * nTo : llEnd;
            Span.Weights.push_back(llHigh - llLow);
        }
    }
    return Spans;
}

}  // namespace

void QZ_ResizeSkinPicture(const uint32_t* puFrom, int nFromWidth, int nFromHeight, uint32_t* puTo, int nToWidth,
                          int nToHeight, uint32_t uKeyPixel)
{
    std::vector<QZ_Span> Columns = QZ_MakeSpans(nFromWidth, nToWidth);
    std::vector<QZ_Span> Rows = QZ_MakeSpans(nFromHeight, nToHeight);

    for (int y = 0; y < nToHeight; ++y)
    {
        const QZ_Span& Row = Rows[(size_t)y];
        for (int x = 0; x < nToWidth; ++x)
        {
            const QZ_Span& Column = Columns[(size_t)x];
            int64_t llKey = 0;
            int64_t llOther = 0;
            int64_t Sums[3] = { 0, 0, 0 };
            for (size_t r = 0; r < Row.Weights.size(); ++r)
            {
                const uint32_t* puLine = puFrom + (size_t)(Row.nFirst + (int)r) * (size_t)nFromWidth;
                for (size_t c = 0; c < Column.Weights.size(); ++c)
                {
                    uint32_t uPixel = puLine[Column.nFirst + (int)c] & 0x00FFFFFFu;
                    int64_t llWeight = Row.Weights[r] * Column.Weights[c];
                    if (uPixel == uKeyPixel)
                    {
                        llKey += llWeight;
                        continue;
                    }
                    llOther += llWeight;
                    Sums[0] += llWeight * (int64_t)(uPixel & 0xFF);
                    Sums[1] += llWeight * (int64_t)((uPixel >> 8) & 0xFF);
                    Sums[2] += llWeight * (int64_t)((uPixel >> 16) & 0xFF);
                }
            }
            uint32_t uResult = uKeyPixel;
            if (llKey * 2 < llKey + llOther)
            {
                uResult = 0;
                for (int i = 0; i < 3; ++i)
                    uResult |= (uint32_t)((Sums[i] + llOther / 2) / llOther) << (8 * i);
            }
            puTo[(size_t)y * (size_t)nToWidth + (size_t)x] = uResult;
        }
    }
}
