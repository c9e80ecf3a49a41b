#include "package_writer.h"

namespace artgen {

namespace {

class Blob {
public:
    explicit Blob(std::vector<std::uint8_t>& bytes) : bytes_(bytes) { }

    // Appends a table and returns its reference element.
    std::string add(const std::string& name, const std::vector<std::uint8_t>& table)
    {
        while (bytes_.size() % 4 != 0)
            bytes_.push_back(0);
        const std::size_t offset = bytes_.size();
        bytes_.insert(bytes_.end(), table.begin(), table.end());
        return "        <binary_reference name=\"" + name + "\" offset=\"" + std::to_string(offset) + "\" size=\""
            + std::to_string(table.size()) + "\" />\n";
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

std::vector<std::uint8_t> int32Table(const std::array<int, 256>& values)
{
    std::vector<std::uint8_t> out;
    for (int v : values) {
        const auto u = static_cast<std::uint32_t>(v);
        for (int k = 0; k < 4; ++k)
            out.push_back(static_cast<std::uint8_t>(u >> (8 * k)));
    }
    return out;
}

} // namespace

Package buildPackage(const std::string& fontName, const FontStrip& font, const std::vector<Artwork>& art)
{
    Package p;
    Blob blob(p.blob);
    std::string& x = p.index;
    x = "<?xml version=\"1.0\" standalone=\"no\"?>\n<resource>\n";
    x += "    <font name=\"" + fontName + "\" bitmap_width=\"" + std::to_string(font.stripWidth) + "\" bitmap_height=\""
        + std::to_string(font.height) + "\">\n";
    x += blob.add("glyph_widths_table", int32Table(font.widths));
    x += blob.add("advances_table", int32Table(font.advances));
    std::vector<std::uint8_t> kerning(font.kerning.size());
    for (std::size_t i = 0; i < kerning.size(); ++i)
        kerning[i] = static_cast<std::uint8_t>(font.kerning[i]);
    x += blob.add("kerning_table", kerning);
    x += blob.add("pixel_data", font.coverage);
    x += "    </font>\n";
    for (const Artwork& a : art) {
        x += "    <bitmap name=\"" + a.name + "\" bitdepth=\"" + std::to_string(a.bitDepth) + "\" width=\""
            + std::to_string(a.picture.width()) + "\" height=\"" + std::to_string(a.picture.height()) + "\">\n";
        x += blob.add("pixel_data", a.picture.bytes(a.bitDepth / 8));
        x += "    </bitmap>\n";
    }
    x += "</resource>\n";
    return p;
}

} // namespace artgen
