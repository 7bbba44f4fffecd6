// The internet session on Windows: WinINet, synchronous.
#include "platform/internet.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdint>
#include <exception>
#include <string>
#include <vector>

#include "platform/answer_framing.h"
#include "platform/test_faults.h"
#include "platform/win32/bounded_calls.h"

namespace platform {

namespace {

const std::uint64_t kNoContentLength = ~std::uint64_t(0);
// WinINet has no error for a body past kMaxBodySize; the system's file-size error says it,
// with this text where the system has none (Wine's message table lacks it).
const DWORD kBodyTooLarge = ERROR_FILE_TOO_LARGE;
const char kBodyTooLargeText[] = "The file size exceeds the limit allowed.";
// An answer whose framing cannot be read as sent, with its text where the system has none.
const DWORD kUnreadableAnswer = ERROR_HTTP_INVALID_SERVER_RESPONSE;
const char kUnreadableAnswerText[] = "The server response could not be parsed.";
// The socket's timeout (WSAETIMEDOUT), without the socket headers.
const DWORD kSocketTimedOut = 10060;
// A wait that fails this close to the deadline was ended by it.
const DWORD kDeadlineSlackMilliseconds = 250;

// The WinINet module's text for an error code, else the system's; empty if neither has one.
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

// Raises error with the system's text for it, else with fallback.
[[noreturn]] void ThrowWithFallbackText(DWORD error, const char* fallback) {
  const std::string message = InternetMessage(error);
  throw CInternetException(error, message.empty() ? fallback : message);
}

void SetTimeoutMilliseconds(HINTERNET handle, DWORD option, DWORD milliseconds) {
  if (!InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds))
    ThrowLastError();
}

// What a session shares with the connections and requests it hands out, all of which it
// outlives: the failure its OnStatusCallback raised, until the operation that caused the
// notification has returned, and whether one of its transfers was ended by a bound.
struct SessionState {
  explicit SessionState(CInternetSession& session) : owner(session) {}
  CInternetSession& owner;
  std::exception_ptr failure;
  bool abandoned = false;
};

// After each WinINet operation that may notify: what the session's callback raised.
void RethrowStatusFailure(SessionState& session) {
  if (std::exception_ptr failure = session.failure) {
    session.failure = nullptr;
    std::rethrow_exception(failure);
  }
}

// Owns one WinINet handle of a session. Its address is the context value that WinINet
// passes with the handle's notifications, which it hands to the session's
// OnStatusCallback with the caller's own context value.
class InternetHandle {
public:
  InternetHandle(SessionState& session, unsigned long context)
      : m_session(session), m_context(context) {
    NotificationGate::Register(this);
  }
  ~InternetHandle() {
    Close();
    NotificationGate::Unregister(this);
  }
  InternetHandle(const InternetHandle&) = delete;
  InternetHandle& operator=(const InternetHandle&) = delete;

  HINTERNET Get() const { return m_handle; }
  DWORD_PTR ContextValue() { return reinterpret_cast<DWORD_PTR>(this); }
  // Takes handle, as returned by the call that was given ContextValue(); raises that
  // call's error when it is null, and what the session's callback raised during it.
  void Take(HINTERNET handle) {
    const DWORD error = GetLastError();
    m_handle = handle;
    RethrowStatusFailure(m_session);
    if (handle == nullptr)
      ThrowInternetError(error);
  }

  // Closing a request whose chunked body is unread makes Wine's WinINet read the rest
  // first, for ever if it never ends. A transfer ended by a bound therefore leaves its
  // handles open, to go with the process; they only stop notifying.
  void Close() {
    if (m_handle == nullptr)
      return;
    if (m_session.abandoned)
      InternetSetStatusCallbackA(m_handle, nullptr);
    else
      InternetCloseHandle(m_handle);
    m_handle = nullptr;
  }

