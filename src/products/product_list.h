#pragma once
#include <cstddef>
#include <string>
#include <unordered_set>
#include <vector>

#include "products/product_info.h"

// The run's products in the order of their update checks, without two of the same key.
// Every element's locale is non-empty and lower-case.
class ProductList {
public:
  ProductList() = default;
  virtual ~ProductList() = default;

  // Normalises the copy's locale and appends it unless a product with its key is listed.
  void Add(ProductInfo product);
  // Normalises the copy's locale and tells whether a product with its key is listed.
  bool Contains(ProductInfo product) const;

  std::size_t GetCount() const { return m_products.size(); }
  const ProductInfo& GetAt(std::size_t index) const { return m_products.at(index); }

private:
  std::vector<ProductInfo> m_products;
  // The keys of m_products, so that telling a duplicate takes one look-up, not a key per
  // element: a folder of a thousand product files would otherwise dominate the run.
  std::unordered_set<std::string> m_keys;
};

// An empty locale becomes "en"; letters A to Z become lower case.
void NormaliseLocale(ProductInfo& product);
