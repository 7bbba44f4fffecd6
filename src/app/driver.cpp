#include "app/driver.h"

#include "app/run_log.h"
#include "platform/application.h"
#include "update/check_product.h"

std::string LocaleLibraryPath(const std::string& drive, const std::string& folder,
                              const std::string& locale) {
  const char separator = platform::kPathSeparator;
  return drive + folder + "Locale" + separator + locale + separator + "kavexwebupdexe.dat";
}

void CheckAllProducts(const ProductList& products, bool silent) {
  std::string drive;
  std::string folder;
  platform::SplitPath(platform::ModuleFileName(), drive, folder);

  for (std::size_t index = 0; index < products.GetCount(); ++index) {
    const ProductInfo product = products.GetAt(index);
    g_log += "\nChecking updates for product: " + product.GetKey();
    CheckProductForUpdates(product.Name, product.Version, product.Locale, silent);
  }
}
