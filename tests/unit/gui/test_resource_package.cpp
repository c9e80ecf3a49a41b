#include <gtest/gtest.h>

#include <string>

#include "gui/bitmap.h"
#include "gui/font.h"
#include "gui/resource_package.h"
#include "package_builder.h"

using namespace vellum;

namespace {

xResourcePackage makePackage(const std::string& index, const std::vector<std::uint8_t>& blob)
{
    return xResourcePackage(index.data(), index.size(), blob.data(), blob.size());
}

// Releases the caller's reference when the test is done with the object.
struct Held {
    explicit Held(xRefCounted* o) : object(o) { }
    ~Held()
    {
        if (object)
            object->release();
    }
    xRefCounted* object;
};

} // namespace

TEST(ResourceIndex, MissingEmptyOrMalformedIndexIsRefused)
{
    const std::uint8_t blob[4] = {};
    EXPECT_THROW(xResourcePackage(nullptr, 0, blob, 4), xResourceError);
    EXPECT_THROW(xResourcePackage("", 0, blob, 4), xResourceError);
    const std::string broken = "<?xml version=\"1.0\"?><resource><bitmap name=\"a\"></resource>";
    EXPECT_THROW(xResourcePackage(broken.data(), broken.size(), blob, 4), xResourceError);
    const std::string noRoot = "<?xml version=\"1.0\"?><other/>";
    EXPECT_THROW(xResourcePackage(noRoot.data(), noRoot.size(), blob, 4), xResourceError);
}

TEST(ResourceIndex, ProcessPackageIsReplacedAndReleased)
{
    const std::string good = PackageBuilder::index(PackageBuilder::bitmap("x", 24, 1, 1, ""));
    ASSERT_TRUE(createPackage(good.data(), good.size(), nullptr, 0));
    ASSERT_NE(getPackage(), nullptr);
    Held x(getPackage()->getBitmap("x"));
    EXPECT_NE(x.object, nullptr);

    const std::string bad = "<resource";
    EXPECT_FALSE(createPackage(bad.data(), bad.size(), nullptr, 0));
    EXPECT_EQ(getPackage(), nullptr) << "a failed load leaves no package behind";
    ASSERT_TRUE(createPackage(good.data(), good.size(), nullptr, 0));
    destroyPackage();
    EXPECT_EQ(getPackage(), nullptr);
}

TEST(ResourceIndex, IndexWithoutTrailingZeroIsReadOnlyToItsSize)
{
    PackageBuilder b;
    const std::string index = PackageBuilder::index(PackageBuilder::bitmap("x", 24, 1, 1, "")) + "<garbage";
    // The size excludes the malformed tail: only the first part is parsed.
    const xResourcePackage p(index.data(), index.size() - 8, nullptr, 0);
    Held x(p.getBitmap("x"));
    EXPECT_NE(x.object, nullptr);
}

