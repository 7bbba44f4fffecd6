#include "products/product_list.h"

#include <gtest/gtest.h>

#include <string>

namespace {

ProductInfo Product(const std::string& name, const std::string& version,
                    const std::string& locale) {
  ProductInfo product;
  product.Name = name;
  product.Version = version;
  product.Locale = locale;
  return product;
}

}  // namespace

TEST(ProductInfo, KeyJoinsTheFieldsWithTheTwoSeparators) {
  EXPECT_EQ(Product("App", "7.0", "en").GetKey(), "App V:7.0 L:en");
  EXPECT_EQ(Product("App", "7.0", "").GetKey(), "App V:7.0 L:");
  EXPECT_EQ(Product("My Tool", "2.1 beta", "de").GetKey(), "My Tool V:2.1 beta L:de");
}

TEST(ProductList, NormalisesTheLocaleOfItsOwnCopyOnly) {
  ProductList list;
  ProductInfo product = Product("App", "7.0", "");
  list.Add(product);
  EXPECT_EQ(product.Locale, "");  // the caller's record is untouched

  ProductInfo upper = Product("App", "7.0", "EN");
  list.Add(upper);
  EXPECT_EQ(upper.Locale, "EN");
  ASSERT_EQ(list.GetCount(), 1u);
  EXPECT_EQ(list.GetAt(0).Locale, "en");
  EXPECT_TRUE(list.Contains(Product("App", "7.0", "En")));
}

TEST(ProductList, IdentityIsTheExactKey) {
  ProductList list;
  EXPECT_FALSE(list.Contains(Product("App", "7.0", "en")));
  list.Add(Product("App", "7.0", "en"));
  list.Add(Product("app", "7.0", "en"));   // name case matters
  list.Add(Product("App", "7.00", "en"));  // versions are not compared as numbers
  list.Add(Product("App", "7.0", "de"));   // the locale is part of the identity
  list.Add(Product(" App", "7.0", "en"));  // nothing is trimmed
  list.Add(Product("App", "7.0", "en"));   // a duplicate is dropped silently
  ASSERT_EQ(list.GetCount(), 5u);

  // Different fields with equal keys count as one product.
  ProductList keys;
  keys.Add(Product("A V:1", "2", "en"));
  keys.Add(Product("A", "1 V:2", "en"));
  EXPECT_EQ(keys.GetCount(), 1u);
}

TEST(ProductList, KeepsInsertionOrder) {
  ProductList list;
  list.Add(Product("First", "1", "DE"));
  list.Add(Product("Second", "1", ""));
  list.Add(Product("First", "1", "de"));
  ASSERT_EQ(list.GetCount(), 2u);
  EXPECT_EQ(list.GetAt(0).GetKey(), "First V:1 L:de");
  EXPECT_EQ(list.GetAt(1).GetKey(), "Second V:1 L:en");
}

TEST(ProductList, ManyProductsKeepTheirOrderAndStayUnique) {
  const int count = 2000;
  ProductList list;
  for (int i = 0; i < count; ++i)
    list.Add(Product("App" + std::to_string(i), "1." + std::to_string(i % 7), i % 3 ? "" : "DE"));
  // Every one again, last first and with the locale in another case: all are duplicates.
  for (int i = count - 1; i >= 0; --i)
    list.Add(Product("App" + std::to_string(i), "1." + std::to_string(i % 7), i % 3 ? "EN" : "de"));
  ASSERT_EQ(list.GetCount(), static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const std::string key =
        "App" + std::to_string(i) + " V:1." + std::to_string(i % 7) + (i % 3 ? " L:en" : " L:de");
    ASSERT_EQ(list.GetAt(i).GetKey(), key) << i;
    EXPECT_TRUE(list.Contains(
        Product("App" + std::to_string(i), "1." + std::to_string(i % 7), i % 3 ? "" : "De")));
  }
  EXPECT_FALSE(list.Contains(Product("App0", "1.1", "de")));
  EXPECT_FALSE(list.Contains(Product("App" + std::to_string(count), "1.0", "")));
}
