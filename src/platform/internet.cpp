#include "platform/internet.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/test_faults.h"

namespace platform {

namespace {

const std::size_t kReadAhead = 4096;
const std::size_t kBodyBlockSize = 64 * 1024;
const unsigned long kConnectTimeoutSeconds = 60;
const unsigned long kStallTimeoutSeconds = 30;
const unsigned long kDeadlineSeconds = 120;
const char kTimeoutVariable[] = "KWU_INTERNET_TIMEOUT";
const char kDeadlineVariable[] = "KWU_INTERNET_DEADLINE";

// The whole seconds in the variable, or fallback when it is unset or not a plain
// positive number of at most a day.
unsigned long SecondsFromEnvironment(const char* variable, unsigned long fallback) {
  const char* text = std::getenv(variable);
  if (text == nullptr || *text == '\0')
    return fallback;
  char* end = nullptr;
  errno = 0;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (errno == 0 && *end == '\0' && text[0] >= '0' && text[0] <= '9' && value > 0 && value <= 86400)
    return value;
  return fallback;
}

}  // namespace

InternetTimeouts GetInternetTimeouts() {
  InternetTimeouts timeouts = {kConnectTimeoutSeconds, kStallTimeoutSeconds, kDeadlineSeconds};
  const unsigned long shortened = SecondsFromEnvironment(kTimeoutVariable, 0);
  if (shortened != 0)
    timeouts.connectSeconds = timeouts.stallSeconds = shortened;
  timeouts.deadlineSeconds = SecondsFromEnvironment(kDeadlineVariable, kDeadlineSeconds);
  return timeouts;
}

bool BodyQueue::Append(const char* data, std::size_t size) {
  if (size > m_limit - m_received)
    return false;
  m_received += size;
  while (size > 0) {
    if (m_blocks.empty() || m_blocks.back().size() == kBodyBlockSize) {
      m_blocks.emplace_back();
      m_blocks.back().reserve(kBodyBlockSize);
    }
    std::string& block = m_blocks.back();
    const std::size_t count = std::min(size, kBodyBlockSize - block.size());
    block.append(data, count);
    data += count;
    size -= count;
  }
  return true;
}

std::size_t BodyQueue::Take(char* buffer, std::size_t size) {
  std::size_t taken = 0;
  while (taken < size && !m_blocks.empty()) {
    const std::string& front = m_blocks.front();
    const std::size_t count = std::min(size - taken, front.size() - m_frontTaken);
    std::memcpy(buffer + taken, front.data() + m_frontTaken, count);
    taken += count;
    m_frontTaken += count;
    if (m_frontTaken == front.size()) {
      m_blocks.pop_front();
      m_frontTaken = 0;
    }
  }
  return taken;
}

std::size_t BodyQueue::Reserved() const {
  std::size_t reserved = 0;
  for (const std::string& block : m_blocks)
    reserved += block.capacity();
  return reserved;
}

CInternetException::CInternetException(unsigned long error, const std::string& message)
    : m_dwError(error), m_message(message.substr(0, kMaxInternetErrorMessage)) {}

void CInternetSession::OnStatusCallback(unsigned long, unsigned long, const void*, unsigned long) {}

bool CHttpFile::ReadString(char* buffer, std::size_t maxChars, std::size_t* stored) {
  if (stored)
    *stored = 0;
  if (maxChars == 0)
    return false;
  std::size_t length = 0;
  while (length + 1 < maxChars) {
    if (m_pendingStart == m_pending.size()) {
      if (m_bodyEnded)
        break;
      // The fault point: memory runs out while the body is read.
      if (TestFault("manifest-read"))
        throw std::bad_alloc();
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
  if (stored)
    *stored = length;
  return length > 0;
}

}  // namespace platform
