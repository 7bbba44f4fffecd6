// The program's resources as built from the resource script: the texts and icons checked
// against the tables they were designed to, so that an edit of the script cannot change
// them unnoticed, and the dialogs against the script as the translations' tools read it,
// so that those tools and the resource compiler cannot disagree unnoticed.
// The Windows executable links the same compiled script (checked again there).
#include <gtest/gtest.h>

#include <cstdio>
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

// The lines of dialog id in the dialogs as the build reads them from the resource script
// (tools/expected_dialogs.py): a "dialog" line, then its "control" lines.
std::vector<std::string> ScriptedDialog(unsigned id) {
  std::ifstream file(KWU_TEST_EXPECTED_DIALOGS);
  std::vector<std::string> lines;
  const std::string head = "dialog\t" + std::to_string(id) + "\t";
  for (std::string line; std::getline(file, line);) {
    if (line.compare(0, 7, "dialog\t") == 0 && !lines.empty())
      break;
    if (!lines.empty() || line.compare(0, head.size(), head) == 0)
      lines.push_back(line);
  }
  return lines;
}

// A compiled dialog in the same lines, fields separated by tabs.
std::vector<std::string> DialogLines(const DialogTemplate& dialog, unsigned id) {
  const auto line = [](std::initializer_list<std::string> fields) {
    std::string text;
    for (const std::string& field : fields)
      text += (text.empty() ? "" : "\t") + field;
    return text;
  };
  const auto hex = [](std::uint32_t value) {
    char text[11];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return std::string(text);
  };
  using std::to_string;
  std::vector<std::string> lines = {line(
      {"dialog", to_string(id), to_string(dialog.extended), to_string(dialog.x), to_string(dialog.y),
       to_string(dialog.width), to_string(dialog.height), hex(dialog.style), dialog.title,
       to_string(dialog.pointSize), dialog.font, to_string(dialog.weight),
       to_string(dialog.italic), to_string(dialog.charSet)})};
  for (const DialogControl& c : dialog.controls)
    lines.push_back(line({"control", to_string(c.id), c.className, c.text,
                          to_string(c.textResource), to_string(c.x), to_string(c.y),
                          to_string(c.width), to_string(c.height), hex(c.style)}));
  return lines;
}

// The compiled dialog id is the one the resource script describes, control by control,
// and none of it has extended styles.
void ExpectDialogAsScripted(const PeResources& resources, unsigned id) {
  const DialogTemplate dialog = LoadDialog(resources, id);
  const std::vector<std::string> scripted = ScriptedDialog(id);
  ASSERT_FALSE(scripted.empty()) << "dialog " << id << " is not in " KWU_TEST_EXPECTED_DIALOGS;
  EXPECT_EQ(DialogLines(dialog, id), scripted);
  EXPECT_EQ(dialog.extendedStyle, 0u);
  for (const DialogControl& control : dialog.controls)
    EXPECT_EQ(control.extendedStyle, 0u) << control.id;
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

TEST(ProgramResources, DialogsAreThoseOfTheResourceScript) {
  const PeResources resources = LoadImage(KWU_TEST_PROGRAM_IMAGE);
  // The update dialog is the extended template, the other the classic one.
  EXPECT_TRUE(LoadDialog(resources, IDD_UPDATE_AVAILABLE).extended);
  EXPECT_FALSE(LoadDialog(resources, IDD_NO_UPDATES).extended);
  ExpectDialogAsScripted(resources, IDD_UPDATE_AVAILABLE);
  ExpectDialogAsScripted(resources, IDD_NO_UPDATES);
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
