#include "platform/pe_resources.h"

#include <cstdio>
#include <memory>

#include "platform/text_file.h"

namespace platform {

namespace {

// An image this large is no resource library of ours; it is not read into memory.
constexpr std::size_t kLargestImage = 64u * 1024 * 1024;
constexpr unsigned kResourceDirectoryIndex = 2;
constexpr std::uint32_t kSubdirectoryFlag = 0x80000000u;

std::uint16_t Read16(const std::vector<unsigned char>& bytes, std::size_t at) {
  return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t Read32(const std::vector<unsigned char>& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 |
         static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// True when [offset, offset + length) lies inside a buffer of the given size.
bool Fits(std::size_t size, std::size_t offset, std::size_t length) {
  return offset <= size && length <= size - offset;
}

void AppendUtf8(std::string& out, std::uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

std::string Utf16ToUtf8(const unsigned char* units, std::size_t count) {
  std::string out;
  out.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint32_t unit = units[2 * i] | units[2 * i + 1] << 8;
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < count) {
      const std::uint32_t next = units[2 * i + 2] | units[2 * i + 3] << 8;
      if (next >= 0xDC00 && next <= 0xDFFF) {
        AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00));
        ++i;
        continue;
      }
    }
    AppendUtf8(out, (unit >= 0xD800 && unit <= 0xDFFF) ? 0xFFFD : unit);
  }
  return out;
}

bool PeResources::LoadFile(const std::string& path) {
  m_loaded = false;
  // Anything but a plain file (a pipe would block the run) is no library.
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(OpenFileForReading(path), &std::fclose);
  if (!file)
    return false;
  // Read in pieces up to the largest image taken, so the file's size need not be asked.
  std::vector<unsigned char> image;
  unsigned char piece[16 * 1024];
  std::size_t count;
  while ((count = std::fread(piece, 1, sizeof piece, file.get())) > 0) {
    if (image.size() + count > kLargestImage)
      return false;
    image.insert(image.end(), piece, piece + count);
  }
  if (std::ferror(file.get()) || image.empty())
    return false;
  return Load(std::move(image));
}

bool PeResources::Load(std::vector<unsigned char> image) {
  m_loaded = false;
  m_sections.clear();
  m_image = std::move(image);
  const std::vector<unsigned char>& b = m_image;
  const std::size_t size = b.size();

  // DOS header, then the PE signature and the file header.
  if (!Fits(size, 0, 0x40) || b[0] != 'M' || b[1] != 'Z')
    return false;
  const std::size_t pe = Read32(b, 0x3C);
  if (!Fits(size, pe, 24) || Read32(b, pe) != 0x00004550u)
    return false;
  const unsigned sectionCount = Read16(b, pe + 6);
  const std::size_t optionalSize = Read16(b, pe + 20);
  const std::size_t optional = pe + 24;
  if (!Fits(size, optional, optionalSize) || optionalSize < 2)
    return false;

  // The optional header: its magic says where the data directories begin.
  const std::uint16_t magic = Read16(b, optional);
  std::size_t directoryCountAt;
  if (magic == 0x10B)
    directoryCountAt = 92;
  else if (magic == 0x20B)
    directoryCountAt = 108;
  else
    return false;
  if (optionalSize < directoryCountAt + 4)
    return false;
  const std::uint32_t directoryCount = Read32(b, optional + directoryCountAt);
  const std::size_t resourceEntry = directoryCountAt + 4 + 8 * kResourceDirectoryIndex;
  if (directoryCount <= kResourceDirectoryIndex || optionalSize < resourceEntry + 8)
    return false;
  const std::uint32_t resourceRva = Read32(b, optional + resourceEntry);
  const std::uint32_t resourceSize = Read32(b, optional + resourceEntry + 4);
  if (resourceRva == 0 || resourceSize < 16)
    return false;

  const std::size_t sectionTable = optional + optionalSize;
  if (!Fits(size, sectionTable, static_cast<std::size_t>(sectionCount) * 40))
    return false;
  for (unsigned i = 0; i < sectionCount; ++i) {
    const std::size_t at = sectionTable + 40 * static_cast<std::size_t>(i);
    m_sections.push_back({Read32(b, at + 12), Read32(b, at + 16), Read32(b, at + 20)});
  }
  // The root directory's header must be readable; its entries are checked as they are read.
  if (!RvaToOffset(resourceRva, 16, m_root))
    return false;
  m_loaded = true;
  return true;
}

// Maps an address of the loaded image to the file, when all `size` bytes are stored there.
bool PeResources::RvaToOffset(std::uint32_t rva, std::uint32_t size, std::size_t& offset) const {
  for (const Section& section : m_sections) {
    if (rva < section.virtualAddress)
      continue;
    const std::uint64_t into = rva - section.virtualAddress;
    if (into + size > section.rawSize)
      continue;
    const std::uint64_t at = section.rawOffset + into;
    if (at + size > m_image.size())
      return false;
    offset = static_cast<std::size_t>(at);
    return true;
  }
  return false;
}

// Directory offsets in the tree are relative to the root, which lies inside one section
// with the rest of the tree; each is checked against the file.
bool PeResources::FindEntry(std::size_t directory, unsigned id, std::uint32_t& entry) const {
  if (!Fits(m_image.size(), directory, 16))
    return false;
  const std::size_t named = Read16(m_image, directory + 12);
  const std::size_t numbered = Read16(m_image, directory + 14);
  const std::size_t first = directory + 16 + 8 * named;
  if (!Fits(m_image.size(), directory + 16, 8 * (named + numbered)))
    return false;
  for (std::size_t i = 0; i < numbered; ++i) {
    const std::size_t at = first + 8 * i;
    if (Read32(m_image, at) == id) {
      entry = Read32(m_image, at + 4);
      return true;
    }
  }
  return false;
}

bool PeResources::FirstEntry(std::size_t directory, std::uint32_t& entry) const {
  if (!Fits(m_image.size(), directory, 16))
    return false;
  const std::size_t count =
      static_cast<std::size_t>(Read16(m_image, directory + 12)) + Read16(m_image, directory + 14);
  if (count == 0 || !Fits(m_image.size(), directory + 16, 8))
    return false;
  entry = Read32(m_image, directory + 20);
  return true;
}

bool PeResources::Find(unsigned type, unsigned id, ResourceBytes& resource) const {
  if (!m_loaded)
    return false;
  // Three levels: type, id, language. The first two lead to directories, the last to a
  // data entry; anything else is a damaged tree.
  std::uint32_t entry;
  if (!FindEntry(m_root, type, entry) || !(entry & kSubdirectoryFlag))
    return false;
  std::uint32_t names;
  if (!FindEntry(m_root + (entry & ~kSubdirectoryFlag), id, names) || !(names & kSubdirectoryFlag))
    return false;
  std::uint32_t language;
  if (!FirstEntry(m_root + (names & ~kSubdirectoryFlag), language) ||
      (language & kSubdirectoryFlag))
    return false;
  const std::size_t dataEntry = m_root + language;
  if (!Fits(m_image.size(), dataEntry, 16))
    return false;
  const std::uint32_t dataRva = Read32(m_image, dataEntry);
  const std::uint32_t dataSize = Read32(m_image, dataEntry + 4);
  std::size_t offset;
  if (!RvaToOffset(dataRva, dataSize, offset))
    return false;
  resource.data = m_image.data() + offset;
  resource.size = dataSize;
  return true;
}

}  // namespace platform
