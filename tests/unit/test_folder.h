#pragma once
// A private temporary folder per test, with the settings file and the common
// application-data folder of the program pointed into it, so that no test touches the
// machine's real settings. Everything is removed, and the environment restored, at the end.

#include <dirent.h>
#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace test {

// Sets (or, with no value, unsets) an environment variable for the lifetime of the object.
class ScopedEnvironment {
public:
  ScopedEnvironment(std::string name, const std::optional<std::string>& value)
      : m_name(std::move(name)) {
    if (const char* old = std::getenv(m_name.c_str()))
      m_old = old;
    if (value)
      ::setenv(m_name.c_str(), value->c_str(), 1);
    else
      ::unsetenv(m_name.c_str());
  }
  ~ScopedEnvironment() {
    if (m_old)
      ::setenv(m_name.c_str(), m_old->c_str(), 1);
    else
      ::unsetenv(m_name.c_str());
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
  std::string m_name;
  std::optional<std::string> m_old;
};

inline void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(content.data(), static_cast<std::streamsize>(content.size()));
  if (!file)
    throw std::runtime_error("cannot write " + path);
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw std::runtime_error("cannot read " + path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

inline bool Exists(const std::string& path) {
  struct stat status;
  return ::lstat(path.c_str(), &status) == 0;
}

class TestFolder {
public:
  TestFolder()
      : m_path(MakeFolder()),
        m_settings("KAVEXWEBUPD_SETTINGS", m_path + "/settings.conf"),
        m_commonAppData("KAVEXWEBUPD_COMMON_APPDATA", m_path + "/common") {}
  ~TestFolder() {
    ::nftw(
        m_path.c_str(),
        [](const char* path, const struct stat*, int, FTW*) { return std::remove(path); }, 16,
        FTW_DEPTH | FTW_PHYS);
  }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::string& Path() const { return m_path; }
  std::string Path(const std::string& name) const { return m_path + "/" + name; }
  std::string SettingsPath() const { return Path("settings.conf"); }
  std::string CommonAppData() const { return Path("common"); }
  // The folder the program searches for product description files.
  std::string ProductFolder() const { return CommonAppData() + "/Dexivane/KavexWebUpdate"; }

  void MakeProductFolder() const {
    MakeFolderAt(CommonAppData());
    MakeFolderAt(CommonAppData() + "/Dexivane");
    MakeFolderAt(ProductFolder());
  }
  static void MakeFolderAt(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0)
      throw std::runtime_error("cannot create " + path);
  }

  // Names of the entries of the test folder, sorted.
  std::vector<std::string> Entries() const {
    std::vector<std::string> names;
    if (DIR* folder = ::opendir(m_path.c_str())) {
      while (const dirent* entry = ::readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..")
          names.push_back(name);
      }
      ::closedir(folder);
    }
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  static std::string MakeFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kwu-unit-XXXXXX";
    if (!::mkdtemp(&pattern[0]))
      throw std::runtime_error("cannot create a temporary folder");
    return pattern;
  }

  std::string m_path;
  ScopedEnvironment m_settings;
  ScopedEnvironment m_commonAppData;
};

}  // namespace test
