#include "settings/registry_settings.h"

#include <gtest/gtest.h>

#include "test_folder.h"

TEST(RegistrySettings, AFailedReadLeavesTheOutputEmptyAndCreatesNothing) {
  test::TestFolder folder;
  std::string value = "left over";
  EXPECT_FALSE(ReadRegString(kSettingsKey, kLogFileValue, value));
  EXPECT_EQ(value, "");
  EXPECT_TRUE(folder.Entries().empty());

  test::WriteFile(folder.SettingsPath(), "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"x\"\n");
  value = "left over";
  EXPECT_FALSE(ReadRegString(kSettingsKey, kLogFileValue, value));
  EXPECT_EQ(value, "");
  value = "left over";
  EXPECT_FALSE(ReadRegString(kRemindDatesKey, "App", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(folder.Entries(), std::vector<std::string>{"settings.conf"});
}

TEST(RegistrySettings, ReadsUpTo511Characters) {
  test::TestFolder folder;
  ASSERT_TRUE(WriteRegString(kSettingsKey, kLogFileValue, std::string(511, 'a')));
  std::string value;
  EXPECT_TRUE(ReadRegString(kSettingsKey, kLogFileValue, value));
  EXPECT_EQ(value, std::string(511, 'a'));

  ASSERT_TRUE(WriteRegString(kSettingsKey, kLogFileValue, std::string(512, 'b')));
  EXPECT_FALSE(ReadRegString(kSettingsKey, kLogFileValue, value));
  EXPECT_EQ(value, "");
}

TEST(RegistrySettings, TextEndsAtTheFirstZeroByte) {
  test::TestFolder folder;
  test::WriteFile(folder.SettingsPath(),
                  "[Software\\Kavex\\WebUpdates]\n\"URL\"=\"http://a/\\x00http://b/\"\n");
  std::string value;
  EXPECT_TRUE(ReadRegString(kSettingsKey, kUrlValue, value));
  EXPECT_EQ(value, "http://a/");

  ASSERT_TRUE(WriteRegString(kSettingsKey, kUrlValue, std::string("one\0two", 7)));
  EXPECT_TRUE(ReadRegString(kSettingsKey, kUrlValue, value));
  EXPECT_EQ(value, "one");
}

TEST(RegistrySettings, EmptyTextIsAValue) {
  test::TestFolder folder;
  ASSERT_TRUE(WriteRegString(kRemindDatesKey, "App", ""));
  std::string value = "left over";
  EXPECT_TRUE(ReadRegString(kRemindDatesKey, "App", value));
  EXPECT_EQ(value, "");
}

TEST(RegistrySettings, WritingCreatesTheKeyAndItsParents) {
  test::TestFolder folder;
  ASSERT_TRUE(WriteRegString(kRemindDatesKey, "App", "01/06/2005"));
  std::string value;
  EXPECT_TRUE(ReadRegString(kRemindDatesKey, "App", value));
  EXPECT_EQ(value, "01/06/2005");
  // The parent key exists now, without values of its own.
  EXPECT_FALSE(ReadRegString(kSettingsKey, kUrlValue, value));
  EXPECT_EQ(test::ReadFile(folder.SettingsPath()),
            "[Software\\Kavex\\WebUpdates\\RemindDates]\n\"App\"=\"01/06/2005\"\n");
}

TEST(RegistrySettings, NamesAreCaseInsensitiveAndTheEmptyNameIsTheDefaultValue) {
  test::TestFolder folder;
  ASSERT_TRUE(WriteRegString("SOFTWARE\\kavex\\webUpdates", "logfile", "/tmp/a.log"));
  std::string value;
  EXPECT_TRUE(ReadRegString(kSettingsKey, kLogFileValue, value));
  EXPECT_EQ(value, "/tmp/a.log");

  ASSERT_TRUE(WriteRegString(kRemindDatesKey, "", "02/01/2005"));
  EXPECT_TRUE(ReadRegString(kRemindDatesKey, "", value));
  EXPECT_EQ(value, "02/01/2005");
  EXPECT_NE(test::ReadFile(folder.SettingsPath()).find("\n@=\"02/01/2005\"\n"), std::string::npos);
}

TEST(RegistrySettings, FailuresAreFalseNeverExceptions) {
  test::TestFolder folder;
  std::string value = "left over";
  EXPECT_FALSE(WriteRegString("Software\\\\Kavex", "URL", "x"));
  EXPECT_FALSE(ReadRegString("Software\\\\Kavex", "URL", value));
  EXPECT_EQ(value, "");

  test::WriteFile(folder.SettingsPath(), "not a settings file\n");
  EXPECT_FALSE(WriteRegString(kSettingsKey, kUrlValue, "x"));
  EXPECT_FALSE(ReadRegString(kSettingsKey, kUrlValue, value));
  EXPECT_EQ(test::ReadFile(folder.SettingsPath()), "not a settings file\n");
}
