#include "products/product_list.h"

#include <new>
#include <utility>

#include "platform/test_faults.h"
#include "platform/text.h"

void NormaliseLocale(ProductInfo& product) {
  if (product.Locale.empty())
    product.Locale = "en";
  product.Locale = ToLower(product.Locale);
}

bool ProductList::Contains(ProductInfo product) const {
  NormaliseLocale(product);
  return m_keys.count(product.GetKey()) != 0;
}

void ProductList::Add(ProductInfo product) {
  NormaliseLocale(product);
  std::string key = product.GetKey();
  if (m_keys.count(key) != 0)
    return;
  // The fault point: memory runs out as the list grows.
  if (platform::TestFault("product-list"))
    throw std::bad_alloc();
  m_products.push_back(std::move(product));
  // Both or neither: a key without its product would keep that product out for good.
  try {
    m_keys.insert(std::move(key));
  } catch (...) {
    m_products.pop_back();
    throw;
  }
}
