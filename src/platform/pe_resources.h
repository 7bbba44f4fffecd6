#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/resources.h"

namespace platform {

// The resources of a PE image (an executable or a resource-only library), read as data
// only: nothing in the image is ever run. The image comes from outside the program, so
// every offset and size in it is checked against its length before use; a malformed
// image is rejected, and a damaged resource is simply not found.
class PeResources {
public:
  // Takes the image; false when it is not a PE image with a readable resource directory.
  bool Load(std::vector<unsigned char> image);
  // Reads the file and loads it; false when it cannot be read or is not such an image.
  bool LoadFile(const std::string& path);

  // The resource of the given type and id (numbers only), in the first language it is
  // stored in. False when there is none or its data lies outside the image.
  bool Find(unsigned type, unsigned id, ResourceBytes& resource) const;

private:
  bool RvaToOffset(std::uint32_t rva, std::uint32_t size, std::size_t& offset) const;
  bool FindEntry(std::size_t directory, unsigned id, std::uint32_t& entry) const;
  bool FirstEntry(std::size_t directory, std::uint32_t& entry) const;

  struct Section {
    std::uint32_t virtualAddress;
    std::uint32_t rawSize;
    std::uint32_t rawOffset;
  };

  std::vector<unsigned char> m_image;
  std::vector<Section> m_sections;
  std::size_t m_root = 0;  // file offset of the resource directory
  bool m_loaded = false;
};

// UTF-16 little-endian code units to UTF-8; an unpaired surrogate becomes U+FFFD.
std::string Utf16ToUtf8(const unsigned char* units, std::size_t count);

}  // namespace platform
