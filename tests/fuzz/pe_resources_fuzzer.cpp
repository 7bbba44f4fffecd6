// The resource reader and the dialog parsers on any bytes: nothing is read outside the
// image, a resource found lies inside it, string entries are whole UTF-8, a parsed
// template holds no more controls than it declares, and dialog-init texts stop at their
// first zero byte.
//
// The input is taken as a whole as an image, as a dialog template and as dialog-init data.
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz_check.h"
#include "platform/dialog_template.h"
#include "platform/pe_resources.h"

namespace {

using platform::ResourceBytes;

// The ids of the program's dialogs and icons and a few around them.
const unsigned kIds[] = {1, 2, 7, 101, 102, 103, 104, 105};

std::uint16_t Read16(const unsigned char* data, std::size_t at) {
  return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size();) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    const std::size_t length = lead < 0x80    ? 1
                               : lead >= 0xF0 ? 4
                               : lead >= 0xE0 ? 3
                               : lead >= 0xC0 ? 2
                                              : 0;
    if (length == 0 || lead > 0xF4 || i + length > text.size())
      return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
        return false;
    }
    i += length;
  }
  return true;
}

void CheckTemplate(const unsigned char* data, std::size_t size) {
  platform::DialogTemplate dialog;
  const bool parsed = platform::ParseDialogTemplate(data, size, dialog);
  const bool extended = size >= 4 && Read16(data, 0) == 1 && Read16(data, 2) == 0xFFFF;
  const std::size_t countAt = extended ? 16 : 8;
  if (size < countAt + 2) {
    KWU_FUZZ_CHECK(!parsed && dialog.controls.empty());
    return;
  }
  const std::size_t declared = Read16(data, countAt);
  KWU_FUZZ_CHECK(dialog.extended == extended);
  KWU_FUZZ_CHECK(dialog.controls.size() <= declared);
  if (parsed)
    KWU_FUZZ_CHECK(dialog.controls.size() == declared);
}

void CheckDialogInit(const unsigned char* data, std::size_t size) {
  std::vector<platform::DialogInitEntry> entries;
  const bool parsed = platform::ParseDialogInit(data, size, entries);
  std::size_t bytes = 0;
  for (const platform::DialogInitEntry& entry : entries) {
    KWU_FUZZ_CHECK(entry.text.find('\0') == std::string::npos);
    KWU_FUZZ_CHECK(entry.control != 0);
    bytes += 8 + entry.text.size();
  }
  KWU_FUZZ_CHECK(bytes <= size);
  if (parsed && size >= 2 && Read16(data, 0) == 0)
    KWU_FUZZ_CHECK(entries.empty());  // a closing zero at once: no entry
}

void CheckResource(const unsigned char* base, std::size_t size, const ResourceBytes& resource) {
  const unsigned char* end = base + size;
  KWU_FUZZ_CHECK(resource.data >= base && resource.data <= end);
  KWU_FUZZ_CHECK(resource.size <= static_cast<std::size_t>(end - resource.data));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  CheckTemplate(data, size);
  CheckDialogInit(data, size);

  // The reader takes the image over; a moved vector keeps its buffer, so the resources
  // found can be checked against the bytes given.
  std::vector<unsigned char> image(data, data + size);
  const unsigned char* base = image.data();
  platform::PeResources resources;
  if (!resources.Load(std::move(image)))
    return 0;

  for (const unsigned id : kIds) {
    for (const unsigned type : {platform::kResourceDialog, platform::kResourceDialogInit,
                                platform::kResourceGroupIcon, platform::kResourceIcon}) {
      ResourceBytes resource;
      if (!resources.Find(type, id, resource))
        continue;
      CheckResource(base, size, resource);
      if (type == platform::kResourceDialog)
        CheckTemplate(resource.data, resource.size);
      else if (type == platform::kResourceDialogInit)
        CheckDialogInit(resource.data, resource.size);
    }
  }
  for (unsigned id = 0; id < 48; ++id) {
    std::string text = "unchanged";
    ResourceBytes block;
    if (resources.Find(platform::kResourceString, id / 16 + 1, block) &&
        platform::DecodeStringTableEntry(block, id % 16, text))
      KWU_FUZZ_CHECK(!text.empty() && IsUtf8(text));
    else
      KWU_FUZZ_CHECK(text == "unchanged");
  }
  return 0;
}
