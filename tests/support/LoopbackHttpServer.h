#pragma once
// A small HTTP server on 127.0.0.1 for tests: it listens on a free port,
// serves one connection at a time on a thread of its own and stops when
// destroyed. Every wait and every loop is bounded, so it never outlives a
// test by more than a moment and never sends anything off the machine.
#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackHttpServer {
 public:
  enum class Behaviour {
    Reply,   // answers with the status and body, then closes
    Silent,  // reads the request and never answers
    Endless  // answers with a body that does not end
  };

  // status: "200 OK", "404 Not Found", ...
  explicit LoopbackHttpServer(Behaviour behaviour, std::string body = "", std::string status = "200 OK");
  ~LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  bool Listening() const { return port > 0; }
  // "http://127.0.0.1:PORT"
  std::string Address() const;
  // The heads of the requests received so far (request line and headers).
  std::vector<std::string> Requests() const;

  // An address on 127.0.0.1 where nobody listens (connections are refused).
  static std::string RefusingAddress();

 private:
  void Serve();
  void Answer(int connection);

  Behaviour behaviour;
  std::string body;
  std::string status;
  int listener = -1;
  int port = 0;
  std::atomic<bool> stopping{false};
  mutable std::mutex requestsMutex;
  std::vector<std::string> requests;
  std::thread thread;
};
