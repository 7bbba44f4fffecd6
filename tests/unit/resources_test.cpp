// The program's resources as built from the resource script, checked against the tables
// they were designed to, so that an edit of the script cannot change them unnoticed.
// The Windows executable links the same compiled script (checked again there).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/pe_resources.h"
#include "resource_strings.h"
#include "ui/resource_ids.h"

using platform::DialogControl;
using platform::DialogTemplate;
using platform::PeResources;
using platform::ResourceBytes;

namespace {

PeResources LoadImage(const char* path) {
  PeResources resources;
  EXPECT_TRUE(resources.LoadFile(path)) << path;
  return resources;
}

DialogTemplate LoadDialog(const PeResources& resources, unsigned id) {
  ResourceBytes bytes;
  DialogTemplate dialog;
  EXPECT_TRUE(resources.Find(platform::kResourceDialog, id, bytes));
  EXPECT_TRUE(platform::ParseDialogTemplate(bytes.data, bytes.size, dialog));
  return dialog;
}

struct ExpectedControl {
  std::uint32_t id;
  const char* className;
  const char* text;
  std::uint16_t icon;
  short x, y, width, height;
  std::uint32_t style;
};

void ExpectControls(const DialogTemplate& dialog, const std::vector<ExpectedControl>& expected) {
  ASSERT_EQ(dialog.controls.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("control " + std::to_string(i + 1));
    const DialogControl& c = dialog.controls[i];
    EXPECT_EQ(c.id, expected[i].id);
    EXPECT_EQ(c.className, expected[i].className);
    EXPECT_EQ(c.text, expected[i].text);
    EXPECT_EQ(c.textResource, expected[i].icon);
    EXPECT_EQ(c.x, expected[i].x);
    EXPECT_EQ(c.y, expected[i].y);
    EXPECT_EQ(c.width, expected[i].width);
    EXPECT_EQ(c.height, expected[i].height);
    EXPECT_EQ(c.style, expected[i].style);
    EXPECT_EQ(c.extendedStyle, 0u);
  }
}

std::string Text(const PeResources& resources, unsigned id) {
  std::string text;
  return FindImageString(resources, id, text) ? text : "<missing>";
}

// The three levels of a resource: its group entry and the images it names.
void ExpectIconGroup(const PeResources& resources, unsigned id) {
  ResourceBytes group;
  ASSERT_TRUE(resources.Find(platform::kResourceGroupIcon, id, group));
  ASSERT_EQ(group.size, 6u + 2 * 14);
  EXPECT_EQ(group.data[4], 2);  // two images
  const struct {
    unsigned size;
    std::uint32_t bytes;
  } images[] = {{32, 744}, {16, 296}};
  for (int i = 0; i < 2; ++i) {
    const unsigned char* entry = group.data + 6 + 14 * i;
    EXPECT_EQ(entry[0], images[i].size);
    EXPECT_EQ(entry[1], images[i].size);
    EXPECT_EQ(entry[2], 16);  // colours
    EXPECT_EQ(entry[6], 4);   // bits per pixel
    std::uint32_t bytes;
    std::memcpy(&bytes, entry + 8, 4);
    EXPECT_EQ(bytes, images[i].bytes);
    ResourceBytes image;
    ASSERT_TRUE(resources.Find(platform::kResourceIcon, entry[12] | entry[13] << 8, image));
    EXPECT_EQ(image.size, images[i].bytes);
  }
}

std::string Ascii(const ResourceBytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data), bytes.size);
}

// The UTF-16 text of a version resource, narrowed for searching.
std::string NarrowUtf16(const ResourceBytes& bytes) {
  std::string narrow;
  for (std::size_t i = 0; i + 1 < bytes.size; i += 2)
    narrow += static_cast<char>(bytes.data[i]);
  return narrow;
}

}  // namespace

// The program's one block of texts, entries 0 to 15, from tests/fixtures (which the
// Windows suite reads too): the empty entries as "".
std::vector<std::string> ProgramStringBlock() {
  std::vector<std::string> block(16);
  std::ifstream fixture(KWU_TEST_FIXTURES_DIR "/program_string_block.txt");
  std::string line;
  while (std::getline(fixture, line)) {
    if (line.empty() || line[0] == '#')
      continue;
    std::string text = line.substr(line.find(' ') + 1);
    for (std::size_t at; (at = text.find("\\n")) != std::string::npos;)
      text.replace(at, 2, "\n");
    block.at(std::stoul(line)) = text;
  }
  return block;
}

