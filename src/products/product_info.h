#pragma once
#include <string>

// One product to check: its name, installed version and locale, exactly as received.
struct ProductInfo {
  std::string Name;
  std::string Version;
  std::string Locale;

  // The product's identity and log form: "<Name> V:<Version> L:<Locale>".
  std::string GetKey() const;
};
