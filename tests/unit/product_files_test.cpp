#include "products/product_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "app/run_log.h"
#include "test_folder.h"

namespace {

const char kSearching[] =
    "\nSearching in <CommonAppData>\\Dexivane\\KavexWebUpdate\\ for product files";

std::string TagError(const std::function<void()>& search) {
  try {
    search();
  } catch (const TagNotFound& error) {
    return error.what();
  }
  return "<no error>";
}

std::string Parsed(const std::string& text) {
  try {
    const ProductInfo product = ParseProductDescription(text);
    return product.Name + "|" + product.Version + "|" + product.Locale;
  } catch (const TagNotFound&) {
    return "<skipped>";
  }
}

// Reads one file into a fresh list; the products' keys, or the log it left.
struct FileResult {
  std::vector<std::string> keys;
  std::string log;
};

FileResult ReadOne(const std::string& path) {
  g_log.clear();
  ProductList list;
  ReadProductFile(list, path);
  FileResult result;
  for (std::size_t index = 0; index < list.GetCount(); ++index)
    result.keys.push_back(list.GetAt(index).GetKey());
  result.log = g_log;
  return result;
}

}  // namespace

TEST(ProductFiles, TagSearchResultsAndErrorTexts) {
  EXPECT_EQ(TextAfter("a<b>c<b>d", "<b>"), "c<b>d");
  EXPECT_EQ(TextBefore("a<b>c<b>d", "<b>"), "a");
  EXPECT_EQ(TextBetween("x<n>v</n>w</n>", "<n>", "</n>"), "v");
  EXPECT_EQ(TextBetween("<n></n>", "<n>", "</n>"), "");

  EXPECT_EQ(TagError([] { TextAfter("some text", "<Name>"); }),
            "String: some text does not contain: <Name>");
  EXPECT_EQ(TagError([] { TextBefore("a\nb", "</Name>"); }),
            "String: a\nb does not contain: </Name>");
  // The end tag is searched for only after the start tag, in what follows it.
  EXPECT_EQ(TagError([] { TextBetween("</n>x<n>tail", "<n>", "</n>"); }),
            "String: tail does not contain: </n>");
  EXPECT_EQ(TagError([] { TextBetween("none", "<n>", "</n>"); }),
            "String: none does not contain: <n>");
  EXPECT_EQ(TagError([] { TextAfter("", "<n>"); }), "String:  does not contain: <n>");
}

TEST(ProductFiles, CuttingTheFields) {
  const std::string accepted[][2] = {
      {"<ProductInfo><Name>App</Name><Version>7.0</Version><Locale>DE</Locale></ProductInfo>\n",
       "App|7.0|DE"},
      {"<ProductInfo><Locale></Locale><Version>1</Version><Name>B</Name></ProductInfo>\n", "B|1|"},
      {"<ProductInfo>\n<Name> A \n B</Name><Version>\t1\t</Version><Locale>en</Locale>\n"
       "</ProductInfo>\n",
       " A \n B|\t1\t|en"},
      {"<?xml version=\"1.0\"?>\n<!-- <Name>Old</Name> -->\n\xEF\xBB\xBF<ProductInfo><Name>"
       "Caf\xC3\xA9 &amp; Co</Name><Version>2</Version><Locale>fr</Locale></ProductInfo>\n",
       "Caf\xC3\xA9 &amp; Co|2|fr"},
      {"<ProductInfo><Name>First</Name><Name>Second</Name><Version>1</Version><Locale>en"
       "</Locale></ProductInfo><ProductInfo><Name>Other</Name></ProductInfo>\n",
       "First|1|en"},
      {"<productinfo><Name>X</Name></productinfo><ProductInfo id=\"1\"><ProductInfo>"
       "<Name>Y</Name><Version>1</Version><Locale>en</Locale></ProductInfo>\n",
       "Y|1|en"},  // the exact tag occurs later
      {"<ProductInfo><Name>E</Name><Version></Version><Locale>x</Locale></ProductInfo>\n",
       "E||x"},  // cut, but not added: ReadProductFile needs a version
  };
  for (const auto& row : accepted)
    EXPECT_EQ(Parsed(row[0]), row[1]) << row[0];

  const char* const skipped[] = {
      "",
      "<PRODUCTINFO><Name>A</Name><Version>1</Version><Locale>en</Locale></PRODUCTINFO>\n",
      "<ProductInfo id=\"1\"><Name>A</Name><Version>1</Version><Locale>en</Locale>"
      "</ProductInfo>\n",
      "<ProductInfo><Name>A</Name><Version>1</Version><Locale>en</Locale>\n",
      "</ProductInfo><ProductInfo><Name>A</Name><Version>1</Version><Locale>en</Locale>\n",
      "<ProductInfo><Name>A</Name><Version>1</Version></ProductInfo>\n",
      "<ProductInfo><Name>A</Name><Version>1</Version><Locale>en</ProductInfo>\n",
      "<ProductInfo></Name>A<Name><Version>1</Version><Locale>en</Locale></ProductInfo>\n",
      "<ProductInfo><Name>A</Name></ProductInfo><Version>1</Version><Locale>en</Locale>\n",
  };
  for (const char* text : skipped)
    EXPECT_EQ(Parsed(text), "<skipped>") << text;

  // A 16-bit text holds no 8-bit tags.
  std::string wide;
  for (const char c : std::string("<ProductInfo><Name>A</Name><Version>1</Version>"
                                  "<Locale>en</Locale></ProductInfo>\n")) {
    wide += c;
    wide += '\0';
  }
  EXPECT_EQ(Parsed(wide), "<skipped>");
}

