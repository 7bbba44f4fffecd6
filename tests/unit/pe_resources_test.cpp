// The PE resource reader takes files from outside the program (locale libraries that
// anyone able to write a product file may point at): damaged input must be rejected or
// yield nothing, and must never be read out of bounds (the sanitizer build checks that).
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <utility>
#include <vector>

#include "platform/dialog_template.h"
#include "platform/pe_resources.h"
#include "resource_strings.h"

using platform::PeResources;
using platform::ResourceBytes;

namespace {

std::vector<unsigned char> ReadFile(const char* path) {
  std::ifstream file(path, std::ios::binary);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), {});
}

// Looks up everything the program ever looks up, parsing what it finds as the program
// would; returns how many lookups succeeded.
int UseEverything(const PeResources& resources) {
  int found = 0;
  std::string text;
  for (unsigned id = 0; id < 20; ++id)
    found += FindImageString(resources, id, text);
  for (unsigned id : {103u, 104u}) {
    ResourceBytes bytes;
    if (resources.Find(platform::kResourceDialog, id, bytes)) {
      platform::DialogTemplate dialog;
      found += platform::ParseDialogTemplate(bytes.data, bytes.size, dialog);
    }
    if (resources.Find(platform::kResourceDialogInit, id, bytes)) {
      std::vector<platform::DialogInitEntry> entries;
      found += platform::ParseDialogInit(bytes.data, bytes.size, entries);
    }
  }
  for (unsigned id = 1; id < 5; ++id) {
    ResourceBytes bytes;
    found += resources.Find(platform::kResourceIcon, id, bytes);
  }
  return found;
}

std::uint32_t Get32(const std::vector<unsigned char>& b, std::size_t at) {
  std::uint32_t value;
  std::memcpy(&value, &b[at], 4);
  return value;
}

void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t value) {
  std::memcpy(&b[at], &value, 4);
}

// File offset of the resource directory of a PE32 image with one section (ours are).
std::size_t ResourceRoot(const std::vector<unsigned char>& image) {
  const std::size_t pe = Get32(image, 0x3C);
  const std::size_t optional = pe + 24;
  const std::uint32_t rva = Get32(image, optional + 96 + 8 * 2);
  const std::size_t sections = optional + (image[pe + 20] | image[pe + 21] << 8);
  const unsigned count = image[pe + 6] | image[pe + 7] << 8;
  for (unsigned i = 0; i < count; ++i) {
    const std::size_t at = sections + 40 * i;
    const std::uint32_t va = Get32(image, at + 12);
    if (rva >= va && rva < va + Get32(image, at + 16))
      return Get32(image, at + 20) + (rva - va);
  }
  return 0;
}

}  // namespace

TEST(PeResourceReader, ReadsBothBuiltImagesWhole) {
  // The texts (eleven of the program's own, three more where a build with a key needs
  // them), two templates, one dialog-init block, four icon images.
  const std::pair<const char*, int> images[] = {{KWU_TEST_PROGRAM_IMAGE, 11 + 2 + 1 + 4},
                                                {KWU_TEST_GERMAN_LIBRARY, 14 + 2 + 1 + 4}};
  for (const auto& [path, parts] : images) {
    PeResources resources;
    ASSERT_TRUE(resources.Load(ReadFile(path))) << path;
    EXPECT_EQ(UseEverything(resources), parts) << path;
  }
}

TEST(PeResourceReader, EveryTruncationIsRejectedOrReadSafely) {
  const std::vector<unsigned char> image = ReadFile(KWU_TEST_GERMAN_LIBRARY);
  ASSERT_GT(image.size(), 1000u);
  int loaded = 0;
  for (std::size_t length = 0; length < image.size(); ++length) {
    PeResources resources;
    if (resources.Load(std::vector<unsigned char>(image.begin(), image.begin() + length))) {
      ++loaded;
      UseEverything(resources);
    }
  }
  // The headers alone are not enough: a copy cut before its resources has none to give.
  PeResources headersOnly;
  EXPECT_FALSE(headersOnly.Load(std::vector<unsigned char>(image.begin(), image.begin() + 512)));
  EXPECT_GT(loaded, 0);
}

TEST(PeResourceReader, CorruptedBytesNeverLeadOutOfTheImage) {
  const std::vector<unsigned char> original = ReadFile(KWU_TEST_PROGRAM_IMAGE);
  const std::size_t root = ResourceRoot(original);
  ASSERT_GT(root, 0u);
  std::mt19937 random(20240601);
  for (int round = 0; round < 3000; ++round) {
    std::vector<unsigned char> image = original;
    // Mostly the resource tree and the headers, where the offsets are.
    const int changes = 1 + round % 4;
    for (int i = 0; i < changes; ++i) {
      const std::size_t span =
          round % 3 == 0 ? image.size() : std::min<std::size_t>(image.size() - root, 600);
      const std::size_t at = (round % 3 == 0 ? 0 : root) + random() % span;
      image[at] = static_cast<unsigned char>(random());
    }
    PeResources resources;
    if (resources.Load(std::move(image)))
      UseEverything(resources);
  }
}