TEST(ProgramResources, StringTableIsTheProgramsBlockAndTheKeyTextsApart) {
  const std::vector<std::string> expected = ProgramStringBlock();
  // The program as shipped carries its block alone; the tool and the tests, and a program
  // built with a manifest key, the key's texts in a block of their own.
  for (const char* image : {KWU_TEST_PROGRAM_IMAGE, KWU_TEST_KEYED_PROGRAM_IMAGE}) {
    SCOPED_TRACE(image);
    const PeResources resources = LoadImage(image);
    for (unsigned id = 0; id < 16; ++id)
      EXPECT_EQ(Text(resources, id), expected[id].empty() ? "<missing>" : expected[id]) << id;
    const bool keyed = image == std::string(KWU_TEST_KEYED_PROGRAM_IMAGE);
    ResourceBytes keyBlock;
    EXPECT_EQ(resources.Find(platform::kResourceString, 2, keyBlock), keyed);
    EXPECT_EQ(Text(resources, IDS_BAD_SIGNATURE),
              keyed ? "The update information is not signed by the publisher, or it was changed."
                    : "<missing>");
    EXPECT_EQ(Text(resources, IDS_EXPIRED_MANIFEST),
              keyed ? "The update information has expired: the publisher has not renewed it."
                    : "<missing>");
    EXPECT_EQ(Text(resources, IDS_OLDER_MANIFEST),
              keyed ? "The update information is older than the one received before."
                    : "<missing>");
  }
}

TEST(ProgramResources, UpdateAvailableDialogIsTheExtendedTemplate) {
  const DialogTemplate dialog = LoadDialog(LoadImage(KWU_TEST_PROGRAM_IMAGE), 103);
  EXPECT_TRUE(dialog.extended);
  EXPECT_EQ(dialog.style, 0x80C800C0u);
  EXPECT_EQ(dialog.extendedStyle, 0u);
  EXPECT_EQ(dialog.x, 0);
  EXPECT_EQ(dialog.y, 0);
  EXPECT_EQ(dialog.width, 250);
  EXPECT_EQ(dialog.height, 90);
  EXPECT_EQ(dialog.title, "Dialog");
  EXPECT_EQ(dialog.font, "MS Sans Serif");
  EXPECT_EQ(dialog.pointSize, 8);
  EXPECT_EQ(dialog.weight, 0);
  EXPECT_FALSE(dialog.italic);
  EXPECT_EQ(dialog.charSet, 0);
  ExpectControls(dialog, {
                             {1, "Button", "OK", 0, 100, 69, 50, 14, 0x50010001},
                             {1004, "Button", "Radio1", 0, 39, 28, 177, 17, 0x50002409},
                             {1005, "Button", "Radio2", 0, 39, 47, 78, 12, 0x50000009},
                             {1006, "Static", "Static", 0, 39, 9, 189, 14, 0x50020000},
                             {0xFFFFFFFF, "Static", "", 101, 7, 7, 21, 20, 0x50000003},
                             {1009, "Static", "Static", 0, 143, 49, 22, 9, 0x50020002},
                             {1016, "ComboBox", "", 0, 117, 47, 28, 73, 0x50210103},
                         });
}

TEST(ProgramResources, NoUpdatesDialogIsTheClassicTemplate) {
  const DialogTemplate dialog = LoadDialog(LoadImage(KWU_TEST_PROGRAM_IMAGE), 104);
  EXPECT_FALSE(dialog.extended);
  EXPECT_EQ(dialog.style, 0x80C800C0u);
  EXPECT_EQ(dialog.width, 184);
  EXPECT_EQ(dialog.height, 58);
  EXPECT_EQ(dialog.title, "Dialog");
  EXPECT_EQ(dialog.font, "MS Sans Serif");
  EXPECT_EQ(dialog.pointSize, 8);
  ExpectControls(dialog, {
                             {1, "Button", "OK", 0, 66, 37, 50, 14, 0x50010001},
                             {0xFFFF, "Static", "", 102, 7, 7, 20, 20, 0x50000003},
                             {1006, "Static", "Static", 0, 40, 10, 137, 24, 0x50020000},
                         });
}

