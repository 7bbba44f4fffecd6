#pragma once
#include <cstddef>
#include <stdexcept>
#include <string>

#include "products/product_list.h"

// The tag search's failure: the source does not contain the tag.
class TagNotFound : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// The part of source after the first occurrence of tag; raises TagNotFound without it.
std::string TextAfter(const std::string& source, const std::string& tag);
// The part of source before the first occurrence of tag; raises TagNotFound without it.
std::string TextBefore(const std::string& source, const std::string& tag);
// The text between the first startTag and the first endTag that follows it.
std::string TextBetween(const std::string& source, const std::string& startTag,
                        const std::string& endTag);

// The most of a product description file that is read, in bytes. The files are short
// tagged texts; a larger one is no product file, and is not read into memory.
constexpr std::size_t kMaxProductFileSize = 1024 * 1024;

// The text of a product description file, every line followed by a line feed. Raises
// platform::FileException when it does not open or read, and platform::FileTooLarge when
// it holds more than kMaxProductFileSize bytes.
std::string ReadProductText(const std::string& path);

// Reads one product description file and adds the product it describes to the list,
// logging it. Never raises: a file that yields no product is skipped without a word, and
// one past kMaxProductFileSize is skipped with a line in the log.
void ReadProductFile(ProductList& products, std::string path);

// The product description file of a joined text (every line followed by a line feed):
// the product as read, or raises when a tag is missing.
ProductInfo ParseProductDescription(const std::string& text);

// Finds the product description files in the common application-data folder and adds
// their products to the list, logging the search.
void DiscoverProductFiles(ProductList& products);
