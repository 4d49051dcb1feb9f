#include "tests/support/LoopbackHttpServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

constexpr int kPollMs = 20;
// Bounds of one connection: how long it is served and how much an endless body sends.
constexpr auto kConnectionLimit = std::chrono::seconds(20);
constexpr size_t kEndlessLimitBytes = 64u << 20;

// A socket bound to 127.0.0.1 at a free port; -1 on failure.
int BindLoopback(int* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t length = sizeof address;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    close(fd);
    return -1;
  }
  *port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer(Behaviour how, std::string replyBody, std::string replyStatus)
    : behaviour(how), body(std::move(replyBody)), status(std::move(replyStatus)) {
  int bound = 0;
  listener = BindLoopback(&bound);
  if (listener < 0 || listen(listener, 4) != 0) return;
  port = bound;
  thread = std::thread([this] { Serve(); });
}

LoopbackHttpServer::~LoopbackHttpServer() {
  stopping = true;
  if (thread.joinable()) thread.join();
  if (listener >= 0) close(listener);
}

std::string LoopbackHttpServer::Address() const {
  return "http://127.0.0.1:" + std::to_string(port);
}

std::vector<std::string> LoopbackHttpServer::Requests() const {
  std::lock_guard<std::mutex> lock(requestsMutex);
  return requests;
}

std::string LoopbackHttpServer::RefusingAddress() {
  int port = 0;
  const int fd = BindLoopback(&port);
  if (fd >= 0) close(fd);  // bound but never listened on: the port is free again
  return "http://127.0.0.1:" + std::to_string(port);
}

void LoopbackHttpServer::Serve() {
  while (!stopping) {
    pollfd p{listener, POLLIN, 0};
    if (poll(&p, 1, kPollMs) <= 0) continue;
    const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (connection < 0) continue;
    Answer(connection);
    close(connection);
  }
}

void LoopbackHttpServer::Answer(int connection) {
  const auto end = std::chrono::steady_clock::now() + kConnectionLimit;
  auto open = [&] { return !stopping && std::chrono::steady_clock::now() < end; };
  // The request head.
  std::string head;
  while (open() && head.find("\r\n\r\n") == std::string::npos && head.size() < 16384) {
    pollfd p{connection, POLLIN, 0};
    if (poll(&p, 1, kPollMs) <= 0) continue;
    char buffer[2048];
    const ssize_t n = recv(connection, buffer, sizeof buffer, 0);
    if (n <= 0) return;
    head.append(buffer, static_cast<size_t>(n));
  }
  {
    std::lock_guard<std::mutex> lock(requestsMutex);
    requests.push_back(head.substr(0, head.find("\r\n\r\n")));
  }
  auto send = [&](const std::string& data) {
    size_t sent = 0;
    while (sent < data.size() && open()) {
      pollfd p{connection, POLLOUT, 0};
      if (poll(&p, 1, kPollMs) <= 0) continue;
      const ssize_t n = ::send(connection, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return sent == data.size();
  };
  switch (behaviour) {
    case Behaviour::Reply:
      send("HTTP/1.1 " + status + "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body);
      return;
    case Behaviour::Silent:
      // Until the client gives up.
      while (open()) {
        pollfd p{connection, POLLIN, 0};
        if (poll(&p, 1, kPollMs) <= 0) continue;
        char buffer[256];
        if (recv(connection, buffer, sizeof buffer, 0) <= 0) return;
      }
      return;
    case Behaviour::Endless: {
      if (!send("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n")) return;
      const std::string piece(4096, '1');
      for (size_t total = 0; total < kEndlessLimitBytes && send(piece); total += piece.size()) {
      }
      return;
    }
  }
}
