#pragma once
// Text on a terminal: how wide it shows, and lines broken to the terminal's width.
#include <cstddef>
#include <string>

namespace platform {
namespace posix {

// The columns a UTF-8 text takes on a terminal: two for each wide (East Asian) character,
// none for a combining mark, one for every other character and for a byte that is not
// UTF-8.
std::size_t DisplayWidth(const std::string& text);

// The text in lines of at most `width` columns, broken at blanks and between wide
// characters; a word longer than a line is cut. The text's own line breaks stay, and each
// line but the first of a broken one starts with `indent` blanks (none when that leaves
// too little room). The lines are joined by "\n", with none after the last.
std::string WrapText(const std::string& text, std::size_t width, std::size_t indent = 0);

// The width of the terminal on `fd`; when it is none, $COLUMNS; else 80.
std::size_t TerminalWidth(int fd);

}  // namespace posix
}  // namespace platform
