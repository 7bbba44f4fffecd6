#include "products/product_list.h"

#include "platform/text.h"

void NormaliseLocale(ProductInfo& product) {
  if (product.Locale.empty())
    product.Locale = "en";
  product.Locale = ToLower(product.Locale);
}

bool ProductList::Contains(ProductInfo product) const {
  NormaliseLocale(product);
  for (const ProductInfo& listed : m_products) {
    if (listed.GetKey() == product.GetKey())
      return true;
  }
  return false;
}

void ProductList::Add(ProductInfo product) {
  NormaliseLocale(product);
  if (Contains(product))
    return;
  m_products.push_back(product);
}
