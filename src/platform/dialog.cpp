#include "platform/dialog.h"

#include "platform/test_faults.h"

namespace platform {

// Each platform supplies its own host.
DialogHost& PlatformDialogHost();

namespace {
DialogHost* g_host = nullptr;
}  // namespace

DialogHost& GetDialogHost() {
  return g_host ? *g_host : PlatformDialogHost();
}

void SetDialogHost(DialogHost* host) {
  g_host = host;
}

void ShowMessageBox(WindowHandle owner, const std::string& text, const std::string& caption,
                    MessageBoxStyle style) {
  GetDialogHost().ShowMessageBox(owner, text, caption, style);
}

void DialogHost::Attach(CDialog& dialog, DialogWindow* window) {
  dialog.m_window = window;
}

bool DialogHost::InitDialog(CDialog& dialog) {
  return dialog.OnInitDialog();
}

void DialogHost::Ok(CDialog& dialog) {
  dialog.OnOK();
}

void DialogHost::Cancel(CDialog& dialog) {
  dialog.OnCancel();
}

bool DialogHost::Command(CDialog& dialog, int id, int code) {
  return dialog.OnCommand(id, code);
}

bool DialogHost::Notify(CDialog& dialog, int id, int code, long& result) {
  return dialog.OnNotify(id, code, result);
}

CDialog::CDialog(unsigned templateId, WindowHandle parent)
    : m_templateId(templateId), m_parent(parent) {}

CDialog::~CDialog() = default;

int CDialog::DoModal() {
  // The fault point: the system cannot create the dialog, and nothing is shown.
  if (TestFault("dialog-create"))
    return -1;
  return GetDialogHost().RunModal(*this, m_templateId, m_parent);
}

DialogNotes CDialog::Notes(int) const {
  return DialogNotes();
}

bool CDialog::OnInitDialog() {
  if (m_window)
    m_window->ExecuteDialogInit();
  return true;
}

void CDialog::OnOK() {
  EndDialog(kIdOk);
}

void CDialog::OnCancel() {
  EndDialog(kIdCancel);
}

bool CDialog::OnCommand(int, int) {
  return false;
}

bool CDialog::OnNotify(int, int, long&) {
  return false;
}

void CDialog::EndDialog(int result) {
  if (m_window)
    m_window->EndDialog(result);
}

void CDialog::SetWindowText(const std::string& text) {
  if (m_window)
    m_window->SetWindowText(text);
}

void CDialog::SetDlgItemText(int id, const std::string& text) {
  if (m_window)
    m_window->SetDlgItemText(id, text);
}

std::string CDialog::GetDlgItemText(int id) const {
  return m_window ? m_window->GetDlgItemText(id) : std::string();
}

void CDialog::CheckRadioButton(int first, int last, int check) {
  if (m_window)
    m_window->CheckRadioButton(first, last, check);
}

int CDialog::GetCheckedRadioButton(int first, int last) const {
  return m_window ? m_window->GetCheckedRadioButton(first, last) : 0;
}

int CDialog::SetComboSelection(int id, int index) {
  return m_window ? m_window->SetComboSelection(id, index) : -1;
}

}  // namespace platform
