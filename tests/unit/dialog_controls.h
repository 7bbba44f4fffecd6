#pragma once
// Controls of dialog templates made for a test case.
#include <cstdint>

#include "platform/dialog_template.h"

namespace test {

constexpr std::uint32_t kChild = 0x50000000;   // WS_CHILD | WS_VISIBLE
constexpr std::uint32_t kHidden = 0x40000000;  // WS_CHILD alone

inline platform::DialogControl Control(int id, const char* className, std::uint32_t style,
                                       const char* text = "", short y = 0, short x = 0) {
  platform::DialogControl control;
  control.id = static_cast<std::uint32_t>(id);
  control.className = className;
  control.style = style;
  control.text = text;
  control.x = x;
  control.y = y;
  control.width = 40;
  control.height = 12;
  return control;
}

}  // namespace test