TEST(ProgramResources, DialogInitDataListsTheFiveDayCounts) {
  const PeResources resources = LoadImage(KWU_TEST_PROGRAM_IMAGE);
  ResourceBytes data;
  ASSERT_TRUE(resources.Find(platform::kResourceDialogInit, 103, data));
  const unsigned char expected[57] = {
      0xF8, 0x03, 0x03, 0x04, 3,    0,    0,    0,    ' ',  '1',  0,    0xF8, 0x03, 0x03, 0x04,
      3,    0,    0,    0,    ' ',  '5',  0,    0xF8, 0x03, 0x03, 0x04, 3,    0,    0,    0,
      '1',  '0',  0,    0xF8, 0x03, 0x03, 0x04, 3,    0,    0,    0,    '3',  '0',  0,    0xF8,
      0x03, 0x03, 0x04, 3,    0,    0,    0,    '6',  '0',  0,    0,    0};
  ASSERT_EQ(data.size, sizeof expected);
  EXPECT_EQ(std::memcmp(data.data, expected, sizeof expected), 0);
}

TEST(ProgramResources, IconsManifestAndVersion) {
  const PeResources resources = LoadImage(KWU_TEST_PROGRAM_IMAGE);
  ExpectIconGroup(resources, 101);
  ExpectIconGroup(resources, 102);

  ResourceBytes manifest;
  ASSERT_TRUE(resources.Find(platform::kResourceManifest, 1, manifest));
  const std::string xml = Ascii(manifest);
  EXPECT_NE(xml.find("<description>Web Update Application</description>"), std::string::npos);
  EXPECT_NE(xml.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""
                     " processorArchitecture=\"X86\" publicKeyToken=\"6595b64144ccf1df\""
                     " language=\"*\""),
            std::string::npos);
  EXPECT_NE(xml.find("standalone=\"yes\""), std::string::npos);

  ResourceBytes version;
  ASSERT_TRUE(resources.Find(platform::kResourceVersion, 1, version));
  const std::string strings = NarrowUtf16(version);
  EXPECT_NE(strings.find("040904E4"), std::string::npos);
  EXPECT_NE(strings.find(std::string("FileDescription\0\0Web Update Application", 39)),
            std::string::npos);
}

TEST(GermanLibrary, TranslatesEveryTextUnderTheSameIds) {
  const PeResources german = LoadImage(KWU_TEST_GERMAN_LIBRARY);
  EXPECT_EQ(Text(german, 2), "Fehler");
  EXPECT_EQ(Text(german, 5), "Verbindungsfehler. Statuscode: %d");
  EXPECT_EQ(
      Text(german, 6),
      "Es sind keine neuen Updates verf\xC3\xBCgbar.\nSie haben bereits die neueste Version.");
  EXPECT_EQ(Text(german, 7), "F\xC3\xBCr die Software %s sind Updates verf\xC3\xBCgbar.");
  for (unsigned id = 2; id <= 11; ++id)
    EXPECT_NE(Text(german, id), "<missing>") << id;
  ExpectIconGroup(german, 101);
  ExpectIconGroup(german, 102);
  ResourceBytes init;
  ResourceBytes ownInit;
  ASSERT_TRUE(german.Find(platform::kResourceDialogInit, 103, init));
  const PeResources own = LoadImage(KWU_TEST_PROGRAM_IMAGE);
  ASSERT_TRUE(own.Find(platform::kResourceDialogInit, 103, ownInit));
  ASSERT_EQ(init.size, ownInit.size);
  EXPECT_EQ(std::memcmp(init.data, ownInit.data, init.size), 0);
}

TEST(GermanLibrary, DialogsKeepTheControlIdsAndOrder) {
  const PeResources german = LoadImage(KWU_TEST_GERMAN_LIBRARY);
  const PeResources own = LoadImage(KWU_TEST_PROGRAM_IMAGE);
  for (unsigned id : {103u, 104u}) {
    const DialogTemplate translated = LoadDialog(german, id);
    const DialogTemplate original = LoadDialog(own, id);
    EXPECT_EQ(translated.extended, original.extended);
    ASSERT_EQ(translated.controls.size(), original.controls.size());
    for (std::size_t i = 0; i < original.controls.size(); ++i) {
      EXPECT_EQ(translated.controls[i].id, original.controls[i].id);
      EXPECT_EQ(translated.controls[i].className, original.controls[i].className);
      EXPECT_EQ(translated.controls[i].textResource, original.controls[i].textResource);
      // A translated control may be wider, never narrower.
      EXPECT_GE(translated.controls[i].width, original.controls[i].width);
    }
  }
}
