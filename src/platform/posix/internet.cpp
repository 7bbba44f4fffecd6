// The internet session on Linux: libcurl, one easy handle per request.
#include "platform/internet.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace platform {

namespace {

[[noreturn]] void ThrowCurlError(CURLcode code) {
  throw CInternetException(static_cast<unsigned long>(code), curl_easy_strerror(code));
}

void SetOption(CURL* curl, CURLoption option, long value) {
  const CURLcode code = curl_easy_setopt(curl, option, value);
  if (code != CURLE_OK)
    ThrowCurlError(code);
}

void SetOption(CURL* curl, CURLoption option, const std::string& value) {
  const CURLcode code = curl_easy_setopt(curl, option, value.c_str());
  if (code != CURLE_OK)
    ThrowCurlError(code);
}

// curl reads the proxy from http_proxy and no_proxy itself, the counterpart of the
// system's preconfigured proxy on Windows.
class CurlHttpFile : public CHttpFile {
public:
  CurlHttpFile(const std::string& url, const std::string& agent, unsigned long flags)
      : m_handle(curl_easy_init(), &curl_easy_cleanup), m_curl(m_handle.get()) {
    if (m_curl == nullptr)
      ThrowCurlError(CURLE_OUT_OF_MEMORY);
    SetOption(m_curl, CURLOPT_URL, url);
    SetOption(m_curl, CURLOPT_PROTOCOLS_STR, std::string("http"));
    SetOption(m_curl, CURLOPT_REDIR_PROTOCOLS_STR, std::string("http"));
    SetOption(m_curl, CURLOPT_USERAGENT, agent);
    SetOption(m_curl, CURLOPT_HTTPGET, 1L);
    SetOption(m_curl, CURLOPT_FOLLOWLOCATION,
              (flags & kInternetFlagNoAutoRedirect) != 0 ? 0L : 1L);
    SetOption(m_curl, CURLOPT_PATH_AS_IS, 1L);
    SetOption(m_curl, CURLOPT_NOSIGNAL, 1L);
    // No data at all for the stall time fails the transfer, as WinINet's receive timeout.
    const InternetTimeouts timeouts = GetInternetTimeouts();
    SetOption(m_curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(timeouts.connectSeconds));
    SetOption(m_curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    SetOption(m_curl, CURLOPT_LOW_SPEED_TIME, static_cast<long>(timeouts.stallSeconds));
    curl_easy_setopt(m_curl, CURLOPT_HEADERFUNCTION, &CurlHttpFile::OnHeader);
    curl_easy_setopt(m_curl, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(m_curl, CURLOPT_WRITEFUNCTION, &CurlHttpFile::OnBody);
    curl_easy_setopt(m_curl, CURLOPT_WRITEDATA, this);
  }


  // curl transfers the whole answer at once. A failure before the headers are complete
  // is the request's; one after them belongs to the body and is raised when the reader
  // reaches the point where the body broke off.
  void SendRequest() override {
    const CURLcode code = curl_easy_perform(m_curl);
    if (code == CURLE_OK)
      return;
    if (!m_headersComplete)
      ThrowCurlError(code);
    m_bodyError = code;
  }

  bool QueryInfoStatusCode(unsigned long& status) override {
    long code = 0;
    if (m_curl == nullptr || curl_easy_getinfo(m_curl, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
      code = 0;
    status = code > 0 ? static_cast<unsigned long>(code) : 0;
    return status != 0;
  }

  void Close() override {
    m_handle.reset();
    m_curl = nullptr;
  }

protected:
  std::size_t ReadBody(char* buffer, std::size_t size) override {
    const std::size_t count = std::min(size, m_body.size() - m_bodyRead);
    if (count == 0 && m_bodyError != CURLE_OK)
      ThrowCurlError(m_bodyError);
    std::memcpy(buffer, m_body.data() + m_bodyRead, count);
    m_bodyRead += count;
    return count;
  }

private:
  static std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* self) {
    auto* file = static_cast<CurlHttpFile*>(self);
    const std::string line(data, size * count);
    // The empty line after the headers of a final (not 1xx) answer.
    if (line == "\r\n" || line == "\n") {
      long code = 0;
      curl_easy_getinfo(file->m_curl, CURLINFO_RESPONSE_CODE, &code);
      if (code >= 200)
        file->m_headersComplete = true;
    }
    return size * count;
  }

  static std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* self) {
    auto* file = static_cast<CurlHttpFile*>(self);
    file->m_body.append(data, size * count);
    return size * count;
  }

  std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> m_handle;  // owns the easy handle
  CURL* m_curl;  // the same, for the calls; null once closed
  bool m_headersComplete = false;
  CURLcode m_bodyError = CURLE_OK;
  std::string m_body;
  std::size_t m_bodyRead = 0;
};

class CurlHttpConnection : public CHttpConnection {
public:
  CurlHttpConnection(const std::string& server, unsigned short port, const std::string& agent)
      : m_server(server), m_port(port), m_agent(agent) {}

  std::unique_ptr<CHttpFile> OpenRequest(const std::string& verb, const std::string& object,
                                         unsigned long /*context*/,
                                         unsigned long flags) override {
    if (verb != "GET")
      ThrowCurlError(CURLE_UNSUPPORTED_PROTOCOL);
    // An IPv6 address goes back into brackets; the object starts with "/".
    const std::string host =
        m_server.find(':') != std::string::npos ? "[" + m_server + "]" : m_server;
    const std::string url = "http://" + host + ":" + std::to_string(m_port) + object;
    return std::unique_ptr<CHttpFile>(new CurlHttpFile(url, m_agent, flags));
  }

  void Close() override {}

private:
  std::string m_server;
  unsigned short m_port;
  std::string m_agent;
};

}  // namespace

class CInternetSession::Impl {
public:
  std::string agent;
};

CInternetSession::CInternetSession(const std::string& agent, unsigned long /*context*/,
                                   unsigned long /*accessType*/, unsigned long /*flags*/)
    : m_impl(new Impl) {
  // The process-wide initialisation happens once; curl keeps it until exit.
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK)
    ThrowCurlError(initialised);
  m_impl->agent = agent;
}

CInternetSession::~CInternetSession() = default;

void CInternetSession::EnableStatusCallback(bool /*enable*/) {}

void CInternetSession::OnStatusCallback(unsigned long, unsigned long, const void*,
                                        unsigned long) {}

std::unique_ptr<CHttpConnection> CInternetSession::GetHttpConnection(const std::string& server,
                                                                     unsigned short port) {
  return std::unique_ptr<CHttpConnection>(new CurlHttpConnection(server, port, m_impl->agent));
}

void CInternetSession::Close() {}

}  // namespace platform
