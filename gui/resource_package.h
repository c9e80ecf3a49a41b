#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TiXmlDocument;
class TiXmlElement;

namespace vellum {

class xBitmap;
class xFont;

// Thrown when a package's index cannot be used.
class xResourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The toolkit's resources: an XML index naming every bitmap and font, pointing into a blob
// that holds their tables.
//
//   <resource>
//     <font name=".." bitmap_width=".." bitmap_height="..">
//       <binary_reference name="glyph_widths_table|advances_table|kerning_table|pixel_data"
//                         offset=".." size=".."/> ...
//     </font>
//     <bitmap name=".." bitdepth="8|24|32" width=".." height="..">
//       <binary_reference name="pixel_data" .../> (and "palette_data" for bit depth 8)
//     </bitmap>
//   </resource>
//
// A reference is the bytes [offset, offset + size) of the blob. A reference that is missing,
// or that does not lie wholly inside the blob, reads as an empty table: the image or font is
// still made, with zeros where its data would be. Read-only once built; lookups may run on
// any one thread at a time.
class xResourcePackage {
public:
    // Parses the index and keeps a copy of it and of the blob, so the package does not depend
    // on the lifetime of the bytes it was built from. Throws xResourceError when the index is
    // missing, empty or malformed, or has no "resource" element.
    xResourcePackage(const char* index, std::size_t indexSize, const std::uint8_t* blob, std::size_t blobSize);
    ~xResourcePackage();
    xResourcePackage(const xResourcePackage&) = delete;
    xResourcePackage& operator=(const xResourcePackage&) = delete;

    // A new bitmap made from the first "bitmap" entry of that name, with a count of 0 (the
    // caller's until a holder takes it); null when there is none or it cannot be built.
    xBitmap* getBitmap(const std::string& name) const;

    // A new font made from the first "font" entry of that name, with a count of 0; null when
    // there is none.
    xFont* getFont(const std::string& name) const;

private:
    const TiXmlElement* findEntry(const char* kind, const std::string& name) const;
    std::vector<std::uint8_t> table(const TiXmlElement& entry, const char* tableName) const;

    std::unique_ptr<TiXmlDocument> document_;
    const TiXmlElement* root_ = nullptr;
    std::vector<std::uint8_t> blob_;
};

// The process-wide package, built once when the module loads and released when it unloads.
// createPackage replaces any earlier package; it returns false, and leaves no package, when
// the index cannot be used. Only destroyPackage releases it (nothing is freed by static
// destruction at exit), so the module's unload code owns its end in every order of unload
// and exit.
bool createPackage(const char* index, std::size_t indexSize, const std::uint8_t* blob, std::size_t blobSize);
void destroyPackage();
// Null while no package exists.
xResourcePackage* getPackage();

} // namespace vellum
