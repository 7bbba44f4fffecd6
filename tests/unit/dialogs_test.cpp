// The two dialogs, run through the console host (the Linux host for terminals) with the
// program's own resources or a locale library, and through a scripted host for the
// spin-control notification, which only translated templates can send.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <map>
#include <sstream>
#include <vector>

#include "platform/posix/console_dialog_host.h"
#include "platform/posix/line_dialog_host.h"
#include "platform/resources.h"
#include "platform/usage_text.h"
#include "ui/no_updates_dlg.h"
#include "ui/resource_ids.h"
#include "ui/texts.h"
#include "ui/update_available_dlg.h"

namespace {

// Runs dialogs on a console host with the given input for as long as it lives.
class Console {
public:
  explicit Console(const std::string& input, std::size_t width = 80)
      : m_in(input), m_host(m_in, m_out, width) {
    platform::SetDialogHost(&m_host);
  }
  ~Console() { platform::SetDialogHost(nullptr); }
  std::string Output() const { return m_out.str(); }

private:
  std::istringstream m_in;
  std::ostringstream m_out;
  platform::posix::ConsoleDialogHost m_host;
};

struct Outcome {
  int result;
  int remindDays;
  std::string screen;
};

Outcome RunUpdateAvailable(const std::string& input, const std::string& product = "Acme Writer",
                           std::size_t width = 80, const std::string& page = "") {
  Console console(input, width);
  CUpdateAvailableDlg dialog;
  dialog.m_strProduct = product;
  dialog.m_strPage = page;
  const int result = dialog.DoModal();
  return {result, dialog.m_nRemindDays, console.Output()};
}

// The last screen the console showed.
std::string LastScreen(const std::string& output) {
  return output.substr(output.rfind("\n\n") + 1);
}

}  // namespace

TEST(UpdateAvailableDialog, ShowsTitleTextsChoicesAndSortedList) {
  const Outcome outcome = RunUpdateAvailable("\n");
  EXPECT_EQ(LastScreen(outcome.screen),
            "\nAcme Writer\n===========\n"
            "There are updates available for the Acme Writer software.\n"
            "a) (*) Visit the Acme Writer Web site to review the updates\n"
            "b) ( ) Remind me again in [1 v] day(s)\n"
            "   v: 1 5 10 30 60\n"
            "<OK>\n> ");
}

// What the user types, and how the dialog ends: its result, the reminder's days, and
// what the screen shows and does not show on the way.
TEST(UpdateAvailableDialog, EachAnswerEndsTheDialogItsWay) {
  struct Case {
    std::string input;
    int result;
    int remindDays;
    std::vector<std::string> shown;
    std::string hidden;
  };
  const int ok = platform::kIdOk;
  const int cancel = platform::kIdCancel;
  const Case cases[] = {
      // OK untouched means visit.
      {"\n", ok, 0, {}, ""},
      // Picking a number chooses the reminder.
      {"30\n\n", ok, 30, {"b) (*) Remind me again in [30 v] day(s)"}, ""},
      // Back to the visit choice: the number still shown is ignored.
      {"60\na\nOK\n", ok, 0, {}, ""},
      // The reminder without touching the list takes the preselected " 1".
      {"b\n\n", ok, 1, {}, ""},
      {"b\n5\n\n", ok, 5, {}, ""},
      // The end of the input closes with Cancel.
      {"30\n", cancel, 0, {}, ""},
      // Unknown input is refused with the keys, and the dialog asks again.
      {"7\nc\n\n",
       ok,
       0,
       {"\n(a b | 1 5 10 30 60 | Enter=<OK> | q=Cancel)\n",
        "7 ? (a b | 1 5 10 30 60 | Enter=<OK> | q=Cancel)\n", "c ? (a b"},
       ""},
      // "q", "n", Escape and Ctrl-D close, after whatever was picked before.
      {"30\nq\n", cancel, 0, {}, ""},
      {"b\nN\n", cancel, 0, {}, ""},
      {"30\n\x1b\n", cancel, 0, {}, ""},
      {"b\n\x04\n", cancel, 0, {}, ""},
      // Other control bytes are dropped, never taken as part of a choice or shown.
      {"3\x7f\x01"
       "0\n\x08\n",
       ok,
       30,
       {},
       "\x7f\x08"},
  };
  for (const Case& c : cases) {
    const Outcome outcome = RunUpdateAvailable(c.input);
    EXPECT_EQ(outcome.result, c.result) << c.input;
    EXPECT_EQ(outcome.remindDays, c.remindDays) << c.input;
    for (const std::string& part : c.shown)
      EXPECT_NE(outcome.screen.find(part), std::string::npos) << c.input << " shows " << part;
    EXPECT_EQ(outcome.screen.find_first_of(c.hidden), std::string::npos) << c.input;
  }
}

