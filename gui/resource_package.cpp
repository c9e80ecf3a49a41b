#include "gui/resource_package.h"

#include <algorithm>
#include <string_view>

#include <tinyxml.h>

#include "gui/bitmap.h"
#include "gui/font.h"

namespace vellum {

namespace {

// An integer attribute in decimal; 0 when absent or not a number.
std::int64_t intAttribute(const TiXmlElement& element, const char* name)
{
    const char* text = element.Attribute(name);
    if (!text)
        return 0;
    try {
        std::size_t used = 0;
        return std::stoll(text, &used, 10);
    } catch (const std::exception&) {
        return 0;
    }
}

int clampedInt(std::int64_t value)
{
    return static_cast<int>(std::clamp<std::int64_t>(value, -(std::int64_t{1} << 30), std::int64_t{1} << 30));
}

bool nameIs(const TiXmlElement& element, const std::string& name)
{
    const char* text = element.Attribute("name");
    return text && name == text;
}

// Deliberately a plain pointer: a static object with a destructor would be destroyed by the
// C++ run-time at exit, before the module's unload code runs on a host that exits without
// unloading the library, and that code would then release it a second time. Only
// createPackage and destroyPackage free it.
xResourcePackage* gPackage = nullptr;

} // namespace

xResourcePackage::xResourcePackage(const char* index, std::size_t indexSize, const std::uint8_t* blob,
                                   std::size_t blobSize)
    : document_(std::make_unique<TiXmlDocument>())
{
    // The index need not end with a zero byte; the parser gets its own terminated copy. A
    // zero byte inside it ends the text there.
    const std::string text = index
        ? std::string(std::string_view(index, indexSize).substr(0, std::string_view(index, indexSize).find('\0')))
        : std::string();
    document_->Parse(text.c_str());
    if (text.empty() || document_->Error())
        throw xResourceError(std::string("resource index unreadable: ")
                             + (text.empty() ? "empty" : document_->ErrorDesc()));
    root_ = document_->FirstChildElement("resource");
    if (!root_)
        throw xResourceError("resource index has no \"resource\" element");
    if (blob && blobSize > 0)
        blob_.assign(blob, blob + blobSize);
}

xResourcePackage::~xResourcePackage() = default;

const TiXmlElement* xResourcePackage::findEntry(const char* kind, const std::string& name) const
{
    for (const TiXmlElement* e = root_->FirstChildElement(kind); e; e = e->NextSiblingElement(kind)) {
        if (nameIs(*e, name))
            return e;
    }
    return nullptr;
}

std::vector<std::uint8_t> xResourcePackage::table(const TiXmlElement& entry, const char* tableName) const
{
    const std::string wanted(tableName);
    for (const TiXmlElement* ref = entry.FirstChildElement("binary_reference"); ref;
         ref = ref->NextSiblingElement("binary_reference")) {
        if (!nameIs(*ref, wanted))
            continue;
        const std::int64_t offset = intAttribute(*ref, "offset");
        const std::int64_t size = intAttribute(*ref, "size");
        const auto blobSize = static_cast<std::int64_t>(blob_.size());
        if (offset < 0 || size < 0 || offset > blobSize || size > blobSize - offset)
            return {};
        return {blob_.begin() + offset, blob_.begin() + offset + size};
    }
    return {};
}

xBitmap* xResourcePackage::getBitmap(const std::string& name) const
{
    const TiXmlElement* entry = findEntry("bitmap", name);
    if (!entry)
        return nullptr;
    const int bitDepth = clampedInt(intAttribute(*entry, "bitdepth"));
    const int width = clampedInt(intAttribute(*entry, "width"));
    const int height = clampedInt(intAttribute(*entry, "height"));
    const std::vector<std::uint8_t> pixels = table(*entry, "pixel_data");
    const std::vector<std::uint8_t> palette =
        bitDepth == 8 ? table(*entry, "palette_data") : std::vector<std::uint8_t>();
    return xBitmap::create(bitDepth, width, height, pixels.data(), pixels.size(), palette.data(), palette.size());
}

xFont* xResourcePackage::getFont(const std::string& name) const
{
    const TiXmlElement* entry = findEntry("font", name);
    if (!entry)
        return nullptr;
    const int width = clampedInt(intAttribute(*entry, "bitmap_width"));
    const int height = clampedInt(intAttribute(*entry, "bitmap_height"));
    const std::vector<std::uint8_t> coverage = table(*entry, "pixel_data");
    const std::vector<std::uint8_t> widths = table(*entry, "glyph_widths_table");
    const std::vector<std::uint8_t> advances = table(*entry, "advances_table");
    const std::vector<std::uint8_t> kerning = table(*entry, "kerning_table");
    return xFont::create(width, height, coverage.data(), coverage.size(), widths.data(), widths.size(), advances.data(),
                         advances.size(), kerning.data(), kerning.size());
}

bool createPackage(const char* index, std::size_t indexSize, const std::uint8_t* blob, std::size_t blobSize)
{
    destroyPackage();
    try {
        gPackage = new xResourcePackage(index, indexSize, blob, blobSize);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

void destroyPackage()
{
    delete gPackage;
    gPackage = nullptr;
}

xResourcePackage* getPackage()
{
    return gPackage;
}

} // namespace vellum
