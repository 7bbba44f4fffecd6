// The product check's outcome rows: silent or not, a reminder pending or not, the download
// failing or not, a page found or not, and the user's answer. The check runs against a
// loopback server, the real settings file in a test folder and an opener script; a
// dialog host stands in for the user, answering on the real dialog model.
#include "update/check_product.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "loopback_server.h"
#include "platform/clock.h"
#include "platform/dialog_model.h"
#include "settings/registry_settings.h"
#include "settings/remind_dates.h"
#include "test_folder.h"
#include "ui/resource_ids.h"

namespace {

using Shown = std::vector<std::string>;

enum class Answer { kVisit, kRemindIn30Days, kClose, kFail };

// Shows dialogs and message boxes to nobody: writes each down, and answers dialogs as told.
class Answering : public platform::ModelDialogHost {
public:
  explicit Answering(Answer answer) : m_answer(answer) { platform::SetDialogHost(this); }
  ~Answering() override { platform::SetDialogHost(nullptr); }
  Shown shown;

  void ShowMessageBox(platform::WindowHandle owner, const std::string& text,
                      const std::string& caption, platform::MessageBoxStyle style) override {
    shown.push_back("box " + caption + ": " + text +
                    (style == platform::kMessageBoxError ? " (error)" : "") +
                    (owner ? " (owned)" : ""));
  }

protected:
  int Show(platform::DialogModel& model) override {
    model.Initialise();
    const std::string subject = model.Notes().subject;
    // The update dialog is the one with the choices.
    shown.push_back(std::string(model.Find(IDC_RADIO_VISIT) ? "offer " : "no updates ") +
                    model.Title() + (subject.empty() ? "" : " " + subject));
    switch (m_answer) {
      case Answer::kVisit: model.Key(platform::DialogKey::kEnter); break;
      case Answer::kRemindIn30Days:
        model.Select(model.IndexOf(IDC_DAYS_COMBO), 3);
        model.Key(platform::DialogKey::kEnter);
        break;
      case Answer::kClose: model.Close(); break;
      case Answer::kFail: throw std::runtime_error("the window system failed");
    }
    return model.Result();
  }

private:
  Answer m_answer;
};

class CheckProduct : public ::testing::Test {
protected:
  CheckProduct()
      : m_openings(m_folder.Path("openings")),
        m_opener("KAVEXWEBUPD_OPEN_COMMAND", m_folder.Path("opener")) {
    test::WriteFile(m_folder.Path("opener"), "#!/bin/sh\necho \"$1\" >> '" + m_openings + "'\n");
    ::chmod(m_folder.Path("opener").c_str(), 0700);
    WriteRegString(kSettingsKey, kUrlValue, m_server.Url("/misc/update.ini"));
  }

  // The manifest names a page for App 7.0.
  void ServePage() {
    m_server.Reply(200, "; manifest\r\n[App 7.0]\r\nFileArgs=http://127.0.0.1/app.html\r\n");
  }
  void ServeNoPage() { m_server.Reply(200, "; manifest\r\n[App 6.0]\r\nFileArgs=http://x/\r\n"); }

  Shown Check(bool silent, Answer answer = Answer::kClose, const std::string& locale = "en") {
    Answering host(answer);
    CheckProductForUpdates("App", "7.0", locale, silent);
    return host.shown;
  }
  std::string Openings() const {
    return test::Exists(m_openings) ? test::ReadFile(m_openings) : std::string();
  }
  static std::string StoredDate() {
    std::string text;
    ReadRegString(kRemindDatesKey, "App", text);
    return text;
  }

  test::TestFolder m_folder;
  test::LoopbackServer m_server;
  std::string m_openings;
  test::ScopedEnvironment m_opener;
};

const char kOffer[] = "offer App http://127.0.0.1/app.html";
const char kNoUpdates[] = "no updates App";
const char kConnectionError[] = "box App: Error: Connection error. Status code: 404 (error)";

}  // namespace

TEST_F(CheckProduct, SilentChecksShowNothingButTheOffer) {
  // A pending reminder holds the check back before any traffic.
  ServePage();
  SetRemindDate("App", 30);
  EXPECT_EQ(Check(true), Shown{});
  EXPECT_EQ(m_server.Requests(), 0);

  ClearRemindDate("App");
  m_server.Reply(404, "");
  EXPECT_EQ(Check(true), Shown{});
  ServeNoPage();
  EXPECT_EQ(Check(true), Shown{});
  ServePage();
  EXPECT_EQ(Check(true), Shown{kOffer});
  EXPECT_EQ(m_server.Requests(), 3);
}

TEST_F(CheckProduct, ChecksWithMessagesReportEveryOutcome) {
  // A pending reminder is not consulted.
  SetRemindDate("App", 30);
  m_server.Reply(404, "");
  EXPECT_EQ(Check(false), Shown{kConnectionError});
  EXPECT_EQ(m_server.Requests(), 1);
  ServeNoPage();
  EXPECT_EQ(Check(false), Shown{kNoUpdates});
  ServePage();
  EXPECT_EQ(Check(false), Shown{kOffer});
  // The locale's own section comes first.
  m_server.Reply(200,
                 "[App 7.0]\r\nFileArgs=http://127.0.0.1/app.html\r\n"
                 "[App 7.0 de]\r\nFileArgs=http://127.0.0.1/de.html\r\n");
  EXPECT_EQ(Check(false, Answer::kClose, "de"), Shown{"offer App http://127.0.0.1/de.html"});
}

TEST_F(CheckProduct, TheAnswerIsCarriedOut) {
  ServePage();
  SetRemindDate("App", 5);
  const std::string before = test::ReadFile(m_folder.SettingsPath());
  // Closed: nothing stored, nothing opened.
  EXPECT_EQ(Check(false, Answer::kClose), Shown{kOffer});
  EXPECT_EQ(test::ReadFile(m_folder.SettingsPath()), before);

  // A reminder: the date 30 days ahead, nothing opened.
  const std::int64_t earliest = platform::CurrentTime() + 30 * 86400;
  EXPECT_EQ(Check(false, Answer::kRemindIn30Days), Shown{kOffer});
  const std::string stored = StoredDate();
  EXPECT_TRUE(stored == FormatRemindDate(earliest) ||
              stored == FormatRemindDate(platform::CurrentTime() + 30 * 86400))
      << stored;
  EXPECT_EQ(Openings(), "");

  // A visit: the page opened, the reminder cleared.
  EXPECT_EQ(Check(false, Answer::kVisit), Shown{kOffer});
  EXPECT_EQ(Openings(), "http://127.0.0.1/app.html\n");
  EXPECT_EQ(StoredDate(), "");
}

TEST_F(CheckProduct, AFailureEscapingTheCheckGivesTheUnknownErrorBox) {
  ServePage();
  EXPECT_EQ(Check(false, Answer::kFail), (Shown{kOffer, "box App: Unknown error (error)"}));
  EXPECT_EQ(Check(true, Answer::kFail), Shown{kOffer});
  EXPECT_EQ(Openings(), "");
  EXPECT_EQ(StoredDate(), "");
}
