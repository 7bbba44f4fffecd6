#pragma once
#include <cstdint>
#include <string>

// A product's remind date: the local midnight that starts the stored date, or 0 when
// there is no usable remind date. Never raises.
std::int64_t GetRemindDate(const std::string& productName);

// Stores the local date of the instant days x 86,400 seconds from now.
void SetRemindDate(const std::string& productName, int days);

// Stores the empty text: no reminder. The value is kept, not deleted.
void ClearRemindDate(const std::string& productName);

// The stored text for a remind instant: "%m/%d/%Y" of its local date, or the empty text
// when the instant cannot be converted.
std::string FormatRemindDate(std::int64_t instant);

// The time a stored text stands for: 0 when the text is not a date of the accepted form
// and ranges; raises std::invalid_argument when its local midnight cannot be represented.
std::int64_t ParseRemindDate(const std::string& text);