  // Runs inside WinINet's C frames: an exception of OnStatusCallback must not unwind
  // through them. It is kept and raised again by RethrowStatusFailure.
  static void CALLBACK StatusCallback(HINTERNET, DWORD_PTR context, DWORD status, LPVOID info,
                                      DWORD infoLength) {
    InternetHandle* handle = reinterpret_cast<InternetHandle*>(context);
    if (handle == nullptr)
      return;
    // A call given up may still notify after the handle's object is gone.
    NotificationGate::Deliver(handle, [&] {
      SessionState& session = handle->m_session;
      try {
        session.owner.OnStatusCallback(handle->m_context, status, info, infoLength);
      } catch (...) {
        if (!session.failure)
          session.failure = std::current_exception();
      }
    });
  }

private:
  SessionState& m_session;
  unsigned long m_context;
  HINTERNET m_handle = nullptr;
};

class WinInetHttpFile : public CHttpFile {
public:
  // Opens the request. The deadline of the whole transfer starts with it.
  WinInetHttpFile(SessionState& session, HINTERNET connection, const std::string& verb,
                  const std::string& object, unsigned long context, unsigned long flags)
      : m_session(session),
        m_request(session, context),
        m_timeouts(GetInternetTimeouts()),
        m_deadline(m_timeouts.deadlineSeconds) {
    m_request.Take(HttpOpenRequestA(connection, verb.c_str(), object.c_str(), nullptr, nullptr,
                                    nullptr, flags, m_request.ContextValue()));
    // Again on the request: Wine's WinINet takes the waits only from here, and keeps them
    // for the whole connection. No single wait may outlast the transfer's deadline.
    const DWORD wait = std::min<DWORD>(m_timeouts.stallSeconds * 1000, m_deadline.Remaining());
    SetTimeoutMilliseconds(m_request.Get(), INTERNET_OPTION_SEND_TIMEOUT, wait);
    SetTimeoutMilliseconds(m_request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, wait);
  }
  ~WinInetHttpFile() override { Close(); }

  // A Content-Length past the limit fails here, before the body, as on Linux.
  void SendRequest() override {
    auto sent = std::make_shared<CallResult>();
    const HINTERNET request = m_request.Get();
    RunBounded([request, sent] {
      sent->ok = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
      sent->error = GetLastError();
    });
    if (!sent->ok)
      ThrowWaitError(sent->error);
    // WinINet takes a Content-Length it cannot read, or the first of several, and hands on
    // an encoded body as it came: such an answer is refused here, before its body.
    const AnswerFraming framing = ReadAnswerFraming(RawHeaders());
    if (framing.fault != AnswerFraming::kReadable) {
      m_session.abandoned = true;
      ThrowWithFallbackText(kUnreadableAnswer, kUnreadableAnswerText);
    }
    m_contentLength = framing.hasContentLength ? framing.contentLength : kNoContentLength;
    if (framing.hasContentLength && m_contentLength > kMaxBodySize)
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
    auto piece = std::make_shared<CallResult>();
    const HINTERNET request = m_request.Get();
    RunBounded([request, piece, size] {
      DWORD available = 0;
      piece->ok = InternetQueryDataAvailable(request, &available, 0, 0);
      piece->error = GetLastError();
      if (!piece->ok)
        return;
      // Nothing available means the end of the body, which a read reports at once.
      piece->data.resize(available == 0 ? size : std::min<std::size_t>(size, available));
      DWORD read = 0;
      piece->ok = InternetReadFile(request, piece->data.data(),
                                   static_cast<DWORD>(piece->data.size()), &read);
      piece->error = GetLastError();
      piece->data.resize(read);
    });
    if (!piece->ok)
      ThrowWaitError(piece->error);
    const DWORD read = static_cast<DWORD>(piece->data.size());
    std::copy(piece->data.begin(), piece->data.end(), buffer);
    m_bodyLength += read;
    if (m_bodyLength > kMaxBodySize)
      ThrowTooLarge();
    if (read == 0) {
      if (m_contentLength != kNoContentLength && m_bodyLength < m_contentLength)
        ThrowInternetError(ERROR_INTERNET_CONNECTION_ABORTED);
    }
    return read;
  }

private:
  // The transfer passed one of its bounds: its session's handles are left open, not
  // closed (see InternetHandle::Close).
  [[noreturn]] void ThrowTooLarge() {
    m_session.abandoned = true;
    ThrowWithFallbackText(kBodyTooLarge, kBodyTooLargeText);
  }
  [[noreturn]] void ThrowDeadlinePassed() {
    m_session.abandoned = true;
    ThrowInternetError(ERROR_INTERNET_TIMEOUT);
  }

