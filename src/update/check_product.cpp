#include "update/check_product.h"

void CheckProductForUpdates(std::string /*productName*/, std::string /*version*/,
                            std::string /*locale*/, bool /*silent*/) {
  // The update check itself (remind date, manifest, dialogs) is not built yet: until
  // then a run lists and logs its products and checks none of them.
}
