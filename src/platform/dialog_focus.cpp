// The dialog model's focus and keyboard, as the Windows dialog manager has them.
#include <algorithm>

#include "platform/dialog_model.h"
#include "platform/text.h"

namespace platform {

namespace {

// The character, one UTF-8 sequence, that the "&" of a control's text marks; "" for none.
std::string MnemonicOf(const std::string& text) {
  const MnemonicText parsed = ParseMnemonics(text);
  if (parsed.marks.empty())
    return std::string();
  const std::size_t at = parsed.marks.front();
  std::size_t length = 1;
  DecodeUtf8(parsed.text, at, length);
  return parsed.text.substr(at, length);
}

}  // namespace

std::size_t DialogModel::DefaultButton() const {
  for (std::size_t i = 0; i < m_state.items.size(); ++i) {
    if (m_state.items[i].kind == ControlKind::kDefaultPushButton)
      return i;
  }
  return kNoControl;
}

std::size_t DialogModel::EnterTarget() const {
  if (m_state.focus != kNoControl && m_state.items[m_state.focus].IsPushButton())
    return m_state.focus;
  return DefaultButton();
}

std::size_t DialogModel::NextTabStop(std::size_t from, bool backwards) const {
  const std::size_t count = m_state.items.size();
  if (count == 0)
    return kNoControl;
  // From no control, forwards starts at the first and backwards at the last.
  std::size_t at = from != kNoControl ? from : (backwards ? 0 : count - 1);
  for (std::size_t step = 0; step < count; ++step) {
    at = backwards ? (at + count - 1) % count : (at + 1) % count;
    if (m_state.items[at].IsTabStop() && m_state.items[at].CanFocus())
      return at;
  }
  return kNoControl;
}

std::vector<std::size_t> DialogModel::Group(std::size_t index) const {
  const std::vector<DialogItem>& items = m_state.items;
  const std::size_t first = GroupStart(items, index);
  std::vector<std::size_t> group{first};
  for (std::size_t at = (first + 1) % items.size();
       at != first && !(items[at].source.style & kStyleGroup); at = (at + 1) % items.size())
    group.push_back(at);
  return group;
}

std::size_t DialogModel::NextInGroup(std::size_t from, bool backwards) const {
  if (from >= m_state.items.size())
    return kNoControl;
  const std::vector<std::size_t> group = Group(from);
  const std::size_t size = group.size();
  std::size_t at =
      static_cast<std::size_t>(std::find(group.begin(), group.end(), from) - group.begin());
  for (std::size_t step = 0; step < size; ++step) {
    at = backwards ? (at + size - 1) % size : (at + 1) % size;
    if (m_state.items[group[at]].CanFocus())
      return group[at];
  }
  return kNoControl;
}

void DialogModel::SetFocus(std::size_t control) {
  if (control == kNoControl ||
      (control < m_state.items.size() && m_state.items[control].CanFocus()))
    m_state.focus = control;
}

// The arrow keys move within the focused control's group. Reaching an automatic radio
// button that is not checked clicks it, so that the choice follows the focus.
void DialogModel::Arrow(bool backwards) {
  const std::size_t next = NextInGroup(m_state.focus, backwards);
  if (next == kNoControl)
    return;
  m_state.focus = next;
  if (m_state.items[next].IsAutoRadio() && !m_state.items[next].checked)
    Click(next);
}

bool DialogModel::Key(DialogKey key) {
  if (m_state.ended)
    return false;
  const bool backwards = key == DialogKey::kUp || key == DialogKey::kLeft;
  const DialogItem* focused = m_state.focus != kNoControl ? &m_state.items[m_state.focus] : nullptr;
  switch (key) {
    case DialogKey::kTab:
    case DialogKey::kShiftTab: {
      const std::size_t next = NextTabStop(m_state.focus, key == DialogKey::kShiftTab);
      if (next != kNoControl)
        m_state.focus = next;
      return true;
    }
    case DialogKey::kUp:
    case DialogKey::kDown:
    case DialogKey::kLeft:
    case DialogKey::kRight:
      // A list takes the arrows itself: they move its selection.
      if (focused && focused->kind == ControlKind::kComboBox)
        Select(m_state.focus, focused->selection + (backwards ? -1 : 1));
      else
        Arrow(backwards);
      return true;
    case DialogKey::kEnter: {
      const std::size_t target = EnterTarget();
      if (target == kNoControl)
        Command(kIdOk, kButtonClicked);
      else if (m_state.items[target].enabled)
        Command(m_state.items[target].Id(), kButtonClicked);
      return true;
    }
    case DialogKey::kEscape: Command(kIdCancel, kButtonClicked); return true;
    case DialogKey::kSpace:
      if (!focused || !(focused->IsPushButton() || focused->IsCheckable()))
        return false;
      Click(m_state.focus);
      return true;
  }
  return false;
}

// The dialog manager looks for the mnemonic from the focused control onwards, round the
// dialog, among the visible and enabled buttons and texts.
bool DialogModel::Character(const std::string& typed, bool alt) {
  if (m_state.ended || typed.empty())
    return false;
  const std::size_t count = m_state.items.size();
  const std::size_t start = m_state.focus != kNoControl ? m_state.focus : 0;
  if (!alt && m_state.focus != kNoControl && m_state.items[start].kind == ControlKind::kComboBox)
    return false;
  for (std::size_t step = 0; step < count; ++step) {
    const std::size_t at = (start + step) % count;
    const DialogItem& item = m_state.items[at];
    const bool text = item.kind == ControlKind::kStaticText;
    if (!item.CanFocus() || !(text || item.IsPushButton() || item.IsCheckable()) ||
        ToLower(MnemonicOf(item.text)) != ToLower(typed))
      continue;
    if (text) {
      // The text names the control after it: the focus goes on to the next tab stop.
      m_state.focus = at;
      const std::size_t next = NextTabStop(at, false);
      if (next != kNoControl)
        m_state.focus = next;
    } else {
      Click(at);
    }
    return true;
  }
  return false;
}

}  // namespace platform
