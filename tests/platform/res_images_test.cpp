// The icon and bitmaps of res/velmora.rc, as RT_BITMAP, RT_GROUP_ICON and RT_ICON resources:
// sizes, colour depth, and the colours that make them work (transparent grounds).
#include "res_support.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

namespace {

using vlm::test::ProgramResource;

struct Rgb {
    BYTE r, g, b;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb kMagenta{255, 0, 255};
constexpr Rgb kLightGrey{192, 192, 192};
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kDarkRed{128, 0, 0};

std::uint32_t Le(std::span<const BYTE> b, std::size_t at, int bytes)
{
    std::uint32_t value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | b[at + static_cast<std::size_t>(i)];
    return value;
}

// A 4-bit device-independent bitmap as a resource holds it: header, palette, bottom-up rows,
// and for an icon an AND mask after the colour rows.
class Dib {
public:
    explicit Dib(std::span<const BYTE> bytes, bool icon = false) : m_bytes(bytes)
    {
        if (bytes.size() < 40 + 64)
            return;
        headerSize = Le(bytes, 0, 4);
        width = static_cast<std::int32_t>(Le(bytes, 4, 4));
        const auto storedHeight = static_cast<std::int32_t>(Le(bytes, 8, 4));
        height = icon ? storedHeight / 2 : storedHeight;
        planes = static_cast<WORD>(Le(bytes, 12, 2));
        bitCount = static_cast<WORD>(Le(bytes, 14, 2));
        compression = Le(bytes, 16, 4);
        colorsUsed = Le(bytes, 32, 4);
        for (std::size_t i = 0; i < 16; ++i) {
            const std::size_t at = headerSize + 4 * i;
            palette[i] = {bytes[at + 2], bytes[at + 1], bytes[at]};
        }
        m_colourRows = headerSize + 64;
        m_colourStride = static_cast<std::size_t>((width * 4 + 31) / 32 * 4);
        m_maskRows = m_colourRows + m_colourStride * static_cast<std::size_t>(height);
        m_maskStride = static_cast<std::size_t>((width + 31) / 32 * 4);
        const std::size_t end = icon ? m_maskRows + m_maskStride * static_cast<std::size_t>(height) : m_maskRows;
        valid = headerSize == 40 && width > 0 && height > 0 && end == bytes.size();
    }

    // (0, 0) is the top left pixel.
    int Index(int x, int y) const
    {
        const std::size_t row = m_colourRows + m_colourStride * static_cast<std::size_t>(height - 1 - y);
        const BYTE pair = m_bytes[row + static_cast<std::size_t>(x) / 2];
        return x % 2 == 0 ? pair >> 4 : pair & 0x0F;
    }
    Rgb Colour(int x, int y) const { return palette[static_cast<std::size_t>(Index(x, y))]; }
    bool Transparent(int x, int y) const
    {
        const std::size_t row = m_maskRows + m_maskStride * static_cast<std::size_t>(height - 1 - y);
        return (m_bytes[row + static_cast<std::size_t>(x) / 8] & (0x80 >> (x % 8))) != 0;
    }

