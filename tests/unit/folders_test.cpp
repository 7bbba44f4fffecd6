#include "platform/folders.h"

#include <algorithm>

#include <gtest/gtest.h>

#include "test_folder.h"

namespace {

// Walks a search as the program does; the paths it yields, sorted.
std::vector<std::string> Search(const std::string& pattern) {
  platform::FileFind find;
  std::vector<std::string> paths;
  bool more = find.FindFile(pattern);
  while (more) {
    more = find.FindNextFile();
    paths.push_back(find.GetFilePath());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace

TEST(Folders, CommonAppDataFolder) {
  test::TestFolder folder;
  std::string path = "unchanged";
  EXPECT_FALSE(platform::GetCommonAppDataFolder(path));  // it does not exist
  EXPECT_EQ(path, "unchanged");

  test::TestFolder::MakeFolderAt(folder.CommonAppData());
  ASSERT_TRUE(platform::GetCommonAppDataFolder(path));
  EXPECT_EQ(path, folder.CommonAppData());

  test::ScopedEnvironment slashes("KAVEXWEBUPD_COMMON_APPDATA", folder.CommonAppData() + "//");
  ASSERT_TRUE(platform::GetCommonAppDataFolder(path));
  EXPECT_EQ(path, folder.CommonAppData());  // no trailing separator

  test::WriteFile(folder.Path("file"), "");
  test::ScopedEnvironment notAFolder("KAVEXWEBUPD_COMMON_APPDATA", folder.Path("file"));
  EXPECT_FALSE(platform::GetCommonAppDataFolder(path));
}

TEST(Folders, FileSearchMatchesWithoutRegardToCaseAndVisitsEachEntryOnce) {
  test::TestFolder folder;
  for (const char* name : {"a.xml", "B.XML", "c.Xml", "d.xm", "e.xmlx", "f.xml.bak", "gxml"})
    test::WriteFile(folder.Path(name), "");
  test::TestFolder::MakeFolderAt(folder.Path("h.xml"));  // folders match too

  EXPECT_EQ(Search(folder.Path("*.xml")),
            (std::vector<std::string>{folder.Path("B.XML"), folder.Path("a.xml"),
                                      folder.Path("c.Xml"), folder.Path("h.xml")}));
  EXPECT_EQ(Search(folder.Path("A.XML")), std::vector<std::string>{folder.Path("a.xml")});
  EXPECT_TRUE(Search(folder.Path("*.txt")).empty());
  EXPECT_TRUE(Search(folder.Path("missing/*.xml")).empty());
}

TEST(Folders, AFailedSearchHasNoCurrentEntry) {
  test::TestFolder folder;
  platform::FileFind find;
  EXPECT_FALSE(find.FindFile(folder.Path("*.xml")));
  EXPECT_FALSE(find.FindNextFile());
  EXPECT_EQ(find.GetFilePath(), "");
}
