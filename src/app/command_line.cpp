#include "app/command_line.h"

const char kInitFailedText[] = "MFC initialization failed";
const char kUsageText[] =
    "\nKavexWebUpdate version 1.0\n"
    "\n"
    "USAGE 1: <appName> <appVersion> [<silent>] [<localeID>]\n"
    "\n"
    "  <appName> and <appVersion> are the app and version to check for updates.\n"
    "  <silent> must be 0 or 1 (default is 0) to turn user messages ON/OFF.\n"
    "  <localeID> must be the 2-letter locale code (default is \"EN\").\n"
    "\n"
    "USAGE 2: <silent>\n"
    "\n"
    "  where <silent> is 0 or 1 to turn user messages ON/OFF.\n"
    "\n"
    "In both cases, it also searches in the CommonAppData folder for xml files\n"
    "with product info that it should check for updates.\n"
    "\n"
    "To create a log, set the registry item Kavex\\WebUpdates\\LogFile.\n";

namespace {

// The silent argument is exactly "0" or "1"; anything else is a usage error.
bool DecodeSilent(const std::string& argument) {
  if (argument == "0")
    return false;
  if (argument == "1")
    return true;
  throw StartupError(kUsageText);
}

}  // namespace

void DecodeCommandLine(const std::vector<std::string>& arguments, ProductList& products,
                       bool& silent) {
  silent = false;
  const std::size_t argc = arguments.size();
  if (argc < 2 || argc > 5)
    throw StartupError(kUsageText);

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
