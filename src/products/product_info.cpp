#include "products/product_info.h"

std::string ProductInfo::GetKey() const {
  return Name + " V:" + Version + " L:" + Locale;
}
