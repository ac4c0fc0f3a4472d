#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

// The icon images (resource type 3) of a PE32 or PE32+ executable or library, read from its
// resource directory without loading or running it, as one icon block: named resources first,
// then numeric ids ascending, as the directory stores them; of a resource in several languages,
// the language-neutral or US English one, else the first. A resource of size 0 ends the list.
// The block still needs normalising. Throws EInvalidGraphic when the file is not a readable
// module or holds no icon images.
std::vector<uint8_t> readModuleIcons(std::span<const uint8_t> file);

}  // namespace tarvo
