#include "platform/posix/icon_image.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace platform {
namespace posix {

namespace {

std::uint32_t Read16(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}

void Append16(std::vector<unsigned char>& out, std::uint32_t value) {
  out.push_back(static_cast<unsigned char>(value));
  out.push_back(static_cast<unsigned char>(value >> 8));
}

void Append32(std::vector<unsigned char>& out, std::uint32_t value) {
  Append16(out, value & 0xFFFF);
  Append16(out, value >> 16);
}

// Group directory: reserved, type 1, count; then 14 bytes per image. An icon file has
// the same header, and 16 bytes per image (an offset in place of the id).
constexpr std::size_t kGroupHeader = 6;
constexpr std::size_t kGroupEntry = 14;
constexpr std::size_t kFileEntry = 16;
constexpr int kLargestIcon = 256;

}  // namespace

unsigned PickIconImage(const ResourceBytes& group, int size) {
  if (!group.data || group.size < kGroupHeader || Read16(group.data + 2) != 1)
    return 0;
  const std::size_t count = Read16(group.data + 4);
  unsigned best = 0;
  int bestDistance = 0;
  std::uint32_t bestBits = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t at = kGroupHeader + i * kGroupEntry;
    if (at + kGroupEntry > group.size)
      break;
    const unsigned char* entry = group.data + at;
    const int width = entry[0] == 0 ? kLargestIcon : entry[0];
    const std::uint32_t bits = Read16(entry + 6);
    const unsigned id = Read16(entry + 12);
    const int distance = std::abs(width - size);
    if (id != 0 &&
        (best == 0 || distance < bestDistance || (distance == bestDistance && bits > bestBits))) {
      best = id;
      bestDistance = distance;
      bestBits = bits;
    }
  }
  return best;
}

bool IconFileOf(const ResourceBytes& group, unsigned id, const ResourceBytes& image,
                std::vector<unsigned char>& file) {
  if (!group.data || group.size < kGroupHeader || !image.data || image.size == 0)
    return false;
  const std::size_t count = Read16(group.data + 4);
  for (std::size_t at = kGroupHeader;
       at < kGroupHeader + count * kGroupEntry && at + kGroupEntry <= group.size;
       at += kGroupEntry) {
    const unsigned char* entry = group.data + at;
    if (Read16(entry + 12) != id)
      continue;
    // An image shorter than its directory says is damaged: gdk-pixbuf would show the part
    // it lacks as whatever its buffer held.
    if (image.size < (Read16(entry + 8) | (Read16(entry + 10) << 16)))
      return false;
    // The file's directory: one entry, the group's less its id, with the image's own size
    // and where the image starts instead.
    file.assign(group.data, group.data + 4);
    Append16(file, 1);
    file.insert(file.end(), entry, entry + 8);
    Append32(file, static_cast<std::uint32_t>(image.size));
    Append32(file, static_cast<std::uint32_t>(kGroupHeader + kFileEntry));
    file.insert(file.end(), image.data, image.data + image.size);
    return true;
  }
  return false;
}

bool LoadIconFile(unsigned id, int size, std::vector<unsigned char>& file) {
  FoundResource group;
  if (!FindCurrentResource(kResourceGroupIcon, id, group))
    return false;
  const unsigned imageId = PickIconImage(group.bytes, size);
  ResourceBytes image;
  // The images belong to the module whose directory names them.
  return imageId != 0 && FindResourceBytes(*group.module, kResourceIcon, imageId, image) &&
         IconFileOf(group.bytes, imageId, image, file);
}

}  // namespace posix
}  // namespace platform