TEST(UpdateAvailableDialog, LinesBreakAtWordsToTheWidthAndTyposDoNotRedraw) {
  const Outcome narrow = RunUpdateAvailable("\n", "Acme Writer", 40, "http://example.com/acme");
  EXPECT_EQ(narrow.screen,
            "\n(a b | 1 5 10 30 60 | Enter=<OK> |\nq=Cancel)\n"
            "\nAcme Writer\n===========\n"
            "There are updates available for the Acme\nWriter software.\n"
            "a) (*) Visit the Acme Writer Web site to\n       review the updates\n"
            "b) ( ) Remind me again in [1 v] day(s)\n"
            "   v: 1 5 10 30 60\n"
            "<OK>\n"
            "> -> Visit the Acme Writer Web site to\n   review the updates\n"
            "   http://example.com/acme\n");
  for (const std::size_t width : {20u, 33u, 60u, 80u}) {
    const Outcome outcome = RunUpdateAvailable("7\nx\n\n", "Visual Studio Enterprise", width);
    std::istringstream lines(outcome.screen);
    std::string line;
    while (std::getline(lines, line)) {
      // On a terminal, what follows the prompt starts a line of its own after the answer typed.
      if (line.rfind("> ", 0) == 0)
        line.erase(0, 2);
      EXPECT_LE(line.size(), width) << line;
    }
    EXPECT_NE(outcome.screen.find("Enterprise"), std::string::npos) << width;
    // One screen at the start, none after the refused answers.
    std::size_t screens = 0;
    for (std::size_t at = 0; (at = outcome.screen.find("\n====", at)) != std::string::npos; ++at)
      ++screens;
    EXPECT_EQ(screens, 1u);
  }
}

TEST(UpdateAvailableDialog, OneLineHostNamesTheOfferedPageAndCloses) {
  std::ostringstream out;
  platform::posix::LineDialogHost host(out);
  platform::SetDialogHost(&host);
  CUpdateAvailableDlg dialog;
  dialog.m_strProduct = "Acme 100%";
  dialog.m_strPage = "http://example.com/acme.html";
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  CNoUpdatesDlg none;
  none.m_strProduct = "Acme";
  EXPECT_EQ(none.DoModal(), platform::kIdCancel);
  platform::ShowMessageBox(nullptr, "Error: a\nb", "Acme", platform::kMessageBoxError);
  platform::SetDialogHost(nullptr);
  EXPECT_EQ(out.str(),
            "Acme 100%: There are updates available for the Acme 100% software. "
            "http://example.com/acme.html\n"
            "Acme: There are no new updates available. You already have the most recent "
            "version.\n"
            "Acme: Error: a b\n");
}

TEST(MessageBoxes, OneLineHostKeepsTheLinesOfATextTooLongForOne) {
  std::ostringstream out;
  platform::posix::LineDialogHost host(out);
  platform::SetDialogHost(&host);
  platform::ShowMessageBox(nullptr, platform::kUsageText, "Kavex Web Update",
                           platform::kMessageBoxPlain);
  const std::string longLine(90, 'x');
  platform::ShowMessageBox(nullptr, longLine, "Acme", platform::kMessageBoxError);
  platform::SetDialogHost(nullptr);
  const std::string usage = platform::kUsageText;
  EXPECT_EQ(out.str(), "Kavex Web Update:" + usage + "Acme: " + longLine + "\n");
  std::istringstream lines(usage);
  std::string line;
  while (std::getline(lines, line))
    EXPECT_LE(line.size(), 80u) << line;
}

TEST(UpdateAvailableDialog, TheTerminalSaysWhatFollowsTheAnswerInTheDialogsWords) {
  const std::pair<const char*, const char*> answers[] = {
      {"\n",
       "> -> Visit the Acme Web site to review the updates\n   http://example.com/acme.html\n"},
      {"30\n\n", "> -> Remind me again in 30 day(s)\n"},
      {"b\n\n", "> -> Remind me again in 1 day(s)\n"},
      {"b\n", "> \n"},  // closed: nothing follows
  };
  for (const auto& [input, end] : answers) {
    const std::string output =
        RunUpdateAvailable(input, "Acme", 80, "http://example.com/acme.html").screen;
    EXPECT_EQ(output.substr(output.size() - std::min(output.size(), std::string(end).size())), end)
        << input;
  }
}

