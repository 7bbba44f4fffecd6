#pragma once
#include <string>
#include <vector>

#include "products/product_info.h"

// One product description file as the program reads it.
struct ProductFileReport {
  std::string path;
  bool taken = false;   // the program adds (or already holds) its product
  std::string reason;   // why not, as a stable word (see docs/manifest-tool.md); empty if taken
  std::string message;  // the same for a reader
  ProductInfo product;  // as read from the file, the locale not yet normalised
};

// The program's product folder: the common application-data folder and
// Dexivane/KavexWebUpdate; false when the platform gives no such folder.
bool DefaultProductFolder(std::string& folder);

// Every *.xml entry of folder, in the order of the platform's file search, read as the
// program reads it; pattern receives the search pattern used.
std::vector<ProductFileReport> ReadProductFolder(const std::string& folder, std::string& pattern);

// One file, read as the program reads it.
ProductFileReport ReadProductFileReport(const std::string& path);
