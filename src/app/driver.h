#pragma once
#include <string>

#include "products/product_list.h"

// Path of a product's locale library beside the executable:
// <drive><folder>Locale\<locale>\kavexwebupdexe.dat (with the platform's separators).
std::string LocaleLibraryPath(const std::string& drive, const std::string& folder,
                              const std::string& locale);

// Checks every product of the list in order, each with its locale resources switched in,
// logging each one before its check.
void CheckAllProducts(const ProductList& products, bool silent);
