// The skin at a display scale: the rounding of the layout's lengths, the artwork set a
// DPI takes, the smooth resizing that keeps the key colour sharp, and the stored form
// of a picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "ui/skin_picture_format.h"
#include "ui/skin_scale.h"

namespace
{

const uint32_t kKey = 0xFF57E2;

TEST(SkinScale, LengthsRoundToTheNearestPixelHalvesAwayFromZeroAndDpisTakeTheNextLargerSet)
{
    struct Case
    {
        int nLength, nDpi, nScaled;
    };
    // 144 DPI: 183 x 1.5 = 274.5 and 33 x 1.5 = 49.5 go up; 120 DPI: 15 x 1.25 = 18.75.
    const Case Lengths[] = { { 262, 96, 262 }, { 183, 144, 275 }, { 33, 144, 50 }, { 52, 144, 78 },
                             { 15, 120, 19 },  { 13, 192, 26 },   { -11, 144, -17 }, { 0, 144, 0 } };
    for (const Case& c : Lengths)
        EXPECT_EQ(c.nScaled, QZ_ScaleLength(c.nLength, c.nDpi)) << c.nLength << " at " << c.nDpi;

    const int Sets[][2] = { { 72, 100 }, { 96, 100 }, { 97, 150 }, { 120, 150 }, { 144, 150 },
                            { 145, 200 }, { 192, 200 }, { 288, 200 } };
    for (const auto& c : Sets)
        EXPECT_EQ(c[1], QZ_SKIN_SET_PERCENTS[QZ_SkinSetForDpi(c[0])]) << c[0] << " DPI";
}

// 3 x 2 to 2 x 1: each new pixel covers one and a half source columns of both rows.
// Key pixels take no part in the averages; they win a new pixel with half its area.
TEST(SkinScale, ResizingAveragesTheCoveredAreaWithoutTheKeyColour)
{
    const uint32_t From[] = { 0x000000, 0x303030, 0x606060,
                              0x000000, 0x303030, 0x606060 };
    uint32_t To[2] = {};
    QZ_ResizeSkinPicture(From, 3, 2, To, 2, 1, kKey);
    EXPECT_EQ(0x101010u, To[0]);  // (2 x 0x00 + 1 x 0x30) / 3
    EXPECT_EQ(0x505050u, To[1]);  // (1 x 0x30 + 2 x 0x60) / 3

    const uint32_t Corner[] = { kKey, 0x202020,
                                0x404040, 0x606060 };
    uint32_t One = 0;
    QZ_ResizeSkinPicture(Corner, 2, 2, &One, 1, 1, kKey);
    EXPECT_EQ(0x404040u, One) << "a quarter of key colour is left out of the average";

    const uint32_t Half[] = { kKey, 0x202020,
                              kKey, 0x606060 };
    QZ_ResizeSkinPicture(Half, 2, 2, &One, 1, 1, kKey);
    EXPECT_EQ(kKey, One) << "half of the area in key colour is cut";
}

TEST(SkinScale, StoredRowsAreDifferencesFromTheRowAboveModulo256)
{
    const uint8_t Header[] = { 'Q', 'Z', 'S', 'K', 2, 0, 2, 0, 12, 0, 0, 0 };
    QZ_SkinPictureHeader Read = {};
    ASSERT_TRUE(QZ_ReadSkinPictureHeader(Header, sizeof(Header), &Read));
    EXPECT_EQ(2, Read.nWidth);
    EXPECT_EQ(2, Read.nHeight);
    uint8_t Wrong[sizeof(Header)];
    std::copy(Header, Header + sizeof(Header), Wrong);
    Wrong[8] = 11;
    EXPECT_FALSE(QZ_ReadSkinPictureHeader(Wrong, sizeof(Wrong), &Read)) << "rows of another size";
    EXPECT_FALSE(QZ_ReadSkinPictureHeader(Header, sizeof(Header) - 1, &Read)) << "a short header";

    // Blue, green, red; the second row adds to the first, wrapping past 255.
    const uint8_t Rows[] = { 0x10, 0x20, 0xF0, 1, 2, 3,
                             0x01, 0xFF, 0x20, 0, 0, 0 };
    std::vector<uint32_t> Pixels(4);
    QZ_UnpackSkinRows(Rows, 2, 2, Pixels.data());
    EXPECT_EQ(0xF02010u, Pixels[0]);
    EXPECT_EQ(0x030201u, Pixels[1]);
    EXPECT_EQ(0x101F11u, Pixels[2]);
    EXPECT_EQ(0x030201u, Pixels[3]);
}

}  // namespace
