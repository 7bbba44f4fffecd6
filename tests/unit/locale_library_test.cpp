// Which locale library a product gets: only a plain locale name may lead to a file, and
// only inside the Locale folder beside the executable.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include "app/locale_library.h"
#include "platform/application.h"
#include "test_folder.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"

TEST(LocaleLibrary, OnlyPlainNamesAreLocales) {
  for (const char* safe : {"de", "en", "pt-BR", "zh_Hans", "x1"})
    EXPECT_TRUE(IsSafeLocaleName(safe)) << safe;
  for (const char* unsafe : {"", "..", "../de", "..\\..\\x", "de/..", "c:", "/tmp", "d e", "de.",
                             "\xC3\xA4", "de\\", "de\n"})
    EXPECT_FALSE(IsSafeLocaleName(unsafe)) << unsafe;
}

TEST(LocaleLibrary, PathLiesBesideTheExecutable) {
  EXPECT_EQ(LocaleLibraryPath("", "/opt/kavex/", "de"), "/opt/kavex/Locale/de/kavexwebupdexe.dat");
}

namespace {

void CopyFile(const std::string& from, const std::string& to) {
  std::ifstream in(from, std::ios::binary);
  std::ofstream out(to, std::ios::binary);
  out << in.rdbuf();
}

// Libraries placed beside this test program for one test, removed afterwards.
class LibrariesBesideProgram : public ::testing::Test {
protected:
  // Names of this process's own, so that tests running at the same time beside the same
  // program do not share (and remove) each other's libraries.
  void SetUp() override {
    std::string drive;
    platform::SplitPath(platform::ModuleFileName(), drive, m_folder);
    const std::string unique = std::to_string(::getpid());
    m_locale = "zz" + unique;
    m_outside = "outside" + unique;
    ::mkdir((m_folder + "Locale").c_str(), 0755);
    ::mkdir((m_folder + "Locale/" + m_locale).c_str(), 0755);
    ::mkdir((m_folder + m_outside).c_str(), 0755);
    CopyFile(KWU_TEST_GERMAN_LIBRARY, m_folder + "Locale/" + m_locale + "/kavexwebupdexe.dat");
    CopyFile(KWU_TEST_GERMAN_LIBRARY, m_folder + m_outside + "/kavexwebupdexe.dat");
  }
  void TearDown() override {
    std::remove((m_folder + "Locale/" + m_locale + "/kavexwebupdexe.dat").c_str());
    std::remove((m_folder + m_outside + "/kavexwebupdexe.dat").c_str());
    ::rmdir((m_folder + "Locale/" + m_locale).c_str());
    ::rmdir((m_folder + "Locale").c_str());  // fails while another test uses it
    ::rmdir((m_folder + m_outside).c_str());
  }
  std::string m_folder;
  std::string m_locale;
  std::string m_outside;
};

}  // namespace

TEST_F(LibrariesBesideProgram, PlainLocaleLoadsItsLibrary) {
  const auto library = LoadLocaleLibrary(m_locale);
  ASSERT_TRUE(library);
  const platform::CurrentResourceModule current(library.get());
  EXPECT_EQ(LoadText(IDS_ERROR), "Fehler");
}

TEST_F(LibrariesBesideProgram, TraversalLocaleLoadsNothing) {
  // The file exists where the path would lead, yet it is not loaded.
  EXPECT_FALSE(LoadLocaleLibrary("../" + m_outside));
  EXPECT_FALSE(LoadLocaleLibrary(m_locale + "/../../" + m_outside));
  EXPECT_FALSE(LoadLocaleLibrary(m_folder + m_outside));
  EXPECT_FALSE(LoadLocaleLibrary("missing"));
}

// Where the Locale folder is looked for: beside a program that has one (a build tree, an
// unpacked archive), else in the library folder of an installed program.
TEST(LocaleBaseFolder, BesideTheProgramOrInItsLibraryFolder) {
  const test::TestFolder root;
  const std::string bin = root.Path("usr/bin/");
  ::mkdir(root.Path("usr").c_str(), 0755);
  ::mkdir(bin.c_str(), 0755);
  EXPECT_EQ(platform::LocaleBaseFolder(bin), root.Path("usr/lib/kavexwebupd/"));

  // A file named Locale is no Locale folder.
  test::WriteFile(bin + "Locale", "");
  EXPECT_EQ(platform::LocaleBaseFolder(bin), root.Path("usr/lib/kavexwebupd/"));
  std::remove((bin + "Locale").c_str());

  ::mkdir((bin + "Locale").c_str(), 0755);
  EXPECT_EQ(platform::LocaleBaseFolder(bin), bin);
  ::rmdir((bin + "Locale").c_str());

  // The result is a full path without "..", also for a program at the top of the tree.
  EXPECT_EQ(platform::LocaleBaseFolder("/"), "/lib/kavexwebupd/");
  EXPECT_EQ(platform::LocaleBaseFolder("/opt//"), "/lib/kavexwebupd/");
}
