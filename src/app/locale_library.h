#pragma once
#include <memory>
#include <string>

#include "platform/resources.h"

// Path of a product's locale library beside the executable:
// <drive><folder>Locale\<locale>\kavexwebupdexe.dat (with the platform's separators).
std::string LocaleLibraryPath(const std::string& drive, const std::string& folder,
                              const std::string& locale);

// True for a locale that may name a library folder: ASCII letters, digits, '-' and '_'.
bool IsSafeLocaleName(const std::string& locale);

// The locale library of a locale, in the Locale folder beside the executable (on Linux,
// of an installed program, in its library folder: platform::LocaleBaseFolder), loaded for
// its resources only;
// null when the locale is not a safe name or there is no usable library.
std::unique_ptr<platform::ResourceLibrary> LoadLocaleLibrary(const std::string& locale);