TEST(ResourceBitmaps, ConvertsEveryDepthToTheSurfaceOrder)
{
    PackageBuilder b;
    const std::string i24 = PackageBuilder::bitmap("rgb", 24, 2, 1, b.table("pixel_data", {10, 20, 30, 1, 2, 3}));
    const std::string i32 = PackageBuilder::bitmap("rgba", 32, 1, 1, b.table("pixel_data", {10, 20, 30, 40}));
    std::vector<std::uint8_t> palette(1024, 0);
    palette[4 * 7] = 10;
    palette[4 * 7 + 1] = 20;
    palette[4 * 7 + 2] = 30;
    palette[4 * 7 + 3] = 99;
    std::string refs = b.table("pixel_data", {7, 0});
    refs += b.table("palette_data", palette);
    const std::string i8 = PackageBuilder::bitmap("indexed", 8, 2, 1, refs);
    const xResourcePackage p = makePackage(PackageBuilder::index(i24 + i32 + i8), b.blob);

    xBitmap* rgb = p.getBitmap("rgb");
    Held h1(rgb);
    ASSERT_NE(rgb, nullptr);
    EXPECT_EQ(rgb->bytesPerPixel(), 4);
    EXPECT_EQ(rgb->stride(), 8);
    const std::vector<int> rgbBytes(rgb->pixels(), rgb->pixels() + 8);
    EXPECT_EQ(rgbBytes, (std::vector<int>{30, 20, 10, 0, 3, 2, 1, 0}));

    xBitmap* rgba = p.getBitmap("rgba");
    Held h2(rgba);
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(std::vector<int>(rgba->pixels(), rgba->pixels() + 4), (std::vector<int>{30, 20, 10, 40}));

    xBitmap* indexed = p.getBitmap("indexed");
    Held h3(indexed);
    ASSERT_NE(indexed, nullptr);
    EXPECT_EQ(indexed->bytesPerPixel(), 1);
    EXPECT_EQ(indexed->stride(), 2);
    EXPECT_EQ(indexed->pixels()[0], 7);
    ASSERT_NE(indexed->palette(), nullptr);
    EXPECT_EQ(std::vector<int>(indexed->palette() + 28, indexed->palette() + 32), (std::vector<int>{30, 20, 10, 0}));
}

TEST(ResourceBitmaps, EachLookupMakesANewBitmapAndUnknownNamesGiveNull)
{
    PackageBuilder b;
    const std::string first = PackageBuilder::bitmap("twin", 24, 1, 1, b.table("pixel_data", {1, 1, 1}));
    const std::string second = PackageBuilder::bitmap("twin", 24, 1, 1, b.table("pixel_data", {2, 2, 2}));
    const xResourcePackage p = makePackage(PackageBuilder::index(first + second), b.blob);
    xBitmap* a = p.getBitmap("twin");
    xBitmap* c = p.getBitmap("twin");
    Held ha(a), hc(c);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_NE(a, c);
    EXPECT_EQ(a->pixels()[0], 1) << "the first entry of a name wins";
    EXPECT_EQ(p.getBitmap("Twin"), nullptr);
    EXPECT_EQ(p.getBitmap(""), nullptr);
    EXPECT_EQ(p.getFont("twin"), nullptr) << "a bitmap is not a font";
}

TEST(ResourceBitmaps, UnusableEntriesGiveNull)
{
    PackageBuilder b;
    const std::string entries = PackageBuilder::bitmap("depth16", 16, 1, 1, "")
        + PackageBuilder::bitmap("negative", 24, -4, 2, "") + PackageBuilder::bitmap("huge", 32, 1000000, 1000000, "");
    const xResourcePackage p = makePackage(PackageBuilder::index(entries), b.blob);
    EXPECT_EQ(p.getBitmap("depth16"), nullptr);
    EXPECT_EQ(p.getBitmap("negative"), nullptr);
    EXPECT_EQ(p.getBitmap("huge"), nullptr);
}

