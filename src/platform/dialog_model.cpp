#include "platform/dialog_model.h"

#include <algorithm>

#include "platform/text.h"

namespace platform {

namespace {

bool IsAutoCheckBox(const DialogItem& item) {
  const std::uint32_t type = item.source.style & kButtonTypeMask;
  return item.kind == ControlKind::kCheckBox &&
         (type == kButtonAutoCheckBox || type == kButtonAuto3State);
}

// Sorted lists place each new item before the first one that is greater.
void AddItem(DialogItem& list, const std::string& item, bool sorted) {
  auto at = list.items.end();
  if (sorted) {
    at = std::find_if(list.items.begin(), list.items.end(),
                      [&](const std::string& other) { return ToLower(other) > ToLower(item); });
  }
  list.items.insert(at, item);
}

}  // namespace

ControlKind KindOf(const DialogControl& control) {
  const std::string& name = control.className;
  if (EqualsNoCase(name, kButtonClass)) {
    switch (control.style & kButtonTypeMask) {
      case kButtonRadio:
      case kButtonAutoRadio: return ControlKind::kRadioButton;
      case kButtonCheckBox:
      case kButtonAutoCheckBox:
      case kButton3State:
      case kButtonAuto3State: return ControlKind::kCheckBox;
      case kButtonGroupBox: return ControlKind::kOther;
      case kButtonDefPush:
      case kButtonDefSplit:
      case kButtonDefCommandLink: return ControlKind::kDefaultPushButton;
      default: return ControlKind::kPushButton;
    }
  }
  if (EqualsNoCase(name, kStaticClass)) {
    return (control.style & kStaticTypeMask) == kStaticIcon ? ControlKind::kIcon
                                                            : ControlKind::kStaticText;
  }
  if (EqualsNoCase(name, kComboBoxClass))
    return ControlKind::kComboBox;
  if (EqualsNoCase(name, kUpDownClass))
    return ControlKind::kUpDown;
  return ControlKind::kOther;
}

DialogModel::DialogModel(const DialogResource& resource, CDialog& dialog)
    : m_dialog(dialog), m_init(resource.init) {
  m_state.dialog = resource.dialog;
  m_state.title = resource.dialog.title;
  for (const DialogControl& control : resource.dialog.controls) {
    DialogItem item;
    item.source = control;
    item.kind = KindOf(control);
    item.text = control.text;
    item.visible = (control.style & kStyleVisible) != 0;
    item.enabled = (control.style & kStyleDisabled) == 0;
    m_state.items.push_back(item);
  }
  m_dialog.m_window = this;
}

DialogModel::~DialogModel() {
  m_dialog.m_window = nullptr;
}

void DialogModel::Initialise() {
  const bool focusFirst = m_dialog.OnInitDialog();
  if (focusFirst && !m_state.ended)
    m_state.focus = NextTabStop(kNoControl, false);
}

std::size_t DialogModel::IndexOf(int id) const {
  for (std::size_t i = 0; i < m_state.items.size(); ++i) {
    if (m_state.items[i].Id() == id)
      return i;
  }
  return kNoControl;
}

const DialogItem* DialogModel::Find(int id) const {
  const std::size_t index = IndexOf(id);
  return index == kNoControl ? nullptr : &m_state.items[index];
}

DialogItem* DialogModel::FindItem(int id) {
  const std::size_t index = IndexOf(id);
  return index == kNoControl ? nullptr : &m_state.items[index];
}

DialogNotes DialogModel::Notes() const {
  return m_dialog.Notes(m_state.result);
}

std::vector<std::vector<std::size_t>> DialogModel::Rows() const {
  std::vector<std::size_t> order;
  for (std::size_t i = 0; i < m_state.items.size(); ++i) {
    if (m_state.items[i].kind != ControlKind::kIcon && m_state.items[i].visible)
      order.push_back(i);
  }
  const auto source = [this](std::size_t i) -> const DialogControl& {
    return m_state.items[i].source;
  };
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return source(a).y < source(b).y; });
  // A control whose top lies above the middle of a row's first control joins that row.
  std::vector<std::vector<std::size_t>> rows;
  for (std::size_t i = 0; i < order.size();) {
    std::size_t end = i + 1;
    const int rowEnd = source(order[i]).y + std::max<int>(source(order[i]).height / 2, 1);
    while (end < order.size() && source(order[end]).y < rowEnd)
      ++end;
    std::vector<std::size_t> row(order.begin() + static_cast<std::ptrdiff_t>(i),
                                 order.begin() + static_cast<std::ptrdiff_t>(end));
    std::stable_sort(row.begin(), row.end(),
                     [&](std::size_t a, std::size_t b) { return source(a).x < source(b).x; });
    rows.push_back(row);
    i = end;
  }
  return rows;
}