TEST(ProductFiles, LineEndsOfTheFile) {
  test::TestFolder folder;
  const std::string variants[] = {
      "<ProductInfo>\n<Name>A\nB</Name>\n<Version>1</Version>\n<Locale>EN</Locale>\n"
      "</ProductInfo>\n",
      "<ProductInfo>\r\n<Name>A\r\nB</Name>\r\n<Version>1</Version>\r\n<Locale>EN</Locale>\r\n"
      "</ProductInfo>\r\n",
      "<ProductInfo>\n<Name>A\nB</Name>\n<Version>1</Version>\n<Locale>EN</Locale>\n"
      "</ProductInfo>",
      "<ProductInfo>\r\n<Name>A\r\nB</Name><Version>1</Version><Locale>EN</Locale>"
      "</ProductInfo>",
  };
  for (const std::string& content : variants) {
    test::WriteFile(folder.Path("p.xml"), content);
    const FileResult result = ReadOne(folder.Path("p.xml"));
    EXPECT_EQ(result.log, "\nFound product: A\nB V:1 L:EN") << content;
    EXPECT_EQ(result.keys, std::vector<std::string>{"A\nB V:1 L:en"}) << content;
  }
}

TEST(ProductFiles, FilesThatYieldNoProductAreSkippedWithoutAWord) {
  test::TestFolder folder;
  const std::string files[] = {
      "<ProductInfo><Name></Name><Version>1</Version><Locale>en</Locale></ProductInfo>",
      "<ProductInfo><Name>A</Name><Version></Version><Locale>en</Locale></ProductInfo>",
      "<ProductInfo><Name>A</Name><Version>1</Version></ProductInfo>",
      "",
  };
  for (const std::string& content : files) {
    test::WriteFile(folder.Path("p.xml"), content);
    const FileResult result = ReadOne(folder.Path("p.xml"));
    EXPECT_TRUE(result.keys.empty()) << content;
    EXPECT_EQ(result.log, "") << content;
  }
  EXPECT_TRUE(ReadOne(folder.Path("missing.xml")).keys.empty());
  test::TestFolder::MakeFolderAt(folder.Path("folder.xml"));
  const FileResult fromFolder = ReadOne(folder.Path("folder.xml"));
  EXPECT_TRUE(fromFolder.keys.empty());
  EXPECT_EQ(fromFolder.log, "");

  // A pipe or a device named like a product file is skipped at once: opening the pipe
  // would otherwise wait for a writer for ever, and the device would never end.
  ASSERT_EQ(::mkfifo(folder.Path("pipe.xml").c_str(), 0600), 0);
  EXPECT_TRUE(ReadOne(folder.Path("pipe.xml")).keys.empty());
  ASSERT_EQ(::symlink("/dev/zero", folder.Path("zero.xml").c_str()), 0);
  EXPECT_TRUE(ReadOne(folder.Path("zero.xml")).keys.empty());
}