TEST(ResourceBitmaps, MissingShortAndOutOfRangeTablesReadAsZeros)
{
    PackageBuilder b;
    b.blob = {9, 9, 9, 9, 9, 9, 9, 9};
    const std::string entries =
        PackageBuilder::bitmap("missing", 24, 2, 2, "")
        + PackageBuilder::bitmap("short", 24, 2, 1, PackageBuilder::reference("pixel_data", 0, 3))
        + PackageBuilder::bitmap("past", 24, 1, 1, PackageBuilder::reference("pixel_data", 6, 3))
        + PackageBuilder::bitmap("negative", 24, 1, 1, PackageBuilder::reference("pixel_data", -2, 3))
        + PackageBuilder::bitmap("wrapping", 24, 1, 1,
                                 "<binary_reference name=\"pixel_data\" offset=\"4\" size=\"9223372036854775807\"/>")
        + PackageBuilder::bitmap(
            "enormous", 24, 1, 1,
            "<binary_reference name=\"pixel_data\" offset=\"4\" size=\"99999999999999999999999\"/>")
        + PackageBuilder::bitmap("palette", 8, 1, 1, PackageBuilder::reference("pixel_data", 0, 1));
    const xResourcePackage p = makePackage(PackageBuilder::index(entries), b.blob);

    const auto allZero = [](xBitmap* bm) {
        for (int i = 0; i < bm->stride() * bm->height(); ++i)
            if (bm->pixels()[i] != 0)
                return false;
        return true;
    };
    for (const char* name : {"missing", "past", "negative", "wrapping", "enormous"}) {
        xBitmap* bm = p.getBitmap(name);
        Held h(bm);
        ASSERT_NE(bm, nullptr) << name;
        EXPECT_TRUE(allZero(bm)) << name;
    }
    xBitmap* shortOne = p.getBitmap("short");
    Held hs(shortOne);
    ASSERT_NE(shortOne, nullptr);
    EXPECT_EQ(std::vector<int>(shortOne->pixels(), shortOne->pixels() + 8), (std::vector<int>{9, 9, 9, 0, 0, 0, 0, 0}));

    xBitmap* noPalette = p.getBitmap("palette");
    Held hp(noPalette);
    ASSERT_NE(noPalette, nullptr);
    EXPECT_EQ(noPalette->pixels()[0], 9);
    const std::uint8_t* palette = noPalette->palette();
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette[9 * 4 + 2], 0) << "a missing palette is all black";
}

TEST(ResourceFonts, TablesBuildAFontWithRunningOffsets)
{
    PackageBuilder b;
    std::vector<int> widths(256, 0);
    widths['A'] = 3;
    widths['B'] = 2;
    std::vector<int> advances(256, 0);
    advances['A'] = 4;
    std::vector<std::uint8_t> kerning(65536, 0);
    kerning['A' * 256 + 'B'] = static_cast<std::uint8_t>(-2);
    std::string refs = b.table("glyph_widths_table", int32Table(widths));
    refs += b.table("advances_table", int32Table(advances));
    refs += b.table("kerning_table", kerning);
    refs += b.table("pixel_data", std::vector<std::uint8_t>(5 * 2, 200));
    const std::string entry = "<font name=\"tiny\" bitmap_width=\"5\" bitmap_height=\"2\">" + refs + "</font>";
    const xResourcePackage p = makePackage(PackageBuilder::index(entry), b.blob);

    xFont* font = p.getFont("tiny");
    Held h(font);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphHeight(), 2);
    EXPECT_EQ(font->glyphOffset('A'), 0);
    EXPECT_EQ(font->glyphOffset('B'), 3);
    EXPECT_EQ(font->glyphOffset('C'), 5);
    EXPECT_EQ(font->advance('A'), 4);
    EXPECT_EQ(font->kerning('A', 'B'), -2);
    EXPECT_EQ(font->coverageAt(4, 1), 200);
    EXPECT_EQ(p.getFont("missing"), nullptr);
}

TEST(ResourceFonts, WidthsAreKeptInsideTheStrip)
{
    std::vector<int> widths(256, 0);
    widths[1] = -7;
    widths[2] = 6;
    widths[3] = 2147483647;
    widths[4] = 3;
    std::vector<int> advances(256, 0);
    advances[5] = 2147483647;
    advances[6] = -2147483647 - 1;
    const std::vector<std::uint8_t> w = int32Table(widths);
    const std::vector<std::uint8_t> a = int32Table(advances);
    xFont* font = xFont::create(10, 1, nullptr, 0, w.data(), w.size(), a.data(), a.size(), nullptr, 0);
    Held h(font);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphWidth(1), 0);
    EXPECT_EQ(font->glyphWidth(2), 6);
    EXPECT_EQ(font->glyphWidth(3), 4) << "cut at the strip's end";
    EXPECT_EQ(font->glyphWidth(4), 0);
    EXPECT_EQ(font->glyphOffset(255), 10);
    EXPECT_EQ(font->advance(5), xFont::kMaxAdvance);
    EXPECT_EQ(font->advance(6), -xFont::kMaxAdvance);
    EXPECT_EQ(font->coverageAt(9, 0), 0) << "missing coverage reads as transparent";
}

