#pragma once
#include <cstddef>

#include "platform/posix/gtk/gtk_module.h"
#include "platform/resources.h"

namespace platform {
namespace posix {

// The image an icon group offers for a size: the entry closest to `size` pixels wide,
// the one with the most colours among equals; its icon resource id, or 0 when the group
// directory is malformed or empty.
unsigned PickIconImage(const ResourceBytes& group, int size);

// Decodes an icon image (a device-independent bitmap of 1, 4, 8, 24 or 32 bits per pixel
// followed by its transparency mask) into RGBA; false when the data is malformed.
bool DecodeIconImage(const ResourceBytes& icon, IconImage& image);

// Icon resource `id` through the current resource module, in the image for `size`.
bool LoadIconImage(unsigned id, int size, IconImage& image);

}  // namespace posix
}  // namespace platform
