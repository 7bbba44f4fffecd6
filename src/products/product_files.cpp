#include "products/product_files.h"

#include "platform/application.h"
#include "platform/folders.h"
#include "platform/log.h"
#include "platform/text_file.h"

namespace {

const char kProductFolder[] = "Dexivane\\KavexWebUpdate";  // below CommonAppData
const char kProductFilePattern[] = "*.xml";

std::string MissingTagError(const std::string& source, const std::string& tag) {
  return "String: " + source + " does not contain: " + tag;
}

// The product folder with the platform's separators, e.g. "\Dexivane\KavexWebUpdate\".
std::string ProductFolderSuffix() {
  std::string suffix = std::string(1, '\\') + kProductFolder + '\\';
  for (char& c : suffix) {
    if (c == '\\')
      c = platform::kPathSeparator;
  }
  return suffix;
}

}  // namespace

std::string TextAfter(const std::string& source, const std::string& tag) {
  const auto position = source.find(tag);
  if (position == std::string::npos)
    throw TagNotFound(MissingTagError(source, tag));
  return source.substr(position + tag.size());
}

std::string TextBefore(const std::string& source, const std::string& tag) {
  const auto position = source.find(tag);
  if (position == std::string::npos)
    throw TagNotFound(MissingTagError(source, tag));
  return source.substr(0, position);
}

std::string TextBetween(const std::string& source, const std::string& startTag,
                        const std::string& endTag) {
  return TextBefore(TextAfter(source, startTag), endTag);
}

ProductInfo ParseProductDescription(const std::string& text) {
  const std::string block = TextBetween(text, "<ProductInfo>", "</ProductInfo>");
  ProductInfo product;
  product.Name = TextBetween(block, "<Name>", "</Name>");
  product.Version = TextBetween(block, "<Version>", "</Version>");
  product.Locale = TextBetween(block, "<Locale>", "</Locale>");
  return product;
}

std::string ReadProductText(const std::string& path) {
  platform::StdioFile file(path, kMaxProductFileSize);
  std::string text;
  std::string line;
  while (file.ReadString(line)) {
    text += line;
    text += '\n';
  }
  return text;
}

void ReadProductFile(ProductList& products, std::string path) {
  try {
    const ProductInfo product = ParseProductDescription(ReadProductText(path));
    if (!product.Name.empty() && !product.Version.empty()) {
      g_log += "\nFound product: " + product.GetKey();
      products.Add(product);
    }
  } catch (const platform::FileTooLarge&) {
    g_log += "\nSkipped product file larger than " + std::to_string(kMaxProductFileSize) +
             " bytes: " + path;
  } catch (...) {
    // A file that does not describe a product is skipped without a word.
  }
}

void DiscoverProductFiles(ProductList& products) {
  g_log += "\nSearching in <CommonAppData>\\Dexivane\\KavexWebUpdate\\ for product files";

  std::string commonAppData;
  if (!platform::GetCommonAppDataFolder(commonAppData)) {
    g_log += "\nCould not open CommonAppData folder";
    return;
  }

  const std::string pattern = commonAppData + ProductFolderSuffix() + kProductFilePattern;
  platform::FileFind find;
  bool more = find.FindFile(pattern);
  g_log += "\nChecking files: " + pattern;
  while (more) {
    more = find.FindNextFile();
    ReadProductFile(products, find.GetFilePath());
  }
  find.Close();
}
