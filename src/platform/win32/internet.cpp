// The internet session on Windows: WinINet, synchronous.
#include "platform/internet.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/test_faults.h"

namespace platform {

namespace {

const std::uint64_t kNoContentLength = ~std::uint64_t(0);
// WinINet has no error for a body past kMaxBodySize; the system's file-size error says it.
const DWORD kBodyTooLarge = ERROR_FILE_TOO_LARGE;
// Its text where the system has none for it (Wine's message table lacks it).
const char kBodyTooLargeText[] = "The file size exceeds the limit allowed.";
// The socket's timeout (WSAETIMEDOUT), without the socket headers.
const DWORD kSocketTimedOut = 10060;
// A wait that fails this close to the deadline was ended by it.
const DWORD kDeadlineSlackMilliseconds = 250;

// The text for an error code: the WinINet module's, else the system's; empty when neither
// has one.
std::string InternetMessage(DWORD error) {
  char buffer[kMaxInternetErrorMessage + 1] = "";
  const DWORD length = FormatMessageA(
      FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      GetModuleHandleA("wininet.dll"), error, 0, buffer, sizeof buffer, nullptr);
  return std::string(buffer, length);
}

[[noreturn]] void ThrowInternetError(DWORD error) {
  throw CInternetException(error, InternetMessage(error));
}

[[noreturn]] void ThrowLastError() {
  ThrowInternetError(GetLastError());
}

[[noreturn]] void ThrowBodyTooLarge() {
  const std::string message = InternetMessage(kBodyTooLarge);
  throw CInternetException(kBodyTooLarge, message.empty() ? kBodyTooLargeText : message);
}

void SetTimeoutMilliseconds(HINTERNET handle, DWORD option, DWORD milliseconds) {
  if (!InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds))
    ThrowLastError();
}

void SetTimeout(HINTERNET handle, DWORD option, unsigned long seconds) {
  SetTimeoutMilliseconds(handle, option, seconds * 1000);
}

// Owns one WinINet handle.
class InternetHandle {
public:
  explicit InternetHandle(HINTERNET handle = nullptr) : m_handle(handle) {}
  InternetHandle(InternetHandle&& other) : m_handle(other.m_handle) { other.m_handle = nullptr; }
  ~InternetHandle() { Close(); }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET Get() const { return m_handle; }
  void Close();

private:
  HINTERNET m_handle;
};

// Holds a critical section for as long as it lives.
class CriticalSectionLock {
public:
  explicit CriticalSectionLock(CRITICAL_SECTION& section) : m_section(section) {
    EnterCriticalSection(&m_section);
  }
  ~CriticalSectionLock() { LeaveCriticalSection(&m_section); }
  CriticalSectionLock(const CriticalSectionLock&) = delete;
  CriticalSectionLock& operator=(const CriticalSectionLock&) = delete;

private:
  CRITICAL_SECTION& m_section;
};

// Which session each open handle belongs to, so that WinINet's notifications reach the
// session's OnStatusCallback, and what that callback raised, until the operation that
// caused the notification has returned. WinINet may notify from threads of its own.
class SessionRegistry {
public:
  SessionRegistry() { InitializeCriticalSection(&m_lock); }
  ~SessionRegistry() { DeleteCriticalSection(&m_lock); }

  void Add(HINTERNET handle, CInternetSession* session) {
    CriticalSectionLock lock(m_lock);
    m_sessions[handle] = session;
  }
  void Remove(HINTERNET handle) {
    CriticalSectionLock lock(m_lock);
    m_sessions.erase(handle);
  }
  CInternetSession* Find(HINTERNET handle) {
    CriticalSectionLock lock(m_lock);
    const auto entry = m_sessions.find(handle);
    return entry == m_sessions.end() ? nullptr : entry->second;
  }

  // The place for a session's state is made up front, so that keeping a failure inside
  // the callback, or abandoning the session, needs no memory.
  void OpenState(CInternetSession* session) {
    CriticalSectionLock lock(m_lock);
    m_states[session] = SessionState();
  }
  void CloseState(CInternetSession* session) {
    CriticalSectionLock lock(m_lock);
    m_states.erase(session);
  }
  // Keeps the first failure until it is taken.
  void Fail(CInternetSession* session, std::exception_ptr failure) {
    CriticalSectionLock lock(m_lock);
    const auto entry = m_states.find(session);
    if (entry != m_states.end() && !entry->second.failure)
      entry->second.failure = failure;
  }
  std::exception_ptr TakeFailure(CInternetSession* session) {
    CriticalSectionLock lock(m_lock);
    const auto entry = m_states.find(session);
    if (entry == m_states.end())
      return nullptr;
    std::exception_ptr failure = entry->second.failure;
    entry->second.failure = nullptr;
    return failure;
  }

