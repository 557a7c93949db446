#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ImageBytes.h"
#include "platform/Platform.h"

namespace {

namespace Platform = Orva::Platform;
using namespace ImageBytes;

class IconFile : public ::testing::Test
{
protected:
    void TearDown() override
    {
        for (const std::string& path : written)
            std::remove(path.c_str());
        Platform::Test::reset();
    }

    HICON load(const Bytes& bytes)
    {
        // Test cases run as parallel processes: each writes under its own name.
        const std::string path = ::testing::TempDir() + "orva_icon_" +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + "_" +
                                 std::to_string(written.size());
        written.push_back(path);
        EXPECT_TRUE(writeFile(path, bytes));
        return Platform::LoadIconFile(path.c_str());
    }

    static void expectPixels(HICON icon, const Pixels& expected)
    {
        const Platform::IconImage* image = Platform::GetIconImage(icon);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->width, expected.width);
        EXPECT_EQ(image->height, expected.height);
        EXPECT_EQ(image->rgba, expected.rgba);
    }

    std::vector<std::string> written;
};

// Transparent pixels on the diagonal, as a mask or an alpha channel would mark them.
Pixels withClearDiagonal(Pixels pixels)
{
    for (int i = 0; i < std::min(pixels.width, pixels.height); ++i)
        pixels.rgba[(static_cast<std::size_t>(i) * pixels.width + i) * 4 + 3] = 0;
    return pixels;
}

TEST_F(IconFile, ThirtyTwoBitBitmapEntryDecodesToItsPixels)
{
    Pixels pixels = withClearDiagonal(pattern(16, 16));
    pixels.rgba[3] = 0x80; // partial alpha survives
    expectPixels(load(ico({{16, 16, 32, iconBitmap(pixels, 32)}})), pixels);
}

TEST_F(IconFile, PngEntryDecodesToItsPixels)
{
    const Pixels pixels = withClearDiagonal(pattern(16, 16));
    expectPixels(load(ico({{16, 16, 32, png(pixels)}})), pixels);
}

TEST_F(IconFile, BitmapsWithoutAlphaTakeItFromTheMask)
{
    const Pixels pixels = withClearDiagonal(pattern(5, 3)); // rows padded in both planes
    expectPixels(load(ico({{5, 3, 24, iconBitmap(pixels, 24)}})), pixels);

    // A 32-bit entry whose alpha bytes are all zero was written for the mask.
    Pixels noAlpha = pattern(4, 4, 0);
    Bytes entry = iconBitmap(pattern(4, 4, 0xFF), 32);
    Bytes stripped = iconBitmap(noAlpha, 32, false);
    std::copy(stripped.begin(), stripped.end(), entry.begin()); // same colours, alpha 0, opaque mask
    expectPixels(load(ico({{4, 4, 32, entry}})), pattern(4, 4, 0xFF));

    // Without a mask a 24-bit entry is opaque.
    expectPixels(load(ico({{2, 2, 24, iconBitmap(pattern(2, 2), 24, false)}})), pattern(2, 2));
}

TEST_F(IconFile, LargestDecodableEntryWins)
{
    const Pixels small = pattern(16, 16);
    const Pixels large = pattern(32, 32, 0x40);
    expectPixels(load(ico({{16, 16, 32, iconBitmap(small, 32)}, {32, 32, 32, png(large)}})), large);

    Bytes broken = iconBitmap(pattern(48, 48), 32);
    broken[14] = 8; // a palette entry: not read, so the next one is taken
    expectPixels(load(ico({{48, 48, 8, broken}, {16, 16, 32, iconBitmap(small, 32)}})), small);
}

TEST_F(IconFile, PlainPngAndBmpFilesLoad)
{
    const Pixels pixels = pattern(7, 5);
    expectPixels(load(png(pixels)), pixels);
    expectPixels(load(bmp24(pixels)), pixels);
    Bytes emptyDataFirst = png(pixels);
    Bytes emptyData;
    pngChunk(emptyData, "IDAT", {});
    emptyDataFirst.insert(emptyDataFirst.begin() + 33, emptyData.begin(), emptyData.end()); // after IHDR
    expectPixels(load(emptyDataFirst), pixels);
}

TEST_F(IconFile, MalformedFilesGiveNoIcon)
{
    const Bytes good = ico({{16, 16, 32, iconBitmap(pattern(16, 16), 32)}});
    EXPECT_EQ(load({}), nullptr);
    EXPECT_EQ(load({0, 0, 1, 0}), nullptr);                           // directory cut short
    EXPECT_EQ(load({0, 0, 1, 0, 0, 0}), nullptr);                     // no entries
    EXPECT_EQ(load(Bytes(good.begin(), good.begin() + 30)), nullptr); // entry past the end
    const Bytes bitmap = iconBitmap(pattern(16, 16), 32);
    EXPECT_EQ(load(ico({{16, 16, 32, Bytes(bitmap.begin(), bitmap.begin() + 40 + 100)}})),
              nullptr); // rows cut
    Bytes compressed = good;
    compressed[22 + 16] = 3; // bit-field compression
    EXPECT_EQ(load(compressed), nullptr);
    Bytes tooWide = good;
    tooWide[22 + 5] = 1; // width 256 + 16
    EXPECT_EQ(load(tooWide), nullptr);
    Bytes oddHeight = good;
    oddHeight[22 + 8] = 31;
    EXPECT_EQ(load(oddHeight), nullptr);
    Bytes badPng = ico({{16, 16, 32, png(pattern(16, 16))}});
    badPng[22 + 25] = 7; // no such PNG colour type
    EXPECT_EQ(load(badPng), nullptr);
    EXPECT_EQ(load({'G', 'I', 'F', '8', '9', 'a'}), nullptr);
    EXPECT_EQ(Platform::LoadIconFile("/nonexistent/icon.ico"), nullptr);
    EXPECT_EQ(Platform::LoadIconFile(nullptr), nullptr);
    EXPECT_NE(load(good), nullptr); // the unspoilt file is fine
}

TEST_F(IconFile, DestroyedIconsAreGone)
{
    const HICON icon = load(png(pattern(2, 2)));
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(Platform::GetIconImage(icon), nullptr);
    EXPECT_FALSE(DestroyIcon(icon));
    const HICON next = load(png(pattern(2, 2)));
    EXPECT_NE(next, icon);
}

} // namespace
