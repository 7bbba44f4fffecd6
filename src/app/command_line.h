#pragma once
#include <stdexcept>
#include <string>
#include <vector>

#include "products/product_list.h"

// A failure that ends the run before its end, carrying the text of its message box.
class StartupError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

extern const char kInitFailedText[];  // the framework could not be initialised

// Decodes the argument vector (element 0 is the program path): adds the command-line
// product, if any, to the list and sets the silent flag. Raises StartupError with the
// usage text (platform/usage_text.h) when the arguments are not one of the two forms.
void DecodeCommandLine(const std::vector<std::string>& arguments, ProductList& products,
                       bool& silent);