  // Closing a request whose body has not been read to its end makes Wine's WinINet read
  // the rest of a chunked body first, which for a body that never ends never returns. A
  // transfer ended by one of its bounds therefore leaves its session's handles open: they
  // go with the process, which a check of a few products ends soon.
  void Abandon(CInternetSession* session) {
    CriticalSectionLock lock(m_lock);
    const auto entry = m_states.find(session);
    if (entry != m_states.end())
      entry->second.abandoned = true;
  }
  bool IsAbandoned(HINTERNET handle) {
    CriticalSectionLock lock(m_lock);
    const auto owner = m_sessions.find(handle);
    if (owner == m_sessions.end())
      return false;
    const auto entry = m_states.find(owner->second);
    return entry != m_states.end() && entry->second.abandoned;
  }

private:
  CRITICAL_SECTION m_lock;
  std::map<HINTERNET, CInternetSession*> m_sessions;
  struct SessionState {
    std::exception_ptr failure;
    bool abandoned = false;
  };
  std::map<CInternetSession*, SessionState> m_states;
};

SessionRegistry& Sessions() {
  static SessionRegistry registry;
  return registry;
}

void InternetHandle::Close() {
  if (m_handle != nullptr) {
    const bool abandoned = Sessions().IsAbandoned(m_handle);
    Sessions().Remove(m_handle);
    if (!abandoned)
      InternetCloseHandle(m_handle);
    m_handle = nullptr;
  }
}

// Runs inside WinINet's C frames: an exception of OnStatusCallback must not unwind
// through them. It is kept and raised again by RethrowStatusFailure.
void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                             DWORD infoLength) {
  CInternetSession* session = Sessions().Find(handle);
  if (session == nullptr)
    return;
  try {
    session->OnStatusCallback(static_cast<unsigned long>(context), status, info, infoLength);
  } catch (...) {
    Sessions().Fail(session, std::current_exception());
  }
}

// After each WinINet operation that may notify: what the session's callback raised.
void RethrowStatusFailure(CInternetSession* session) {
  if (std::exception_ptr failure = Sessions().TakeFailure(session))
    std::rethrow_exception(failure);
}

// A point some seconds after its creation, on a clock that does not jump. GetTickCount
// wraps after 49 days; differences of its values do not.
class Deadline {
public:
  explicit Deadline(unsigned long seconds)
      : m_start(GetTickCount()), m_milliseconds(static_cast<DWORD>(seconds) * 1000) {}
  // Milliseconds left; 0 once it has passed.
  DWORD Remaining() const {
    const DWORD elapsed = GetTickCount() - m_start;
    return elapsed >= m_milliseconds ? 0 : m_milliseconds - elapsed;
  }

private:
  DWORD m_start;
  DWORD m_milliseconds;
};

class WinInetHttpFile : public CHttpFile {
public:
  // The deadline of the whole transfer starts with the request.
  WinInetHttpFile(InternetHandle&& request, CInternetSession* session)
      : m_request(std::move(request)),
        m_session(session),
        m_timeouts(GetInternetTimeouts()),
        m_deadline(m_timeouts.deadlineSeconds) {
    Sessions().Add(m_request.Get(), session);
  }
  ~WinInetHttpFile() override { Close(); }

  // A Content-Length past the limit fails here, before the body, as on Linux.
  void SendRequest() override {
    const BOOL sent = HttpSendRequestA(m_request.Get(), nullptr, 0, nullptr, 0);
    const DWORD error = GetLastError();
    RethrowStatusFailure(m_session);
    if (!sent)
      ThrowWaitError(error);
    const std::uint64_t length = ContentLength();
    if (length != kNoContentLength && length > kMaxBodySize)
      ThrowTooLarge();
  }

  bool QueryInfoStatusCode(unsigned long& status) override {
    DWORD code = 0;
    DWORD size = sizeof code;
    status = 0;
    if (!HttpQueryInfoA(m_request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &code,
                        &size, nullptr))
      return false;
    // WinINet reports an answer that has no HTTP status line as "HTTP/1.0 200 OK" without
    // a single header field. Every real server sends some field, so an answer without any
    // is one whose status could not be read, and never a success.
    if (!HasHeaderFields())
      return false;
    status = code;
    return status != 0;
  }