  // Runs call on m_calls, waiting at most until the deadline, then raises what the
  // session's callback raised during it.
  void RunBounded(std::function<void()> call) {
    if (!m_calls.Run(std::move(call), m_deadline.Remaining()))
      ThrowDeadlinePassed();
    RethrowStatusFailure(m_session);
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

  // The answer's header block as WinINet keeps it, its status line first.
  std::string RawHeaders() {
    DWORD size = 0;
    HttpQueryInfoA(m_request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, nullptr, &size, nullptr);
    if (size == 0)
      return std::string();
    std::vector<char> buffer(size + 1, '\0');
    if (!HttpQueryInfoA(m_request.Get(), HTTP_QUERY_RAW_HEADERS_CRLF, buffer.data(), &size,
                        nullptr))
      return std::string();
    return std::string(buffer.data(), std::min<std::size_t>(size, buffer.size() - 1));
  }

  bool HasHeaderFields() {
    const std::string headers = RawHeaders();
    const auto statusLineEnd = headers.find('\n');
    return statusLineEnd != std::string::npos &&
           headers.find_first_not_of("\r\n", statusLineEnd) != std::string::npos;
  }

  SessionState& m_session;
  InternetHandle m_request;
  InternetTimeouts m_timeouts;
  Deadline m_deadline;
  CallThread m_calls;  // runs each wait, so that the deadline ends it
  std::uint64_t m_bodyLength = 0;
  std::uint64_t m_contentLength = kNoContentLength;
};

class WinInetHttpConnection : public CHttpConnection {
public:
  // Connects to server and port, without user name or password.
  WinInetHttpConnection(SessionState& session, HINTERNET internet, const std::string& server,
                        unsigned short port, unsigned long context)
      : m_session(session), m_connection(session, context) {
    m_connection.Take(InternetConnectA(internet, server.c_str(), port, nullptr, nullptr,
                                       INTERNET_SERVICE_HTTP, 0, m_connection.ContextValue()));
  }
  ~WinInetHttpConnection() override { Close(); }

  std::unique_ptr<CHttpFile> OpenRequest(const std::string& verb, const std::string& object,
                                         unsigned long context, unsigned long flags) override {
    return std::unique_ptr<CHttpFile>(
        new WinInetHttpFile(m_session, m_connection.Get(), verb, object, context, flags));
  }

  void Close() override { m_connection.Close(); }

private:
  SessionState& m_session;
  InternetHandle m_connection;
};

}  // namespace

class CInternetSession::Impl {
public:
  Impl(CInternetSession& owner, unsigned long context)
      : state(owner), session(state, 0), context(context) {}
  SessionState state;
  InternetHandle session;  // its own notifications carry no context value
  unsigned long context;   // the session's, given to its connections
};

CInternetSession::CInternetSession(const std::string& agent, unsigned long context,
                                   unsigned long accessType, unsigned long flags)
    : m_impl(new Impl(*this, context)) {
  InternetHandle& session = m_impl->session;
  // The fault point fails as InternetOpen does when it has no memory for the session.
  session.Take(TestFault("internet-session")
                   ? (SetLastError(ERROR_NOT_ENOUGH_MEMORY), nullptr)
                   : InternetOpenA(agent.c_str(), accessType, nullptr, nullptr, flags));
  DWORD_PTR contextValue = session.ContextValue();
  if (!InternetSetOptionA(session.Get(), INTERNET_OPTION_CONTEXT_VALUE, &contextValue,
                          sizeof contextValue))
    ThrowLastError();
  // Set explicitly: not every implementation of WinINet bounds the wait for an answer.
  const InternetTimeouts timeouts = GetInternetTimeouts();
  const HINTERNET handle = session.Get();
  SetTimeoutMilliseconds(handle, INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectSeconds * 1000);
  SetTimeoutMilliseconds(handle, INTERNET_OPTION_SEND_TIMEOUT, timeouts.stallSeconds * 1000);
  SetTimeoutMilliseconds(handle, INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.stallSeconds * 1000);
}

CInternetSession::~CInternetSession() {
  Close();
}

void CInternetSession::EnableStatusCallback(bool enable) {
  const INTERNET_STATUS_CALLBACK previous = InternetSetStatusCallbackA(
      m_impl->session.Get(), enable ? &InternetHandle::StatusCallback : nullptr);
  if (previous == INTERNET_INVALID_STATUS_CALLBACK)
    ThrowLastError();
}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& server,
                                                                     unsigned short port) {
  return std::unique_ptr<CHttpConnection>(new WinInetHttpConnection(
      m_impl->state, m_impl->session.Get(), server, port, m_impl->context));
}

void CInternetSession::Close() {
  m_impl->session.Close();
}

}  // namespace platform
