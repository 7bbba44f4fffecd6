#include "app/run_log.h"

#include <gtest/gtest.h>

#include "settings/registry_settings.h"
#include "test_folder.h"

TEST(RunLog, FileContentEndsEveryLineWithCrLf) {
  EXPECT_EQ(LogFileContent(""), "\r\n");
  EXPECT_EQ(LogFileContent("\nSearching\nFound product: A V:1 L:"),
            "\r\nSearching\r\nFound product: A V:1 L:\r\n");
  // Other bytes are written as they are: a lone CR, percent signs, bytes above 127.
  EXPECT_EQ(LogFileContent("\na\rb %s %d \xC3\xA9"), "\r\na\rb %s %d \xC3\xA9\r\n");
}

TEST(RunLog, WrittenToTheConfiguredFileAndReplacedEachRun) {
  test::TestFolder folder;
  const std::string path = folder.Path("run %s.log");
  ASSERT_TRUE(WriteRegString(kSettingsKey, kLogFileValue, path));

  WriteLogFile(
      "\nSearching in <CommonAppData>\\Dexivane\\KavexWebUpdate\\ for product files"
      "\nChecking updates for product: 100% V:1 L:en");
  EXPECT_EQ(test::ReadFile(path),
            "\r\nSearching in <CommonAppData>\\Dexivane\\KavexWebUpdate\\ for product files"
            "\r\nChecking updates for product: 100% V:1 L:en\r\n");

  WriteLogFile("\nshort");
  EXPECT_EQ(test::ReadFile(path), "\r\nshort\r\n");
}

TEST(RunLog, NoFileWithoutAUsableLogFileValue) {
  test::TestFolder folder;
  WriteLogFile("\nnothing configured");
  EXPECT_TRUE(folder.Entries().empty());  // not even a settings file

  ASSERT_TRUE(WriteRegString(kSettingsKey, kLogFileValue, ""));
  WriteLogFile("\nempty path");
  EXPECT_EQ(folder.Entries(), (std::vector<std::string>{"settings.conf", "settings.conf.lock"}));

  ASSERT_TRUE(WriteRegString(kSettingsKey, kLogFileValue, folder.Path("missing/run.log")));
  WriteLogFile("\nfolder missing");
  EXPECT_FALSE(test::Exists(folder.Path("missing")));

  // A path of 512 characters cannot be read, so no file is written, not even a shorter one.
  const std::string longPath = folder.Path(std::string(511 - folder.Path("").size(), 'x') + "y");
  ASSERT_EQ(longPath.size(), 512u);
  ASSERT_TRUE(WriteRegString(kSettingsKey, kLogFileValue, longPath));
  WriteLogFile("\ntoo long");
  EXPECT_FALSE(test::Exists(longPath));
  EXPECT_FALSE(test::Exists(longPath.substr(0, 511)));
}