  bool QueryInfoLocation(std::string& location) override {
    location.clear();
    DWORD size = 0;
    HttpQueryInfoA(m_request.Get(), HTTP_QUERY_LOCATION, nullptr, &size, nullptr);
    if (size == 0)
      return false;
    std::vector<char> buffer(size + 1, '\0');
    if (!HttpQueryInfoA(m_request.Get(), HTTP_QUERY_LOCATION, buffer.data(), &size, nullptr))
      return false;
    location.assign(buffer.data(), std::min<std::size_t>(size, buffer.size() - 1));
    return true;
  }

  void Close() override { m_request.Close(); }

protected:
  // WinINet ends a body cut off by the server as if it were complete; a success must mean
  // that the whole body arrived, so a body shorter than its Content-Length is an error.
  // Only what has already arrived is read, so that each call waits for data once, and
  // that wait ends by the deadline: a server that trickles cannot hold the read past it.
  std::size_t ReadBody(char* buffer, std::size_t size) override {
    BoundWaitByDeadline();
    DWORD available = 0;
    const BOOL queried = InternetQueryDataAvailable(m_request.Get(), &available, 0, 0);
    DWORD error = GetLastError();
    RethrowStatusFailure(m_session);
    if (!queried)
      ThrowWaitError(error);
    // Nothing available means the end of the body, which a read reports at once.
    const std::size_t wanted = available == 0 ? size : std::min<std::size_t>(size, available);
    DWORD read = 0;
    const BOOL ok = InternetReadFile(m_request.Get(), buffer, static_cast<DWORD>(wanted), &read);
    error = GetLastError();
    RethrowStatusFailure(m_session);
    if (!ok)
      ThrowWaitError(error);
    m_bodyLength += read;
    if (m_bodyLength > kMaxBodySize)
      ThrowTooLarge();
    if (read == 0) {
      const std::uint64_t expected = ContentLength();
      if (expected != kNoContentLength && m_bodyLength < expected)
        ThrowInternetError(ERROR_INTERNET_CONNECTION_ABORTED);
    }
    return read;
  }

private:
  // The transfer passed one of its bounds: its session is abandoned, not closed (see
  // SessionRegistry::Abandon).
  [[noreturn]] void ThrowTooLarge() {
    Sessions().Abandon(m_session);
    ThrowBodyTooLarge();
  }
  [[noreturn]] void ThrowDeadlinePassed() {
    Sessions().Abandon(m_session);
    ThrowInternetError(ERROR_INTERNET_TIMEOUT);
  }

  // Fails once the deadline has passed; otherwise shortens the next wait for data to what
  // is left of it.
  void BoundWaitByDeadline() {
    const DWORD remaining = m_deadline.Remaining();
    if (remaining == 0)
      ThrowDeadlinePassed();
    if (remaining < m_timeouts.stallSeconds * 1000)
      SetTimeoutMilliseconds(m_request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, remaining);
  }

  // A failed wait is the deadline's when it ended there (Wine reports an expired wait as
  // a terminated connection), else the error WinINet gave. Wine passes on the socket's
  // own timeout, for which it has no text, where Windows reports its internet timeout.
  [[noreturn]] void ThrowWaitError(DWORD error) {
    if (m_deadline.Remaining() <= kDeadlineSlackMilliseconds)
      ThrowDeadlinePassed();
    ThrowInternetError(error == kSocketTimedOut ? ERROR_INTERNET_TIMEOUT : error);
  }