TEST(UpdateAvailableDialog, ProductNameWithPercentSignsShowsUnchanged) {
  const Outcome outcome = RunUpdateAvailable("\n", "Tool 100% %s%n%d");
  EXPECT_NE(outcome.screen.find("\nTool 100% %s%n%d\n"), std::string::npos);
  EXPECT_NE(outcome.screen.find("for the Tool 100% %s%n%d software."), std::string::npos);
  EXPECT_NE(outcome.screen.find("Visit the Tool 100% %s%n%d Web site"), std::string::npos);
}

// A name from a product file that holds terminal controls reaches every terminal host,
// and standard error, visibly escaped.
TEST(UpdateAvailableDialog, ControlCharactersInTheNameAreShownEscaped) {
  const std::string name = "Evil\x1b]0;owned\x07\x1b[2J\xc2\x9b";
  const std::string shown = "Evil\\x1B]0;owned\\x07\\x1B[2J\\xC2\\x9B";
  const Outcome outcome = RunUpdateAvailable("\n", name);
  EXPECT_EQ(outcome.screen.find('\x1b'), std::string::npos);
  EXPECT_EQ(outcome.screen.find('\x07'), std::string::npos);
  EXPECT_NE(outcome.screen.find("\n" + shown + "\n"), std::string::npos);
  // The sentence is wider than the terminal: read it across its line break.
  std::string words = outcome.screen;
  std::replace(words.begin(), words.end(), '\n', ' ');
  EXPECT_NE(words.find("for the " + shown + " software."), std::string::npos);

  std::ostringstream out;
  platform::posix::LineDialogHost host(out);
  platform::SetDialogHost(&host);
  CNoUpdatesDlg none;
  none.m_strProduct = name;
  none.DoModal();
  platform::ShowMessageBox(nullptr, "Error: \x1b[31mred", name, platform::kMessageBoxError);
  platform::SetDialogHost(nullptr);
  EXPECT_EQ(out.str(), shown +
                           ": There are no new updates available. You already have the "
                           "most recent version.\n" +
                           shown + ": Error: \\x1B[31mred\n");
}

TEST(NoUpdatesDialog, ShowsTheTwoLineMessageAndEndsEitherWay) {
  {
    Console console("\n");
    CNoUpdatesDlg dialog;
    dialog.m_strProduct = "Acme";
    EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
    EXPECT_EQ(console.Output(),
              "\n(Enter=<OK> | q=Cancel)\n"
              "\nAcme\n====\n"
              "There are no new updates available.\n"
              "You already have the most recent version.\n"
              "<OK>\n> ");
  }
  Console console("");
  CNoUpdatesDlg dialog;
  dialog.m_strProduct = "Acme";
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
}

TEST(LocaleResources, GermanLibraryGivesGermanDialogs) {
  const auto german = platform::ResourceLibrary::Load(KWU_TEST_GERMAN_LIBRARY);
  ASSERT_TRUE(german);
  {
    const platform::CurrentResourceModule current(german.get());
    const Outcome outcome = RunUpdateAvailable("x\n10\n\n", "Acme Writer", 80, "http://a/");
    EXPECT_EQ(outcome.remindDays, 10);
    // The terminal's own lines speak German too, with the library's words.
    EXPECT_NE(outcome.screen.find("x ? (a b | 1 5 10 30 60 | Enter=<OK> | q=Abbrechen)\n"),
              std::string::npos);
    EXPECT_NE(outcome.screen.find("> -> Erneut erinnern in 10 Tag(en)\n"), std::string::npos);
    EXPECT_EQ(outcome.screen.find("Remind"), std::string::npos);
    EXPECT_NE(outcome.screen.find("F\xC3\xBCr die Software Acme Writer sind Updates verf\xC3\xBC"
                                  "gbar."),
              std::string::npos);
    EXPECT_NE(outcome.screen.find("b) (*) Erneut erinnern in [10 v] Tag(en)"), std::string::npos);
  }
  // Released: the program's own resources again.
  const Outcome after = RunUpdateAvailable("\n");
  EXPECT_NE(after.screen.find("There are updates available"), std::string::npos);
  EXPECT_EQ(after.screen.find("Software"), std::string::npos);
}

