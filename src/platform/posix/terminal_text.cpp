#include "platform/posix/terminal_text.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <vector>

namespace platform {
namespace posix {

namespace {

struct Range {
  char32_t first;
  char32_t last;
};

// Combining marks of the scripts the translations are written in, and characters that
// take no room.
constexpr Range kZeroWidth[] = {
    {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x05BF, 0x05BF}, {0x05C1, 0x05C2},
    {0x05C4, 0x05C5}, {0x05C7, 0x05C7}, {0x0610, 0x061A}, {0x064B, 0x065F}, {0x0670, 0x0670},
    {0x06D6, 0x06DC}, {0x06DF, 0x06E4}, {0x06E7, 0x06E8}, {0x06EA, 0x06ED}, {0x0E31, 0x0E31},
    {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1AB0, 0x1AFF}, {0x1DC0, 0x1DFF}, {0x200B, 0x200F},
    {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F}};

// Characters a terminal shows two columns wide: Hangul, the CJK scripts, full-width forms.
constexpr Range kWide[] = {{0x1100, 0x115F}, {0x2E80, 0x303E}, {0x3041, 0x33FF},
                           {0x3400, 0x4DBF}, {0x4E00, 0x9FFF}, {0xA000, 0xA4CF},
                           {0xAC00, 0xD7A3}, {0xF900, 0xFAFF}, {0xFE30, 0xFE4F},
                           {0xFF00, 0xFF60}, {0xFFE0, 0xFFE6}, {0x20000, 0x3FFFD}};

template <std::size_t N>
bool In(const Range (&ranges)[N], char32_t c) {
  return std::any_of(std::begin(ranges), std::end(ranges),
                     [c](const Range& range) { return c >= range.first && c <= range.last; });
}

// The character of a UTF-8 text at `at` and its length in bytes; a byte that begins no
// whole sequence is a character of its own.
char32_t Decode(const std::string& text, std::size_t at, std::size_t& length) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  length = lead < 0x80   ? 1
           : lead < 0xC2 ? 0
           : lead < 0xE0 ? 2
           : lead < 0xF0 ? 3
           : lead < 0xF5 ? 4
                         : 0;
  if (length == 0 || at + length > text.size()) {
    length = 1;
    return 0xFFFD;
  }
  char32_t c = length == 1 ? lead : lead & (0x7F >> length);
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) {
      length = 1;
      return 0xFFFD;
    }
    c = (c << 6) | (byte(at + i) & 0x3F);
  }
  return c;
}

std::size_t CharacterWidth(char32_t c) {
  if (In(kZeroWidth, c))
    return 0;
  return In(kWide, c) ? 2 : 1;
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
    const char32_t c = Decode(line, at, length);
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
      const std::size_t width = CharacterWidth(Decode(piece.text, at, length));
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
    width += CharacterWidth(Decode(text, at, length));
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