// The package the plug-in ships, as committed.
class ShippedPackage : public ::testing::Test {
protected:
    void SetUp() override
    {
        const std::string dir = sourceDir() + "/resources/gui/";
        index = readFile(dir + "index.xml");
        blob = readFile(dir + "package.bin");
        ASSERT_FALSE(index.empty()) << dir;
        package = std::make_unique<xResourcePackage>(reinterpret_cast<const char*>(index.data()), index.size(),
                                                     blob.data(), blob.size());
    }
    std::vector<std::uint8_t> index;
    std::vector<std::uint8_t> blob;
    std::unique_ptr<xResourcePackage> package;
};

TEST_F(ShippedPackage, HoldsEveryBitmapTheEditorAsksFor)
{
    struct Expected {
        const char* name;
        int depth, width, height;
    };
    const Expected all[] = {{"circle0", 32, 9, 9},        {"circle1", 32, 9, 9},       {"circle2", 32, 9, 9},
                            {"circle3", 32, 9, 9},        {"circle4", 32, 9, 9},       {"knob_anim", 32, 18, 1170},
                            {"knob2_anim", 32, 26, 3354}, {"modmatrix", 24, 397, 177}, {"modmatrixbutton", 24, 12, 24},
                            {"looptext", 24, 41, 91},     {"repeattext", 24, 23, 104}, {"debug", 24, 40, 36},
                            {"button", 24, 18, 81}};
    for (const Expected& e : all) {
        xBitmap* bm = package->getBitmap(e.name);
        Held h(bm);
        ASSERT_NE(bm, nullptr) << e.name;
        EXPECT_EQ(bm->bitDepth(), e.depth) << e.name;
        EXPECT_EQ(bm->width(), e.width) << e.name;
        EXPECT_EQ(bm->height(), e.height) << e.name;
    }
    xBitmap* knob = package->getBitmap("knob_anim");
    Held h(knob);
    EXPECT_EQ(knob->bytesPerPixel(), 4);
    EXPECT_EQ(knob->stride(), 72);
    EXPECT_EQ(package->getBitmap("knob3_anim"), nullptr);
}

TEST_F(ShippedPackage, KnobStripsAreTranslucentAroundTheKnob)
{
    xBitmap* knob = package->getBitmap("knob2_anim");
    Held h(knob);
    ASSERT_NE(knob, nullptr);
    // Corners of every frame are see-through; the centre of every frame is opaque.
    for (int f = 0; f < 129; ++f) {
        EXPECT_EQ(knob->pixels()[f * 26 * knob->stride() + 3], 0) << f;
        EXPECT_EQ(knob->pixels()[(f * 26 + 13) * knob->stride() + 13 * 4 + 3], 255) << f;
    }
}

TEST_F(ShippedPackage, FontIsALatin1StripOfThirteenPixelLines)
{
    xFont* font = package->getFont("arial11");
    Held h(font);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyphHeight(), 13);
    EXPECT_EQ(font->glyphOffset(255) + font->glyphWidth(255), font->stripWidth()) << "widths fill the strip";
    EXPECT_GT(font->glyphWidth('W'), font->glyphWidth('i'));
    EXPECT_GT(font->glyphWidth(200), 0) << "accented capitals exist";
    EXPECT_EQ(font->advance('\n'), 0);
    // The face's own pair kerning: "AV" and "F," are kerned closer, "HH" is not.
    EXPECT_EQ(font->kerning('A', 'V'), -1);
    EXPECT_EQ(font->kerning('F', ','), -1);
    EXPECT_EQ(font->kerning('H', 'H'), 0);
}
