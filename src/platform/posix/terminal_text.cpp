#include "platform/posix/terminal_text.h"

#include <locale.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <vector>

#include "platform/text.h"

namespace platform {
namespace posix {

namespace {

// The columns a character takes, from the C library's Unicode data. wcwidth reads it only
// in a UTF-8 locale, and the program runs in the C locale for its formats, so the reading
// takes a locale object of its own for this thread and the call alone. A character the
// library does not know, and a byte that is not UTF-8, take one column, as a terminal
// shows them.
std::size_t CharacterWidth(char32_t c) {
  static const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  if (c == kNotUtf8 || utf8 == static_cast<locale_t>(0))
    return 1;
  const locale_t previous = ::uselocale(utf8);
  const int width = ::wcwidth(static_cast<wchar_t>(c));
  ::uselocale(previous);
  return width < 0 ? 1 : static_cast<std::size_t>(width);
}

// What a line may be broken between: words, each with the blanks before it, and each wide
// character on its own (scripts written without blanks break between any two).
struct Piece {
  std::string gap;
  std::string text;
  std::size_t width = 0;
  bool wide = false;
};

std::vector<Piece> Pieces(const std::string& line) {
  std::vector<Piece> pieces;
  Piece current;
  std::string gap;
  for (std::size_t at = 0, length = 1; at < line.size(); at += length) {
    const char32_t c = DecodeUtf8(line, at, length);
    if (c == ' ') {
      if (!current.text.empty())
        pieces.push_back(std::move(current));
      current = Piece();
      gap += ' ';
      continue;
    }
    const std::size_t width = CharacterWidth(c);
    if (!current.text.empty() && (width == 2 || (current.wide && width > 0))) {
      pieces.push_back(std::move(current));
      current = Piece();
    }
    if (current.text.empty()) {
      current.gap.swap(gap);
      current.wide = width == 2;
    }
    current.text.append(line, at, length);
    current.width += width;
  }
  if (!current.text.empty())
    pieces.push_back(std::move(current));
  return pieces;
}

class LineBreaker {
public:
  LineBreaker(std::size_t width, std::size_t indent) : m_width(width), m_indent(indent) {}

  void Add(const Piece& piece) {
    // Blanks that would end a line go with the break; those that begin the text stay.
    if (m_hasText && m_used + piece.gap.size() + piece.width > m_width)
      Break();
    if (m_hasText || m_first)
      Place(piece.gap, piece.gap.size());
    if (m_used + piece.width <= m_width) {
      Place(piece.text, piece.width);
      m_hasText = true;
      return;
    }
    // Longer than a line: cut between its characters.
    for (std::size_t at = 0, length = 1; at < piece.text.size(); at += length) {
      const std::size_t width = CharacterWidth(DecodeUtf8(piece.text, at, length));
      if (m_hasText && width > 0 && m_used + width > m_width)
        Break();
      Place(piece.text.substr(at, length), width);
      m_hasText = true;
    }
  }

  std::string Finish() { return m_out + m_line; }

private:
  void Place(const std::string& text, std::size_t width) {
    m_line += text;
    m_used += width;
  }
  void Break() {
    m_out += m_line + "\n";
    m_line.assign(m_indent, ' ');
    m_used = m_indent;
    m_hasText = false;
    m_first = false;
  }

  std::size_t m_width;
  std::size_t m_indent;
  std::string m_out;
  std::string m_line;
  std::size_t m_used = 0;
  bool m_hasText = false;
  bool m_first = true;
};

}  // namespace

std::size_t DisplayWidth(const std::string& text) {
  std::size_t width = 0;
  for (std::size_t at = 0, length = 1; at < text.size(); at += length)
    width += CharacterWidth(DecodeUtf8(text, at, length));
  return width;
}

std::string WrapText(const std::string& text, std::size_t width, std::size_t indent) {
  width = std::max<std::size_t>(width, 1);
  if (indent + 10 > width)
    indent = 0;
  std::string wrapped;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\n', start);
    LineBreaker line(width, indent);
    for (const Piece& piece : Pieces(text.substr(start, end - start)))
      line.Add(piece);
    wrapped += line.Finish();
    if (end == std::string::npos)
      return wrapped;
    wrapped += "\n";
    start = end + 1;
  }
}

std::size_t TerminalWidth(int fd) {
  winsize size{};
  if (::isatty(fd) && ::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
    return size.ws_col;
  const char* columns = std::getenv("COLUMNS");
  if (columns && *columns &&
      std::string(columns).find_first_not_of("0123456789") == std::string::npos) {
    const long value = std::strtol(columns, nullptr, 10);
    if (value > 0 && value <= 10000)
      return static_cast<std::size_t>(value);
  }
  return 80;
}

}  // namespace posix
}  // namespace platform
