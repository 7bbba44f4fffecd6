#include "app/driver.h"

#include "app/run_log.h"
#include "update/check_product.h"

void CheckAllProducts(const ProductList& products, bool silent) {
  for (std::size_t index = 0; index < products.GetCount(); ++index) {
    const ProductInfo product = products.GetAt(index);
    // The product's library, if it has one, supplies every text and dialog of its check;
    // otherwise the program's own resources do, never a library released before.
    const std::unique_ptr<platform::ResourceLibrary> library = LoadLocaleLibrary(product.Locale);
    const platform::CurrentResourceModule resources(library.get());
    g_log += "\nChecking updates for product: " + product.GetKey();
    CheckProductForUpdates(product.Name, product.Version, product.Locale, silent);
  }
}
