#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/resources.h"

// Reading of dialog templates and dialog-init data: every host shows a dialog from what
// is read here. Both come from resource modules that may be translated by others, so the
// data is checked throughout.

namespace platform {

// Predefined control classes, by their names in templates.
extern const char kButtonClass[];
extern const char kStaticClass[];
extern const char kComboBoxClass[];
extern const char kListBoxClass[];
extern const char kUpDownClass[];  // the common controls' up-down control

struct DialogControl {
  std::uint32_t id = 0;            // 0xFFFF (classic) or 0xFFFFFFFF (extended) for "no id"
  std::string className;           // "Button", "Static", "ComboBox" ... or the class's name
  std::string text;                // the text, when the template gives one
  std::uint16_t textResource = 0;  // the resource id given instead of a text (icons), or 0
  std::uint32_t style = 0;
  std::uint32_t extendedStyle = 0;
  short x = 0, y = 0, width = 0, height = 0;
};

struct DialogTemplate {
  bool extended = false;  // DIALOGEX rather than DIALOG
  std::uint32_t style = 0;
  std::uint32_t extendedStyle = 0;
  short x = 0, y = 0, width = 0, height = 0;
  std::string title;
  std::uint16_t pointSize = 0;
  std::uint16_t weight = 0;
  bool italic = false;
  std::uint8_t charSet = 0;
  std::string font;
  std::vector<DialogControl> controls;
};

// Parses a classic or extended template; false when it is malformed or truncated.
bool ParseDialogTemplate(const unsigned char* data, std::size_t size, DialogTemplate& dialog);

// One entry of dialog-init data: a message with a text for one control of the dialog.
struct DialogInitEntry {
  std::uint16_t control = 0;
  std::uint16_t message = 0;
  std::string text;  // the entry's bytes up to the first zero byte
};

// The message codes dialog-init data uses for adding a string to a list box and to a
// combo box; hosts carry out these two and nothing else.
constexpr std::uint16_t kDialogInitAddListString = 0x0401;
constexpr std::uint16_t kDialogInitAddComboString = 0x0403;

// Parses dialog-init data up to its closing zero. Entries are taken while they are whole;
// false when the data ends inside an entry (the whole entries before it are kept).
bool ParseDialogInit(const unsigned char* data, std::size_t size,
                     std::vector<DialogInitEntry>& entries);

// Style bits the dialog model and the hosts look at.
enum : std::uint32_t {
  kStyleVisible = 0x10000000,
  kStyleDisabled = 0x08000000,
  kStyleGroup = 0x00020000,
  kStyleTabStop = 0x00010000,
  kButtonTypeMask = 0x0000000F,  // the button's type, one of these:
  kButtonPush = 0x0,
  kButtonDefPush = 0x1,
  kButtonCheckBox = 0x2,
  kButtonAutoCheckBox = 0x3,
  kButtonRadio = 0x4,
  kButton3State = 0x5,
  kButtonAuto3State = 0x6,
  kButtonGroupBox = 0x7,
  kButtonAutoRadio = 0x9,
  kButtonDefSplit = 0xD,
  kButtonDefCommandLink = 0xF,
  kStaticTypeMask = 0x0000001F,
  kStaticIcon = 0x00000003,
  kComboSort = 0x00000100,
  kListSort = 0x00000002,
  kDialogSetFont = 0x00000040,
  // Extended style: the dialog is laid out right to left, every control mirrored.
  kExStyleLayoutRtl = 0x00400000,
};

// A dialog as every host shows it: the template of the current resource module (else of
// the program's own resources), its bytes and their parsed form, and the dialog-init
// entries of the same module.
struct DialogResource {
  const ResourceModule* module = nullptr;
  ResourceBytes templateBytes;
  DialogTemplate dialog;
  std::vector<DialogInitEntry> init;
};

// False when neither module has the template or it cannot be parsed. Damaged dialog-init
// data gives the whole entries before the damage.
bool LoadDialogResource(unsigned templateId, DialogResource& resource);

}  // namespace platform
