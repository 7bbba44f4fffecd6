#include "app/command_line.h"

#include "platform/usage_text.h"

const char kInitFailedText[] = "MFC initialization failed";

namespace {

// The silent argument is exactly "0" or "1"; anything else is a usage error.
bool DecodeSilent(const std::string& argument) {
  if (argument == "0")
    return false;
  if (argument == "1")
    return true;
  throw StartupError(platform::kUsageText);
}

}  // namespace

void DecodeCommandLine(const std::vector<std::string>& arguments, ProductList& products,
                       bool& silent) {
  silent = false;
  const std::size_t argc = arguments.size();
  if (argc < 2 || argc > 5)
    throw StartupError(platform::kUsageText);

  if (argc == 2) {
    silent = DecodeSilent(arguments[1]);
    return;
  }

  ProductInfo product;
  product.Name = arguments[1];
  product.Version = arguments[2];
  if (argc >= 4)
    silent = DecodeSilent(arguments[3]);
  if (argc == 5)
    product.Locale = arguments[4];  // lower-cased by the list
  products.Add(product);
}
