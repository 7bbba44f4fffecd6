// The internet session on Windows: WinINet, synchronous.
#include "platform/internet.h"

#include <windows.h>
#include <wininet.h>

#include <map>
#include <string>
#include <utility>

namespace platform {

namespace {

const unsigned long kNoContentLength = ~0ul;

// The WinINet module's text for an error code; empty when it has none.
std::string WinInetMessage(DWORD error) {
  char buffer[kMaxInternetErrorMessage + 1] = "";
  const DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                     GetModuleHandleA("wininet.dll"), error, 0, buffer, sizeof buffer, nullptr);
  return std::string(buffer, length);
}

[[noreturn]] void ThrowInternetError(DWORD error) {
  throw CInternetException(error, WinInetMessage(error));
}

[[noreturn]] void ThrowLastError() {
  ThrowInternetError(GetLastError());
}

void SetTimeout(HINTERNET handle, DWORD option, unsigned long seconds) {
  DWORD milliseconds = seconds * 1000;
  if (!InternetSetOptionA(handle, option, &milliseconds, sizeof milliseconds))
    ThrowLastError();
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

// Which session each open handle belongs to, so that WinINet's notifications reach the
// session's OnStatusCallback. WinINet may notify from threads of its own.
class SessionRegistry {
public:
  SessionRegistry() { InitializeCriticalSection(&m_lock); }
  ~SessionRegistry() { DeleteCriticalSection(&m_lock); }

  void Add(HINTERNET handle, CInternetSession* session) {
    EnterCriticalSection(&m_lock);
    m_sessions[handle] = session;
    LeaveCriticalSection(&m_lock);
  }
  void Remove(HINTERNET handle) {
    EnterCriticalSection(&m_lock);
    m_sessions.erase(handle);
    LeaveCriticalSection(&m_lock);
  }
  CInternetSession* Find(HINTERNET handle) {
    EnterCriticalSection(&m_lock);
    const auto entry = m_sessions.find(handle);
    CInternetSession* session = entry == m_sessions.end() ? nullptr : entry->second;
    LeaveCriticalSection(&m_lock);
    return session;
  }

private:
  CRITICAL_SECTION m_lock;
  std::map<HINTERNET, CInternetSession*> m_sessions;
};

SessionRegistry& Sessions() {
  static SessionRegistry registry;
  return registry;
}

void InternetHandle::Close() {
  if (m_handle != nullptr) {
    Sessions().Remove(m_handle);
    InternetCloseHandle(m_handle);
    m_handle = nullptr;
  }
}

void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status, LPVOID info,
                             DWORD infoLength) {
  if (CInternetSession* session = Sessions().Find(handle))
    session->OnStatusCallback(static_cast<unsigned long>(context), status, info, infoLength);
}

class WinInetHttpFile : public CHttpFile {
public:
  WinInetHttpFile(InternetHandle&& request, CInternetSession* session)
      : m_request(std::move(request)) {
    Sessions().Add(m_request.Get(), session);
  }
  ~WinInetHttpFile() override { Close(); }

  void SendRequest() override {
    if (!HttpSendRequestA(m_request.Get(), nullptr, 0, nullptr, 0))
      ThrowLastError();
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

  void Close() override { m_request.Close(); }

protected:
  // WinINet ends a body cut off by the server as if it were complete; a success must mean
  // that the whole body arrived, so a body shorter than its Content-Length is an error.
  std::size_t ReadBody(char* buffer, std::size_t size) override {
    DWORD read = 0;
    if (!InternetReadFile(m_request.Get(), buffer, static_cast<DWORD>(size), &read))
      ThrowLastError();
    m_bodyLength += read;
    if (read == 0) {
      const unsigned long expected = ContentLength();
      if (expected != kNoContentLength && m_bodyLength < expected)
        ThrowInternetError(ERROR_INTERNET_CONNECTION_ABORTED);
    }
    return read;
  }

private:
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

  unsigned long ContentLength() {
    DWORD length = 0;
    DWORD size = sizeof length;
    if (!HttpQueryInfoA(m_request.Get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                        &length, &size, nullptr))
      return kNoContentLength;
    return length;
  }

  InternetHandle m_request;
  unsigned long m_bodyLength = 0;
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
    HINTERNET request = HttpOpenRequestA(m_connection.Get(), verb.c_str(), object.c_str(),
                                         nullptr, nullptr, nullptr, flags, context);
    if (request == nullptr)
      ThrowLastError();
    InternetHandle owner(request);  // closed if the object cannot be made
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
  InternetHandle handle(InternetOpenA(agent.c_str(), accessType, nullptr, nullptr, flags));
  if (handle.Get() == nullptr)
    ThrowLastError();
  // Set explicitly: not every implementation of WinINet bounds the wait for an answer.
  const InternetTimeouts timeouts = GetInternetTimeouts();
  SetTimeout(handle.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, timeouts.connectSeconds);
  SetTimeout(handle.Get(), INTERNET_OPTION_SEND_TIMEOUT, timeouts.stallSeconds);
  SetTimeout(handle.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, timeouts.stallSeconds);
  m_impl.reset(new Impl(std::move(handle)));
  m_impl->context = context;
  Sessions().Add(m_impl->session.Get(), this);
}

CInternetSession::~CInternetSession() {
  Close();
}

void CInternetSession::EnableStatusCallback(bool enable) {
  const INTERNET_STATUS_CALLBACK previous =
      InternetSetStatusCallbackA(m_impl->session.Get(), enable ? &StatusCallback : nullptr);
  if (previous == INTERNET_INVALID_STATUS_CALLBACK)
    ThrowLastError();
}

void CInternetSession::OnStatusCallback(unsigned long, unsigned long, const void*,
                                        unsigned long) {}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& server,
                                                                     unsigned short port) {
  HINTERNET connection =
      InternetConnectA(m_impl->session.Get(), server.c_str(), port, nullptr, nullptr,
                       INTERNET_SERVICE_HTTP, 0, m_impl->context);
  if (connection == nullptr)
    ThrowLastError();
  InternetHandle owner(connection);  // closed if the object cannot be made
  return std::unique_ptr<CHttpConnection>(new WinInetHttpConnection(std::move(owner), this));
}

void CInternetSession::Close() {
  if (m_impl)
    m_impl->session.Close();
}

}  // namespace platform
