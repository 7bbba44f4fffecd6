#include "platform/dialog_template.h"

namespace platform {

const char kButtonClass[] = "Button";
const char kStaticClass[] = "Static";
const char kComboBoxClass[] = "ComboBox";
const char kListBoxClass[] = "ListBox";
const char kUpDownClass[] = "msctls_updown32";

namespace {

// Reads little-endian fields from a block, remembering whether any read went past its end.
class Reader {
public:
  Reader(const unsigned char* data, std::size_t size) : m_data(data), m_size(size) {}

  bool Ok() const { return m_ok; }
  std::size_t Position() const { return m_position; }

  std::uint8_t U8() { return Take(1) ? m_data[m_position - 1] : 0; }
  std::uint16_t U16() {
    if (!Take(2))
      return 0;
    return static_cast<std::uint16_t>(m_data[m_position - 2] | m_data[m_position - 1] << 8);
  }
  std::uint32_t U32() {
    const std::uint32_t low = U16();
    return low | static_cast<std::uint32_t>(U16()) << 16;
  }
  short S16() { return static_cast<short>(U16()); }

  void AlignTo4() {
    const std::size_t padding = (4 - m_position % 4) % 4;
    Take(padding);
  }
  void Skip(std::size_t count) { Take(count); }

  // A zero-terminated UTF-16 string.
  std::string String() {
    const std::size_t start = m_position;
    std::size_t units = 0;
    for (;;) {
      const std::uint16_t unit = U16();
      if (!m_ok)
        return std::string();
      if (unit == 0)
        break;
      ++units;
    }
    return ResourceTextToNarrow(m_data + start, units);
  }

  // A string, or 0xFFFF followed by a number.
  void StringOrOrdinal(std::string& text, std::uint16_t& ordinal) {
    if (Peek16() == 0xFFFF) {
      U16();
      ordinal = U16();
      text.clear();
    } else {
      ordinal = 0;
      text = String();
    }
  }

private:
  std::uint16_t Peek16() const {
    if (!m_ok || m_size - m_position < 2)
      return 0;
    return static_cast<std::uint16_t>(m_data[m_position] | m_data[m_position + 1] << 8);
  }
  bool Take(std::size_t count) {
    if (!m_ok || m_size - m_position < count) {
      m_ok = false;
      return false;
    }
    m_position += count;
    return true;
  }

  const unsigned char* m_data;
  std::size_t m_size;
  std::size_t m_position = 0;
  bool m_ok = true;
};

std::string PredefinedClassName(std::uint16_t ordinal) {
  switch (ordinal) {
    case 0x80: return kButtonClass;
    case 0x81: return "Edit";
    case 0x82: return kStaticClass;
    case 0x83: return kListBoxClass;
    case 0x84: return "ScrollBar";
    case 0x85: return kComboBoxClass;
    default: return "#" + std::to_string(ordinal);
  }
}

void ReadClass(Reader& reader, std::string& className) {
  std::uint16_t ordinal = 0;
  reader.StringOrOrdinal(className, ordinal);
  if (ordinal != 0)
    className = PredefinedClassName(ordinal);
}

}  // namespace

bool ParseDialogTemplate(const unsigned char* data, std::size_t size, DialogTemplate& dialog) {
  dialog = DialogTemplate();
  Reader reader(data, size);
  std::size_t count;
  if (size >= 4 && data[0] == 1 && data[1] == 0 && data[2] == 0xFF && data[3] == 0xFF) {
    dialog.extended = true;
    reader.Skip(4);
    reader.U32();  // help id
    dialog.extendedStyle = reader.U32();
    dialog.style = reader.U32();
  } else {
    dialog.style = reader.U32();
    dialog.extendedStyle = reader.U32();
  }
  count = reader.U16();
  dialog.x = reader.S16();
  dialog.y = reader.S16();
  dialog.width = reader.S16();
  dialog.height = reader.S16();
  std::string ignored;
  std::uint16_t ordinal;
  reader.StringOrOrdinal(ignored, ordinal);  // menu
  reader.StringOrOrdinal(ignored, ordinal);  // window class
  dialog.title = reader.String();
  if (dialog.style & kDialogSetFont) {
    dialog.pointSize = reader.U16();
    if (dialog.extended) {
      dialog.weight = reader.U16();
      dialog.italic = reader.U8() != 0;
      dialog.charSet = reader.U8();
    }
    dialog.font = reader.String();
  }

  for (std::size_t i = 0; i < count && reader.Ok(); ++i) {
    DialogControl control;
    reader.AlignTo4();
    if (dialog.extended) {
      reader.U32();  // help id
      control.extendedStyle = reader.U32();
      control.style = reader.U32();
    } else {
      control.style = reader.U32();
      control.extendedStyle = reader.U32();
    }
    control.x = reader.S16();
    control.y = reader.S16();
    control.width = reader.S16();
    control.height = reader.S16();
    control.id = dialog.extended ? reader.U32() : reader.U16();
    ReadClass(reader, control.className);
    reader.StringOrOrdinal(control.text, control.textResource);
    reader.Skip(reader.U16());  // creation data
    if (reader.Ok())
      dialog.controls.push_back(control);
  }
  return reader.Ok();
}

bool ParseDialogInit(const unsigned char* data, std::size_t size,
                     std::vector<DialogInitEntry>& entries) {
  entries.clear();
  Reader reader(data, size);
  for (;;) {
    if (reader.Position() == size)
      return true;  // the closing zero may be missing at the very end
    DialogInitEntry entry;
    entry.control = reader.U16();
    if (!reader.Ok())
      return false;
    if (entry.control == 0)
      return true;
    entry.message = reader.U16();
    const std::uint32_t length = reader.U32();
    const std::size_t start = reader.Position();
    reader.Skip(length);
    if (!reader.Ok())
      return false;
    std::size_t end = start;
    while (end < start + length && data[end] != 0)
      ++end;
    entry.text.assign(reinterpret_cast<const char*>(data) + start, end - start);
    entries.push_back(entry);
  }
}

bool LoadDialogResource(unsigned templateId, DialogResource& resource) {
  resource = DialogResource();
  FoundResource found;
  if (!FindCurrentResource(kResourceDialog, templateId, found) ||
      !ParseDialogTemplate(found.bytes.data, found.bytes.size, resource.dialog))
    return false;
  resource.module = found.module;
  resource.templateBytes = found.bytes;
  ResourceBytes init;
  if (FindResourceBytes(*found.module, kResourceDialogInit, templateId, init))
    ParseDialogInit(init.data, init.size, resource.init);
  return true;
}

}  // namespace platform