  bool HasHeaderFields() {
    DWORD size = 0;
    HttpQueryInfoA(m_request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
    if (size == 0)
      return false;
    std::vector<char> buffer(size + 1, '\0');
    if (!HttpQueryInfoA(m_request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size,
                        nullptr))
      return false;
    const std::string headers(buffer.data(), size);
    const auto statusLineEnd = headers.find('\n');
    return statusLineEnd != std::string::npos &&
           headers.find_first_not_of("\r\n", statusLineEnd) != std::string::npos;
  }

  // Read as text: a length past 4 GiB does not fit the numeric query.
  std::uint64_t ContentLength() {
    char text[32] = "";
    DWORD size = sizeof text - 1;
    if (!HttpQueryInfoA(m_request.Get(), HTTP_QUERY_CONTENT_LENGTH, text, &size, nullptr))
      return kNoContentLength;
    text[std::min<DWORD>(size, sizeof text - 1)] = '\0';
    char* end = nullptr;
    errno = 0;
    const unsigned long long length = std::strtoull(text, &end, 10);
    if (end == text || errno != 0 || text[0] < '0' || text[0] > '9')
      return kNoContentLength;
    return length;
  }

  InternetHandle m_request;
  CInternetSession* m_session;
  InternetTimeouts m_timeouts;
  Deadline m_deadline;
  std::uint64_t m_bodyLength = 0;
};

class WinInetHttpConnection : public CHttpConnection {
public:
  WinInetHttpConnection(InternetHandle&& connection, CInternetSession* session)
      : m_connection(std::move(connection)), m_session(session) {
    Sessions().Add(m_connection.Get(), session);
  }
  ~WinInetHttpConnection() override { Close(); }

  std::unique_ptr<CHttpFile> OpenRequest(const std::string& verb, const std::string& object,
                                         unsigned long context, unsigned long flags) override {
    HINTERNET request = HttpOpenRequestA(m_connection.Get(), verb.c_str(), object.c_str(), nullptr,
                                         nullptr, nullptr, flags, context);
    const DWORD error = GetLastError();
    InternetHandle owner(request);  // closed if the object cannot be made
    RethrowStatusFailure(m_session);
    if (request == nullptr)
      ThrowInternetError(error);
    // Again on the request: Wine's WinINet takes the wait for an answer only from here.
    const InternetTimeouts timeouts = GetInternetTimeouts();
    SetTimeout(request, INTERNET_OPTION_SEND_TIMEOUT, timeouts.stallSeconds);
    SetTimeout(request, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.stallSeconds);
    return std::unique_ptr<CHttpFile>(new WinInetHttpFile(std::move(owner), m_session));
  }

  void Close() override { m_connection.Close(); }

private:
  InternetHandle m_connection;
  CInternetSession* m_session;
};

}  // namespace

class CInternetSession::Impl {
public:
  explicit Impl(InternetHandle&& handle) : session(std::move(handle)) {}
  InternetHandle session;
  unsigned long context = 0;
};

CInternetSession::CInternetSession(const std::string& agent, unsigned long context,
                                   unsigned long accessType, unsigned long flags) {
  // The fault point fails as InternetOpen does when it has no memory for the session.
  InternetHandle handle(TestFault("internet-session")
                            ? (SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr)
                            : InternetOpenA(agent.c_str(), accessType, nullptr, nullptr, flags));
  if (handle.Get() == nullptr)
    ThrowLastError();
  // Set explicitly: not every implementation of WinINet bounds the wait for an answer.
  const InternetTimeouts timeouts = GetInternetTimeouts();
  SetTimeout(handle.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectSeconds);
  SetTimeout(handle.Get(), INTERNET_OPTION_SEND_TIMEOUT, timeouts.stallSeconds);
  SetTimeout(handle.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.stallSeconds);
  m_impl.reset(new Impl(std::move(handle)));
  m_impl->context = context;
  Sessions().OpenState(this);
  Sessions().Add(m_impl->session.Get(), this);
}

CInternetSession::~CInternetSession() {
  Close();
  Sessions().CloseState(this);
}

void CInternetSession::EnableStatusCallback(bool enable) {
  const INTERNET_STATUS_CALLBACK previous =
      InternetSetStatusCallbackA(m_impl->session.Get(), enable ? &StatusCallback : nullptr);
  if (previous == INTERNET_INVALID_STATUS_CALLBACK)
    ThrowLastError();
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& server,
                                                                     unsigned short port) {
  HINTERNET connection = InternetConnectA(m_impl->session.Get(), server.c_str(), port, nullptr,
                                          nullptr, INTERNET_SERVICE_HTTP, 0, m_impl->context);
  const DWORD error = GetLastError();
  InternetHandle owner(connection);  // closed if the object cannot be made
  RethrowStatusFailure(this);
  if (connection == nullptr)
    ThrowInternetError(error);
  return std::unique_ptr<CHttpConnection>(new WinInetHttpConnection(std::move(owner), this));
}

void CInternetSession::Close() {
  if (m_impl)
    m_impl->session.Close();
}

}  // namespace platform