TEST(LocaleResources, WhatALibraryLacksComesFromTheProgram) {
  const auto partial = platform::ResourceLibrary::Load(KWU_TEST_PARTIAL_LIBRARY);
  ASSERT_TRUE(partial);
  const platform::CurrentResourceModule current(partial.get());
  std::string text;
  EXPECT_TRUE(platform::LoadResourceString(IDS_ERROR, text));
  EXPECT_EQ(text, "Erreur partielle");
  EXPECT_FALSE(platform::FindResourceString(platform::CurrentResources(), IDS_OK, text));
  EXPECT_TRUE(platform::LoadResourceString(IDS_OK, text));
  EXPECT_EQ(text, "OK");
  // An entry in a block the library does not have (the texts of a build with a key) is the
  // program's too.
  EXPECT_FALSE(platform::FindResourceString(platform::CurrentResources(), IDS_BAD_SIGNATURE, text));
  EXPECT_EQ(FormatText(IDS_BAD_SIGNATURE),
            "The update information is not signed by the publisher, or it was changed.");
  // The dialog template and its list come from the program.
  const Outcome outcome = RunUpdateAvailable("60\n\n");
  EXPECT_EQ(outcome.result, platform::kIdOk);
  EXPECT_EQ(outcome.remindDays, 60);
}

TEST(LocaleResources, NotALibraryLoadsNothing) {
  EXPECT_FALSE(platform::ResourceLibrary::Load("/nonexistent/kavexwebupdexe.dat"));
  EXPECT_FALSE(platform::ResourceLibrary::Load(__FILE__));
}

namespace {

// A host that plays a fixed script on a dialog, standing in for a window system.
class ScriptedHost : public platform::DialogHost, public platform::DialogWindow {
public:
  std::map<int, std::string> texts;
  std::map<int, bool> checked;
  std::string comboText = " 1";
  long spinResult = -99;
  bool ended = false;
  int result = 0;

  int RunModal(platform::CDialog& dialog, unsigned, platform::WindowHandle) override {
    Attach(dialog, this);
    InitDialog(dialog);
    Notify(dialog, IDC_DAYS_SPIN, platform::kSpinPositionChanging, spinResult);
    Ok(dialog);
    Attach(dialog, nullptr);
    return result;
  }
  void ExecuteDialogInit() override {}
  void SetWindowText(const std::string& text) override { texts[0] = text; }
  void SetDlgItemText(int id, const std::string& text) override { texts[id] = text; }
  std::string GetDlgItemText(int id) const override {
    return id == IDC_DAYS_COMBO ? comboText : texts.at(id);
  }
  void CheckRadioButton(int first, int last, int check) override {
    for (int id = first; id <= last; ++id)
      checked[id] = id == check;
  }
  int GetCheckedRadioButton(int first, int last) const override {
    for (int id = first; id <= last; ++id) {
      if (checked.count(id) && checked.at(id))
        return id;
    }
    return 0;
  }
  int SetComboSelection(int, int index) override { return index; }
  void EndDialog(int code) override {
    ended = true;
    result = code;
  }
  void ShowMessageBox(platform::WindowHandle, const std::string&, const std::string&,
                      platform::MessageBoxStyle) override {}
};

}  // namespace

TEST(UpdateAvailableDialog, SpinMoveChoosesTheReminderAndLetsTheMoveHappen) {
  ScriptedHost host;
  host.comboText = "  5 Tage";
  platform::SetDialogHost(&host);
  CUpdateAvailableDlg dialog;
  dialog.m_strProduct = "Acme";
  const int result = dialog.DoModal();
  platform::SetDialogHost(nullptr);
  EXPECT_EQ(result, platform::kIdOk);
  EXPECT_EQ(host.spinResult, 0);
  EXPECT_TRUE(host.checked[IDC_RADIO_REMIND]);
  EXPECT_EQ(dialog.m_nRemindDays, 5);  // read as atoi reads it
  EXPECT_EQ(host.texts[0], "Acme");
  EXPECT_EQ(host.texts[platform::kIdOk], "OK");
}

TEST(UpdateAvailableDialog, TranslatedListItemsAreReadAsNumbers) {
  // A translated list may hold anything: no digits give 0 (the visit choice), a sign is
  // read, and a number beyond an int is held at its limit instead of overflowing.
  const std::pair<const char*, int> items[] = {
      {"nie", 0}, {" -3 Tage", -3}, {"+7", 7}, {"99999999999", INT_MAX}, {"-99999999999", INT_MIN}};
  for (const auto& [text, days] : items) {
    ScriptedHost host;
    host.comboText = text;
    platform::SetDialogHost(&host);
    CUpdateAvailableDlg dialog;
    dialog.DoModal();
    platform::SetDialogHost(nullptr);
    EXPECT_EQ(dialog.m_nRemindDays, days) << text;
  }
}