TEST(PeResourceReader, HostileOffsetsAndSizesFindNothing) {
  const std::vector<unsigned char> original = ReadFile(KWU_TEST_PROGRAM_IMAGE);
  const std::size_t root = ResourceRoot(original);
  const unsigned numbered = original[root + 14];
  ASSERT_GT(numbered, 0u);

  // The first type's subdirectory pointing far outside the file.
  std::vector<unsigned char> image = original;
  Put32(image, root + 16 + 4, 0x80000000u | 0x7FFFFFF0u);
  PeResources farAway;
  ASSERT_TRUE(farAway.Load(image));
  ResourceBytes bytes;
  EXPECT_FALSE(farAway.Find(Get32(original, root + 16), 1, bytes));

  // An entry count far larger than the file.
  image = original;
  image[root + 14] = 0xFF;
  image[root + 15] = 0xFF;
  PeResources tooMany;
  ASSERT_TRUE(tooMany.Load(image));
  EXPECT_FALSE(tooMany.Find(platform::kResourceDialog, 103, bytes));

  // Each data entry claiming 4 GB: locate them through a clean lookup first.
  PeResources clean;
  ASSERT_TRUE(clean.Load(original));
  ASSERT_TRUE(clean.Find(platform::kResourceDialog, 103, bytes));
  image = original;
  for (std::size_t at = root; at + 16 <= image.size(); at += 4) {
    if (Get32(image, at + 4) == bytes.size && Get32(image, at + 12) == 0)
      Put32(image, at + 4, 0xFFFFFFFFu);
  }
  PeResources huge;
  ASSERT_TRUE(huge.Load(image));
  EXPECT_FALSE(huge.Find(platform::kResourceDialog, 103, bytes));
}

TEST(PeResourceReader, GarbageIsRejected) {
  std::mt19937 random(7);
  for (int round = 0; round < 200; ++round) {
    std::vector<unsigned char> garbage(random() % 4096);
    for (unsigned char& byte : garbage)
      byte = static_cast<unsigned char>(random());
    if (garbage.size() >= 2 && round % 2) {
      garbage[0] = 'M';
      garbage[1] = 'Z';
    }
    PeResources resources;
    if (resources.Load(garbage))
      UseEverything(resources);
  }
  PeResources empty;
  EXPECT_FALSE(empty.Load({}));
  EXPECT_FALSE(empty.LoadFile("/nonexistent/kavexwebupdexe.dat"));
  ResourceBytes bytes;
  EXPECT_FALSE(empty.Find(platform::kResourceDialog, 103, bytes));
  // A text file of the right name is no library.
  const std::vector<unsigned char> text = {'M', 'Z', ' ', 'i', 's', ' ',
                                           'n', 'o', 't', ' ', 'P', 'E'};
  EXPECT_FALSE(empty.Load(text));
}

TEST(DialogTemplateReader, TruncatedTemplatesFail) {
  PeResources resources;
  ASSERT_TRUE(resources.LoadFile(KWU_TEST_PROGRAM_IMAGE));
  for (unsigned id : {103u, 104u}) {
    ResourceBytes bytes;
    ASSERT_TRUE(resources.Find(platform::kResourceDialog, id, bytes));
    for (std::size_t length = 0; length < bytes.size; ++length) {
      // A copy of exactly `length` bytes, so that the sanitizer sees any read beyond it.
      std::vector<unsigned char> copy(bytes.data, bytes.data + length);
      platform::DialogTemplate dialog;
      // The last control's padding may be missing without loss.
      if (length + 2 < bytes.size) {
        EXPECT_FALSE(platform::ParseDialogTemplate(copy.data(), copy.size(), dialog)) << length;
      }
    }
  }
}

TEST(DialogInitReader, TakesWholeEntriesOnly) {
  std::vector<platform::DialogInitEntry> entries;
  const unsigned char two[] = {0xF8, 3, 3, 4, 3, 0, 0, 0,   ' ', '1', 0, 0xF8,
                               3,    3, 4, 3, 0, 0, 0, '6', '0', 0,   0, 0};
  ASSERT_TRUE(platform::ParseDialogInit(two, sizeof two, entries));
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].control, 1016);
  EXPECT_EQ(entries[0].message, platform::kDialogInitAddComboString);
  EXPECT_EQ(entries[0].text, " 1");
  EXPECT_EQ(entries[1].text, "60");

  // Cut inside the second entry: the first stays, the rest is refused.
  EXPECT_FALSE(platform::ParseDialogInit(two, 15, entries));
  EXPECT_EQ(entries.size(), 1u);

  // A length beyond the data.
  const unsigned char huge[] = {0xF8, 3, 3, 4, 0xFF, 0xFF, 0xFF, 0xFF, 'x', 0};
  EXPECT_FALSE(platform::ParseDialogInit(huge, sizeof huge, entries));
  EXPECT_TRUE(entries.empty());

  // A text without its terminating zero ends at its length.
  const unsigned char unterminated[] = {0xF8, 3, 3, 4, 2, 0, 0, 0, '3', '0'};
  ASSERT_TRUE(platform::ParseDialogInit(unterminated, sizeof unterminated, entries));
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].text, "30");
}

TEST(Utf16Conversion, GivesUtf8AndReplacesBrokenSurrogates) {
  const unsigned char units[] = {'A',  0,    0xFC, 0,    0xAC, 0x20, 0x3D,
                                 0xD8, 0x00, 0xDE, 0x00, 0xD8, 'z',  0};
  EXPECT_EQ(platform::Utf16ToUtf8(units, 7), "A\xC3\xBC\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBDz");
}
