#pragma once
// An HTTP server on 127.0.0.1 for one test: it answers every request with the reply the
// test set, and counts the requests. Runs on a thread of its own until destroyed.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace test {

class LoopbackServer {
public:
  LoopbackServer() : m_socket(::socket(AF_INET, SOCK_STREAM, 0)) {
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (m_socket < 0 || ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(m_socket, 8) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      Close();
      throw std::runtime_error("cannot listen on the loopback interface");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Serve(); });
  }
  ~LoopbackServer() {
    m_stop = true;
    m_thread.join();
    Close();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  void Reply(int status, const std::string& body) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_status = status;
    m_body = body;
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
  }
  int Requests() const { return m_requests; }

private:
  void Serve() {
    while (!m_stop) {
      pollfd waiting = {m_socket, POLLIN, 0};
      if (::poll(&waiting, 1, 20) <= 0)
        continue;
      const int connection = ::accept(m_socket, nullptr, nullptr);
      if (connection < 0)
        continue;
      // The request ends with an empty line; it has no body.
      std::string request;
      char buffer[1024];
      while (request.find("\r\n\r\n") == std::string::npos) {
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
          break;
        request.append(buffer, static_cast<std::size_t>(got));
      }
      ++m_requests;
      std::string reply;
      {
        const std::lock_guard<std::mutex> lock(m_mutex);
        reply = "HTTP/1.1 " + std::to_string(m_status) +
                " Reply\r\nContent-Length: " + std::to_string(m_body.size()) +
                "\r\nConnection: close\r\n\r\n" + m_body;
      }
      ::send(connection, reply.data(), reply.size(), MSG_NOSIGNAL);
      ::close(connection);
    }
  }
  void Close() {
    if (m_socket >= 0)
      ::close(m_socket);
    m_socket = -1;
  }

  int m_socket;
  int m_port = 0;
  std::atomic<bool> m_stop{false};
  std::atomic<int> m_requests{0};
  std::mutex m_mutex;
  int m_status = 200;
  std::string m_body;
  std::thread m_thread;
};

}  // namespace test
