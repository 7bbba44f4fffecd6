#pragma once
#include "app/locale_library.h"
#include "products/product_list.h"

// Checks every product of the list in order, each with its locale resources switched in,
// logging each one before its check.
void CheckAllProducts(const ProductList& products, bool silent);