TEST(ProductFiles, EmptyLocaleAndDuplicates) {
  test::TestFolder folder;
  test::WriteFile(folder.Path("a.xml"),
                  "<ProductInfo><Name>Tool</Name><Version>2.1</Version><Locale></Locale>"
                  "</ProductInfo>");
  g_log.clear();
  ProductList list;
  ReadProductFile(list, folder.Path("a.xml"));
  ReadProductFile(list, folder.Path("a.xml"));
  EXPECT_EQ(g_log, "\nFound product: Tool V:2.1 L:\nFound product: Tool V:2.1 L:");
  ASSERT_EQ(list.GetCount(), 1u);
  EXPECT_EQ(list.GetAt(0).GetKey(), "Tool V:2.1 L:en");
}

TEST(ProductFiles, DiscoveryLogLines) {
  test::TestFolder folder;
  g_log.clear();
  ProductList list;
  DiscoverProductFiles(list);  // the common folder does not exist
  EXPECT_EQ(g_log, std::string(kSearching) + "\nCould not open CommonAppData folder");

  test::TestFolder::MakeFolderAt(folder.CommonAppData());
  g_log.clear();
  DiscoverProductFiles(list);  // no product folder in it
  const std::string checking =
      "\nChecking files: " + folder.CommonAppData() + "/Dexivane/KavexWebUpdate/*.xml";
  EXPECT_EQ(g_log, kSearching + checking);
  EXPECT_EQ(list.GetCount(), 0u);
}

TEST(ProductFiles, DiscoveryReadsEveryMatchingFileOnce) {
  test::TestFolder folder;
  folder.MakeProductFolder();
  const auto describe = [](const std::string& name) {
    return "<ProductInfo><Name>" + name +
           "</Name><Version>1</Version><Locale></Locale>"
           "</ProductInfo>\n";
  };
  test::WriteFile(folder.ProductFolder() + "/lower.xml", describe("Lower"));
  test::WriteFile(folder.ProductFolder() + "/UPPER.XML", describe("Upper"));
  test::WriteFile(folder.ProductFolder() + "/Mixed.Xml", describe("Mixed"));
  test::WriteFile(folder.ProductFolder() + "/copy.xml", describe("Lower"));
  test::WriteFile(folder.ProductFolder() + "/other.txt", describe("Text"));
  test::WriteFile(folder.ProductFolder() + "/backup.xml.bak", describe("Backup"));
  test::TestFolder::MakeFolderAt(folder.ProductFolder() + "/folder.xml");

  g_log.clear();
  ProductList list;
  ProductInfo fromCommandLine;
  fromCommandLine.Name = "Mixed";
  fromCommandLine.Version = "1";
  list.Add(fromCommandLine);
  DiscoverProductFiles(list);

  const std::string checking = "\nChecking files: " + folder.ProductFolder() + "/*.xml";
  ASSERT_EQ(
      g_log.compare(0, std::string(kSearching).size() + checking.size(), kSearching + checking), 0)
      << g_log;
  std::vector<std::string> found;
  std::string rest = g_log.substr(std::string(kSearching).size() + checking.size());
  for (std::size_t at = rest.find("\nFound product: "); at != std::string::npos;
       at = rest.find("\nFound product: ", at + 1))
    found.push_back(rest.substr(at + 16, rest.find('\n', at + 1) - at - 16));
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{
                       "Lower V:1 L:", "Lower V:1 L:", "Mixed V:1 L:", "Upper V:1 L:"}));

  ASSERT_EQ(list.GetCount(), 3u);
  EXPECT_EQ(list.GetAt(0).GetKey(), "Mixed V:1 L:en");  // the command line stays first
}
