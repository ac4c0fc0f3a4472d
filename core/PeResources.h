#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace tarvo {

// Which images of a module to read: its icons, or its cursors when it holds no icon images; or
// its cursors alone, for a module that holds both.
enum class ModuleImages { IconsFirst, Cursors };

// The icon images (resource type 3) or cursor images (type 1, and every frame of each animated
// cursor, type 21, after them) of a PE32 or PE32+ executable or library, read from its resource
// directory without loading or running it, as one block: of type 1 for icons, of type 2 for
// cursors with each image's hot spot in its directory entry. Within a type, named resources
// come first, then numeric ids ascending, as the directory stores them; of a resource in several
// languages, the language-neutral or US English one, else the first. A resource of size 0 ends
// its type's list. The block still needs normalising. Throws EInvalidGraphic when the file is not
// a readable module or holds no images of the kind asked for.
std::vector<uint8_t> readModuleImages(std::span<const uint8_t> file,
                                      ModuleImages which = ModuleImages::IconsFirst);

}  // namespace tarvo