// The dialog manager's routing of a command: the OK and Cancel buttons (and Enter and
// Escape, which stand for them) end up in OnOK and OnCancel, every other in OnCommand.
void DialogModel::Command(int id, int code) {
  if (id == kIdOk && code == kButtonClicked)
    m_dialog.OnOK();
  else if (id == kIdCancel && code == kButtonClicked)
    m_dialog.OnCancel();
  else
    m_dialog.OnCommand(id, code);
}

// An automatic radio button checks itself and unchecks the others of its group.
void DialogModel::CheckAutoRadio(std::size_t control) {
  for (const std::size_t i : Group(control)) {
    if (i != control && m_state.items[i].IsAutoRadio() && m_state.items[i].CanFocus())
      m_state.items[i].checked = false;
  }
  m_state.items[control].checked = true;
}

void DialogModel::Click(std::size_t control) {
  if (m_state.ended || control >= m_state.items.size() || !m_state.items[control].CanFocus())
    return;
  DialogItem& item = m_state.items[control];
  if (item.IsAutoRadio())
    CheckAutoRadio(control);
  else if (IsAutoCheckBox(item))
    item.checked = !item.checked;
  if (item.IsPushButton() || item.IsCheckable())
    Command(item.Id(), kButtonClicked);
}

void DialogModel::Select(std::size_t control, int item) {
  if (m_state.ended || control >= m_state.items.size() ||
      m_state.items[control].kind != ControlKind::kComboBox || !m_state.items[control].CanFocus() ||
      item < 0 || item >= static_cast<int>(m_state.items[control].items.size()))
    return;
  m_state.items[control].selection = item;
  Command(m_state.items[control].Id(), kComboSelectionChange);
}

void DialogModel::Spin(std::size_t control, int /*delta*/) {
  if (m_state.ended || control >= m_state.items.size() ||
      m_state.items[control].kind != ControlKind::kUpDown || !m_state.items[control].CanFocus())
    return;
  // The control keeps no position of its own, so the dialog's answer changes nothing.
  long result = 0;
  m_dialog.OnNotify(m_state.items[control].Id(), kSpinPositionChanging, result);
}

void DialogModel::Close() {
  if (m_state.ended)
    return;
  // A disabled Cancel button keeps the dialog open, as it keeps a Windows dialog open.
  const DialogItem* cancel = Find(kIdCancel);
  if (!cancel || cancel->enabled)
    Command(kIdCancel, kButtonClicked);
}

void DialogModel::CloseForGood() {
  Close();
  if (!m_state.ended)
    EndDialog(kIdCancel);
}

void DialogModel::ExecuteDialogInit() {
  // Only the two adding messages are carried out, as on Windows.
  for (const DialogInitEntry& entry : m_init) {
    DialogItem* item = FindItem(entry.control);
    if (!item)
      continue;
    if (entry.message == kDialogInitAddComboString && item->kind == ControlKind::kComboBox)
      AddItem(*item, entry.text, (item->source.style & kComboSort) != 0);
    else if (entry.message == kDialogInitAddListString &&
             EqualsNoCase(item->source.className, kListBoxClass))
      AddItem(*item, entry.text, (item->source.style & kListSort) != 0);
  }
}

void DialogModel::SetWindowText(const std::string& text) {
  m_state.title = text;
}

void DialogModel::SetDlgItemText(int id, const std::string& text) {
  if (DialogItem* item = FindItem(id))
    item->text = text;
}

std::string DialogModel::GetDlgItemText(int id) const {
  const DialogItem* item = Find(id);
  if (!item)
    return std::string();
  // A drop-down list's text is that of its selected item.
  if (item->kind == ControlKind::kComboBox)
    return item->selection >= 0 ? item->items[static_cast<std::size_t>(item->selection)]
                                : std::string();
  return item->text;
}

void DialogModel::CheckRadioButton(int first, int last, int check) {
  for (DialogItem& item : m_state.items) {
    if (item.IsCheckable() && item.Id() >= first && item.Id() <= last)
      item.checked = item.Id() == check;
  }
}

int DialogModel::GetCheckedRadioButton(int first, int last) const {
  int found = 0;
  for (const DialogItem& item : m_state.items) {
    if (item.IsCheckable() && item.checked && item.Id() >= first && item.Id() <= last &&
        (found == 0 || item.Id() < found))
      found = item.Id();
  }
  return found;
}

int DialogModel::SetComboSelection(int id, int index) {
  DialogItem* item = FindItem(id);
  if (!item || item->kind != ControlKind::kComboBox)
    return -1;
  if (index < 0 || index >= static_cast<int>(item->items.size())) {
    item->selection = -1;
    return -1;
  }
  item->selection = index;
  return index;
}

void DialogModel::EndDialog(int result) {
  m_state.ended = true;
  m_state.result = result;
}

int ModelDialogHost::RunModal(CDialog& dialog, unsigned templateId, WindowHandle) {
  DialogResource resource;
  if (!LoadDialogResource(templateId, resource))
    return -1;
  DialogModel model(resource, dialog);
  return Show(model);
}

}  // namespace platform
