#pragma once

#include <QByteArray>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace tarvo {

// Which 32-bit images an icon or cursor file stores PNG-compressed: those of 256 pixels and more
// (as current icons do), every one, or none. Images of fewer bits stay bitmaps: readers agree on
// PNG entries only as 32-bit pictures.
enum class PngPolicy { Auto, All, None };

// "auto", "all" or "none"; false for anything else.
bool parsePngPolicy(const QString& text, PngPolicy& policy);

// The PNG entries of an opened file, by the image they decoded to: an image that is saved
// unchanged is written back as the very PNG it came from.
class TPngOriginals {
  public:
    void add(std::span<const uint8_t> decoded, std::span<const uint8_t> png);
    // The PNG that decoded to exactly these image bytes, or null.
    const std::vector<uint8_t>* find(std::span<const uint8_t> decoded) const;
    bool empty() const { return byDigest_.empty(); }

  private:
    std::map<QByteArray, std::vector<uint8_t>> byDigest_;
};

// The bytes of an icon or cursor file for a strict block: each 32-bit image's mask follows its
// alpha (set where alpha is 0), so programs that honour the mask see the same shape; 32-bit
// images the policy chooses are stored as PNG, unchanged ones as they were opened.
std::vector<uint8_t> iconFileBytes(std::span<const uint8_t> block, PngPolicy policy,
                                   const TPngOriginals* originals = nullptr);

}  // namespace tarvo
