#include "platform/posix/icon_image.h"

#include <cstdint>
#include <cstdlib>

namespace platform {
namespace posix {

namespace {

std::uint32_t Read16(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0] | (at[1] << 8));
}

std::uint32_t Read32(const unsigned char* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

// Group directory: reserved, type 1, count; then 14 bytes per image.
constexpr std::size_t kGroupHeader = 6;
constexpr std::size_t kGroupEntry = 14;
constexpr std::size_t kBitmapHeader = 40;
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

bool DecodeIconImage(const ResourceBytes& icon, IconImage& image) {
  if (!icon.data || icon.size < kBitmapHeader || Read32(icon.data) < kBitmapHeader)
    return false;
  const unsigned char* data = icon.data;
  const std::size_t headerSize = Read32(data);
  const std::int32_t width = static_cast<std::int32_t>(Read32(data + 4));
  const std::int32_t doubleHeight = static_cast<std::int32_t>(Read32(data + 8));
  const std::uint32_t bits = Read16(data + 14);
  const std::uint32_t compression = Read32(data + 16);
  std::uint32_t colours = Read32(data + 32);
  // The height counts the colour bitmap and the mask.
  const std::int32_t height = doubleHeight / 2;
  if (width <= 0 || height <= 0 || width > kLargestIcon || height > kLargestIcon ||
      compression != 0 || headerSize > icon.size)
    return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    return false;
  if (bits <= 8 && (colours == 0 || colours > (1u << bits)))
    colours = 1u << bits;
  if (bits > 8)
    colours = 0;
  const std::size_t paletteAt = headerSize;
  const std::size_t pixelsAt = paletteAt + std::size_t{colours} * 4;
  const std::size_t rowBytes = ((std::size_t(width) * bits + 31) / 32) * 4;
  const std::size_t maskRowBytes = ((std::size_t(width) + 31) / 32) * 4;
  const std::size_t maskAt = pixelsAt + rowBytes * std::size_t(height);
  const bool hasMask = maskAt + maskRowBytes * std::size_t(height) <= icon.size;
  if (maskAt > icon.size || (bits != 32 && !hasMask))
    return false;

  image.width = width;
  image.height = height;
  image.rgba.assign(std::size_t(width) * std::size_t(height) * 4, 0);
  // A 32-bit image carries its own transparency unless every alpha byte is zero.
  bool ownAlpha = false;
  for (std::size_t at = 3; bits == 32 && at < rowBytes * std::size_t(height); at += 4)
    ownAlpha = ownAlpha || data[pixelsAt + at] != 0;
  for (std::int32_t y = 0; y < height; ++y) {
    // Rows are stored from the bottom up.
    const unsigned char* row = data + pixelsAt + rowBytes * std::size_t(height - 1 - y);
    const unsigned char* maskRow = data + maskAt + maskRowBytes * std::size_t(height - 1 - y);
    for (std::int32_t x = 0; x < width; ++x) {
      unsigned char* pixel =
          &image.rgba[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
      unsigned char blue = 0, green = 0, red = 0, alpha = 255;
      if (bits <= 8) {
        const std::uint32_t bitAt = std::uint32_t(x) * bits;
        const std::uint32_t shift = 8 - bits - bitAt % 8;
        const std::uint32_t index = (row[bitAt / 8] >> shift) & ((1u << bits) - 1);
        if (index < colours) {
          const unsigned char* colour = data + paletteAt + index * 4;
          blue = colour[0];
          green = colour[1];
          red = colour[2];
        }
      } else {
        const unsigned char* colour = row + std::size_t(x) * (bits / 8);
        blue = colour[0];
        green = colour[1];
        red = colour[2];
        if (ownAlpha)
          alpha = colour[3];
      }
      if (hasMask && !ownAlpha && ((maskRow[x / 8] >> (7 - x % 8)) & 1))
        alpha = 0;
      pixel[0] = red;
      pixel[1] = green;
      pixel[2] = blue;
      pixel[3] = alpha;
    }
  }
  return true;
}

bool LoadIconImage(unsigned id, int size, IconImage& image) {
  FoundResource group;
  if (!FindCurrentResource(kResourceGroupIcon, id, group))
    return false;
  const unsigned imageId = PickIconImage(group.bytes, size);
  ResourceBytes bytes;
  // The images belong to the module whose directory names them.
  return imageId != 0 && FindResourceBytes(*group.module, kResourceIcon, imageId, bytes) &&
         DecodeIconImage(bytes, image);
}

}  // namespace posix
}  // namespace platform
