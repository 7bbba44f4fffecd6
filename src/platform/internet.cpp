#include "platform/internet.h"

#include <cerrno>
#include <cstdlib>


namespace platform {

namespace {

const std::size_t kReadAhead = 4096;
const unsigned long kConnectTimeoutSeconds = 60;
const unsigned long kStallTimeoutSeconds = 30;
const char kTimeoutVariable[] = "KWU_INTERNET_TIMEOUT";

}  // namespace

InternetTimeouts GetInternetTimeouts() {
  InternetTimeouts timeouts = {kConnectTimeoutSeconds, kStallTimeoutSeconds};
  const char* text = std::getenv(kTimeoutVariable);
  if (text == nullptr || *text == '\0')
    return timeouts;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text, &end, 10);
  // Only a plain positive number of at most a day counts; anything else is ignored.
  if (errno == 0 && *end == '\0' && text[0] >= '0' && text[0] <= '9' && value > 0 &&
      value <= 86400)
    timeouts.connectSeconds = timeouts.stallSeconds = value;
  return timeouts;
}

CInternetException::CInternetException(unsigned long error, const std::string& message)
    : m_dwError(error), m_message(message.substr(0, kMaxInternetErrorMessage)) {}

bool CHttpFile::ReadString(char* buffer, std::size_t maxChars) {
  if (maxChars == 0)
    return false;
  std::size_t length = 0;
  while (length + 1 < maxChars) {
    if (m_pendingStart == m_pending.size()) {
      if (m_bodyEnded)
        break;
      std::vector<char> piece(kReadAhead);
      const std::size_t got = ReadBody(piece.data(), piece.size());
      piece.resize(got);
      m_pending.swap(piece);
      m_pendingStart = 0;
      if (got == 0) {
        m_bodyEnded = true;
        break;
      }
    }
    const char c = m_pending[m_pendingStart++];
    buffer[length++] = c;
    if (c == '\n')
      break;
  }
  buffer[length] = '\0';
  return length > 0;
}

}  // namespace platform
