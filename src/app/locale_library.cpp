#include "app/locale_library.h"

#include "platform/application.h"

std::string LocaleLibraryPath(const std::string& drive, const std::string& folder,
                              const std::string& locale) {
  const char separator = platform::kPathSeparator;
  return drive + folder + "Locale" + separator + locale + separator + "kavexwebupdexe.dat";
}

bool IsSafeLocaleName(const std::string& locale) {
  if (locale.empty())
    return false;
  for (const char c : locale) {
    const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                         (c >= '0' && c <= '9') || c == '-' || c == '_';
    if (!allowed)
      return false;
  }
  return true;
}

std::unique_ptr<platform::ResourceLibrary> LoadLocaleLibrary(const std::string& locale) {
  // Product files may be writable by other users: a locale that could lead out of the
  // Locale folder ("..\..", a drive, a separator) gets no library at all.
  if (!IsSafeLocaleName(locale))
    return nullptr;
  // Without the program's own folder the path would be relative, found wherever the
  // current folder is: no library then.
  const std::string programPath = platform::ModuleFileName();
  if (programPath.empty())
    return nullptr;
  std::string drive;
  std::string folder;
  platform::SplitPath(programPath, drive, folder);
  if (folder.empty())
    return nullptr;
  return platform::ResourceLibrary::Load(
      LocaleLibraryPath(drive, platform::LocaleBaseFolder(folder), locale));
}
