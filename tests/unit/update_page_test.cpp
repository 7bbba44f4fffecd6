// The search for a product's update page: the locale's section first, then the version's,
// the same whether it is observed or not.
#include "update/update_page.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/manifest_download.h"
#include "worked_example.h"

namespace {

using Strings = std::vector<std::string>;

// Each lookup's start, events and end as words.
class Recorder : public UpdatePageObserver {
public:
  Strings seen;
  void OnLookupStarted(UpdatePageLookup lookup, const std::string& versionKey) override {
    seen.push_back(Name(lookup) + " [" + versionKey + "]");
  }
  void OnLookupEvent(LookupEvent event, std::size_t line, std::string_view) override {
    seen.push_back(std::to_string(line) + ":" + std::to_string(static_cast<int>(event)));
  }
  void OnLookupEnded(UpdatePageLookup lookup, const std::string& value, bool isHttp) override {
    seen.push_back(Name(lookup) + " = " + value + (isHttp ? " (http)" : ""));
  }

private:
  static std::string Name(UpdatePageLookup lookup) {
    return lookup == UpdatePageLookup::kLocale ? "locale" : "version";
  }
};

const std::string kManifest =
    Join({"; m", "[App 7.0 en]", "FileArgs=https://h/en", "[App 7.0]", "FileArgs=http://h/all",
          "[App 7.0 de]", "FileArgs=http://h/de", "[App 6.0]", "FileArgs=/relative"});

TEST(FindUpdatePage, TheLocalesHttpPageWinsElseTheVersionsValueAsItIs) {
  EXPECT_EQ(FindUpdatePage("App", "7.0", "de", kManifest), "http://h/de");
  // The locale's page is https, so the version's section decides.
  EXPECT_EQ(FindUpdatePage("App", "7.0", "en", kManifest), "http://h/all");
  EXPECT_EQ(FindUpdatePage("App", "7.0", "fr", kManifest), "http://h/all");
  // Neither is an http address: the version's value comes back for the caller to refuse.
  EXPECT_EQ(FindUpdatePage("App", "6.0", "en", kManifest), "/relative");
  EXPECT_EQ(FindUpdatePage("App", "5.0", "en", kManifest), "");
}

// An http address of exactly length characters.
std::string PageOf(std::size_t length) {
  const std::string start = "http://h/";
  return start + std::string(length - start.size(), 'a');
}

TEST(IsUpdatePage, HttpAddressesOfAtMost900Characters) {
  EXPECT_TRUE(IsUpdatePage(PageOf(kMaxUpdatePageLength)));
  EXPECT_FALSE(IsUpdatePage(PageOf(kMaxUpdatePageLength + 1)));
  EXPECT_FALSE(IsUpdatePage(PageOf(2083)));  // still an http address
  EXPECT_TRUE(IsHttpUrl(PageOf(2083)));
  EXPECT_FALSE(IsUpdatePage("https://h/a"));
  EXPECT_FALSE(IsUpdatePage(""));
}

TEST(FindUpdatePage, AnOverlongLocalePageGivesWayToTheVersions) {
  const std::string manifest = Join(
      {"; m", "[App 7.0 en]", "FileArgs=" + PageOf(901), "[App 7.0]", "FileArgs=http://h/all"});
  EXPECT_EQ(FindUpdatePage("App", "7.0", "en", manifest), "http://h/all");
}

TEST(FindUpdatePage, TheObserverSeesEachLookupInTheOrderMade) {
  Recorder english;
  EXPECT_EQ(FindUpdatePage("App", "7.0", "en", kManifest, english), "http://h/all");
  EXPECT_EQ(english.seen,
            (Strings{"locale [7.0 en]", "1:0", "2:1", "3:4", "locale = https://h/en",
                     "version [7.0]", "1:0", "4:1", "5:4", "version = http://h/all (http)"}));
  Recorder german;
  FindUpdatePage("App", "7.0", "de", kManifest, german);
  EXPECT_EQ(german.seen,
            (Strings{"locale [7.0 de]", "1:0", "6:1", "7:4", "locale = http://h/de (http)"}));
}

TEST(FindUpdatePage, ObservedAndPlainAgreeOnTheWorkedExample) {
  const std::string manifest = Join(WorkedExampleLines(), "\r\n");
  for (const char* version : {"7.0", "6.0", "5.0", "5.5", "4.0"}) {
    for (const char* locale : {"en", "de", "fr"}) {
      Recorder recorder;
      EXPECT_EQ(FindUpdatePage("App", version, locale, manifest, recorder),
                FindUpdatePage("App", version, locale, manifest))
          << version << " " << locale;
    }
  }
}

}  // namespace
