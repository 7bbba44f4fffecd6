#pragma once
#include <cstddef>
#include <vector>

#include "platform/resources.h"

namespace platform {
namespace posix {

// The image an icon group offers for a size: the entry closest to `size` pixels wide,
// the one with the most colours among equals; its icon resource id, or 0 when the group
// directory is malformed or empty.
unsigned PickIconImage(const ResourceBytes& group, int size);

// The group's image `id` as an icon file (.ico) that holds that image alone, the form an
// image library reads; false when the group does not list it, or lists it longer than it
// is.
bool IconFileOf(const ResourceBytes& group, unsigned id, const ResourceBytes& image,
                std::vector<unsigned char>& file);

// Icon resource `id` through the current resource module, as an icon file of the image
// for `size`. The GTK module decodes it with gdk-pixbuf.
bool LoadIconFile(unsigned id, int size, std::vector<unsigned char>& file);

}  // namespace posix
}  // namespace platform
