#include "tool/product_report.h"

#include <cstdio>
#include <memory>

#include "platform/application.h"
#include "platform/folders.h"
#include "platform/text_file.h"
#include "products/product_files.h"
#include "products/product_list.h"

namespace {

// The tags in the order the reader cuts them.
const char* const kTags[][2] = {{"<ProductInfo>", "</ProductInfo>"},
                                {"<Name>", "</Name>"},
                                {"<Version>", "</Version>"},
                                {"<Locale>", "</Locale>"}};

// The file's first bytes, raw, to tell a 16-bit encoding.
bool LooksSixteenBit(const std::string& path) {
  std::unique_ptr<std::FILE, decltype(&std::fclose)> file(std::fopen(path.c_str(), "rb"),
                                                          &std::fclose);
  if (!file)
    return false;
  unsigned char head[512];
  const std::size_t count = std::fread(head, 1, sizeof head, file.get());
  if (count >= 2 && ((head[0] == 0xFF && head[1] == 0xFE) || (head[0] == 0xFE && head[1] == 0xFF)))
    return true;
  for (std::size_t i = 0; i < count; ++i) {
    if (head[i] == 0)
      return true;
  }
  return false;
}

// Which tag the reader misses in text, and how.
void FindTagTrouble(const std::string& text, ProductFileReport& report) {
  std::string source = text;
  for (std::size_t i = 0; i < 4; ++i) {
    const std::string start = kTags[i][0];
    const std::string end = kTags[i][1];
    const auto startAt = source.find(start);
    if (startAt == std::string::npos) {
      report.reason = "missing-tag";
      report.message = "no " + start + (i == 0 ? "" : " inside the product block");
      return;
    }
    if (source.find(end, startAt + start.size()) == std::string::npos) {
      const bool before = source.find(end) != std::string::npos;
      report.reason = before ? "end-tag-before-start-tag" : "missing-tag";
      report.message =
          before ? end + " stands only before " + start : "no " + end + " after " + start;
      return;
    }
    if (i == 0)
      source = TextBetween(text, start, end);
  }
  report.reason = "unreadable";
  report.message = "the file could not be read";
}

}  // namespace

bool DefaultProductFolder(std::string& folder) {
  std::string commonAppData;
  if (!platform::GetCommonAppDataFolder(commonAppData))
    return false;
  folder = commonAppData + platform::kPathSeparator + "Dexivane" + platform::kPathSeparator +
           "KavexWebUpdate";
  return true;
}

ProductFileReport ReadProductFileReport(const std::string& path) {
  ProductFileReport report;
  report.path = path;

  // The verdict is the program's own reader's: does it add a product?
  ProductList list;
  ReadProductFile(list, path);
  report.taken = list.GetCount() == 1;

  // The product and the reason come from reading it again the same way.
  std::string text;
  try {
    text = ReadProductText(path);
  } catch (const platform::FileTooLarge&) {
    report.reason = "unreadable";
    report.message = "the file holds more than " + std::to_string(kMaxProductFileSize) +
                     " bytes, the most the program reads of a product file";
    return report;
  } catch (const std::exception& error) {
    report.reason = "unreadable";
    report.message = std::string("the file does not open or read: ") + error.what();
    return report;
  }
  try {
    report.product = ParseProductDescription(text);
  } catch (const TagNotFound&) {
    if (LooksSixteenBit(path)) {
      report.reason = "sixteen-bit";
      report.message =
          "the file is in a 16-bit encoding (zero bytes or a byte-order mark "
          "FF FE); save it as 8-bit text";
    } else {
      FindTagTrouble(text, report);
    }
    return report;
  }
  if (report.product.Name.empty()) {
    report.reason = "empty-name";
    report.message = "<Name> is empty";
  } else if (report.product.Version.empty()) {
    report.reason = "empty-version";
    report.message = "<Version> is empty";
  } else if (!report.taken) {
    report.reason = "unreadable";
    report.message = "the program's reader did not take it";
  }
  return report;
}

std::vector<ProductFileReport> ReadProductFolder(const std::string& folder, std::string& pattern) {
  pattern = folder;
  if (pattern.empty() || pattern.back() != platform::kPathSeparator)
    pattern += platform::kPathSeparator;
  pattern += "*.xml";
  std::vector<ProductFileReport> reports;
  ProductList products;  // what the program's list would hold, for repetitions
  platform::FileFind find;
  bool more = find.FindFile(pattern);
  while (more) {
    more = find.FindNextFile();
    ProductFileReport report = ReadProductFileReport(find.GetFilePath());
    if (report.taken && products.Contains(report.product)) {
      report.taken = false;
      report.reason = "duplicate";
      report.message = "an earlier file describes the same product";
    } else if (report.taken) {
      products.Add(report.product);
    }
    reports.push_back(std::move(report));
  }
  find.Close();
  return reports;
}