    bool valid = false;
    std::uint32_t headerSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    WORD planes = 0;
    WORD bitCount = 0;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::array<Rgb, 16> palette{};

private:
    std::span<const BYTE> m_bytes;
    std::size_t m_colourRows = 0;
    std::size_t m_colourStride = 0;
    std::size_t m_maskRows = 0;
    std::size_t m_maskStride = 0;
};

struct BitmapCase {
    WORD id;
    int width;
    int height;
    Rgb ground;
    const char* what;
};

TEST(ResourceImages, BitmapsAre16ColoursOfTheirSizeOnTheirGround)
{
    const BitmapCase cases[] = {
        {IDB_DRIVE_IMAGES, 96, 15, kMagenta, "drive images"},
        {IDB_LOGO, 188, 60, kLightGrey, "logo"},
    };
    for (const BitmapCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Dib dib(ProgramResource(MAKEINTRESOURCEA(c.id), RT_BITMAP));
        ASSERT_TRUE(dib.valid);
        EXPECT_EQ(dib.width, c.width);
        EXPECT_EQ(dib.height, c.height);
        EXPECT_EQ(dib.planes, 1);
        EXPECT_EQ(dib.bitCount, 4);
        EXPECT_EQ(dib.compression, 0u);
        EXPECT_TRUE(dib.colorsUsed == 0 || dib.colorsUsed == 16);
        for (const auto& [x, y] : {std::pair{0, 0}, {c.width - 1, 0}, {0, c.height - 1},
                                   {c.width - 1, c.height - 1}})
            EXPECT_EQ(dib.Colour(x, y), c.ground) << x << "," << y;
        int drawn = 0;
        for (int y = 0; y < dib.height; ++y)
            for (int x = 0; x < dib.width; ++x)
                drawn += dib.Colour(x, y) == c.ground ? 0 : 1;
        EXPECT_GT(drawn, c.width * c.height / 10);
    }
}

TEST(ResourceImages, TheDriveStripHoldsSixDistinctPicturesOnMagenta)
{
    const Dib dib(ProgramResource(MAKEINTRESOURCEA(IDB_DRIVE_IMAGES), RT_BITMAP));
    ASSERT_TRUE(dib.valid);
    std::set<std::vector<int>> pictures;
    for (int image = 0; image < 6; ++image) {
        SCOPED_TRACE(image);
        const int left = 16 * image;
        std::vector<int> cells;
        int drawn = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x) {
                cells.push_back(dib.Index(left + x, y));
                drawn += dib.Colour(left + x, y) == kMagenta ? 0 : 1;
            }
        EXPECT_GT(drawn, 60);
        for (const auto& [x, y] : {std::pair{0, 0}, {15, 0}, {0, 14}, {15, 14}})
            EXPECT_EQ(dib.Colour(left + x, y), kMagenta) << x << "," << y;
        pictures.insert(cells);
    }
    EXPECT_EQ(pictures.size(), 6u);
}

TEST(ResourceImages, TheLogosBorderIsAllGround)
{
    const Dib dib(ProgramResource(MAKEINTRESOURCEA(IDB_LOGO), RT_BITMAP));
    ASSERT_TRUE(dib.valid);
    for (int x = 0; x < dib.width; ++x) {
        EXPECT_EQ(dib.Colour(x, 0), kLightGrey) << x;
        EXPECT_EQ(dib.Colour(x, dib.height - 1), kLightGrey) << x;
    }
    for (int y = 0; y < dib.height; ++y) {
        EXPECT_EQ(dib.Colour(0, y), kLightGrey) << y;
        EXPECT_EQ(dib.Colour(dib.width - 1, y), kLightGrey) << y;
    }
}

TEST(ResourceImages, TheIconHas32And16PixelImagesOfRedLettersOnATransparentGround)
{
    const auto groupBytes = ProgramResource(MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON);
    const auto group = vlm::posix::ParseIconGroup(groupBytes.data(), groupBytes.size());
    ASSERT_TRUE(group.has_value());
    EXPECT_EQ(group->type, 1);
    ASSERT_EQ(group->entries.size(), 2u);

    std::set<int> sizes;
    for (const auto& entry : group->entries) {
        SCOPED_TRACE(static_cast<int>(entry.width));
        EXPECT_EQ(entry.width, entry.height);
        EXPECT_EQ(entry.colorCount, 16);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, 4);
        sizes.insert(entry.width);

        const auto image = ProgramResource(MAKEINTRESOURCEA(entry.id), RT_ICON);
        EXPECT_EQ(image.size(), entry.bytesInRes);
        const Dib dib(image, true);
        ASSERT_TRUE(dib.valid);
        EXPECT_EQ(dib.width, entry.width);
        EXPECT_EQ(dib.height, entry.height);
        EXPECT_EQ(dib.bitCount, 4);

        int opaque = 0;
        for (int y = 0; y < dib.height; ++y)
            for (int x = 0; x < dib.width; ++x) {
                if (dib.Transparent(x, y)) {
                    // Where the mask lets the ground through, the colour must not tint it.
                    EXPECT_EQ(dib.Colour(x, y), (Rgb{0, 0, 0})) << x << "," << y;
                    continue;
                }
                ++opaque;
                const Rgb colour = dib.Colour(x, y);
                EXPECT_TRUE(colour == kRed || colour == kDarkRed) << x << "," << y;
            }
        const int last = dib.width - 1;
        for (const auto& [x, y] : {std::pair{0, 0}, {last, 0}, {0, last}, {last, last}})
            EXPECT_TRUE(dib.Transparent(x, y)) << x << "," << y;
        // Three letters: a good share of the picture, but far from all of it.
        EXPECT_GT(opaque, dib.width * dib.height / 5);
        EXPECT_LT(opaque, dib.width * dib.height * 3 / 4);
    }
    EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

TEST(ResourceImages, IconGroupsThatAreCutShortOrOfAnotherKindAreRefused)
{
    const auto bytes = ProgramResource(MAKEINTRESOURCEA(IDR_MAINFRAME), RT_GROUP_ICON);
    ASSERT_TRUE(vlm::posix::ParseIconGroup(bytes.data(), bytes.size()).has_value());
    EXPECT_FALSE(vlm::posix::ParseIconGroup(bytes.data(), bytes.size() - 1).has_value());
    std::vector<BYTE> wrongType(bytes.begin(), bytes.end());
    wrongType[2] = 3;
    EXPECT_FALSE(vlm::posix::ParseIconGroup(wrongType.data(), wrongType.size()).has_value());
}

} // namespace
