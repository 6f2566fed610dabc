#pragma once

// A small HTTP test server on 127.0.0.1 for the download tests. It runs on its
// own thread inside the test process, serves one connection at a time, records
// the head of every request it receives and answers with canned bytes.
// Winsock on Windows, POSIX sockets elsewhere.

#include <atomic>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
// clang-format off
#include <windows.h>
// clang-format on
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>
#endif

namespace zeb::test {

class LoopbackServer {
 public:
  enum class Mode {
    kReply,          // send the reply, then close
    kReplyThenHang,  // send the reply, then keep the connection open silently
    kSilent,         // accept and read, never answer
    kEndless,        // send the reply, then `filler` over and over until the client leaves
  };

  explicit LoopbackServer(std::string reply, Mode mode = Mode::kReply, std::string filler = "")
      : reply_(std::move(reply)), filler_(std::move(filler)), mode_(mode) {
    StartSockets();
    listener_ = BoundSocket(&port_);
    if (listener_ == kNone || listen(listener_, 8) != 0) return;
#ifdef _WIN32
    thread_ = CreateThread(nullptr, 0, &LoopbackServer::ThreadMain, this, 0, nullptr);
#else
    thread_ = std::thread([this] { Serve(); });
#endif
  }

  ~LoopbackServer() {
    Stop();
  }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // "127.0.0.1:port".
  std::string Host() const {
    return "127.0.0.1:" + std::to_string(port_);
  }

  // Ends the server; the recorded requests may be read afterwards.
  void Stop() {
    stop_ = true;
#ifdef _WIN32
    if (thread_) {
      WaitForSingleObject(thread_, INFINITE);
      CloseHandle(thread_);
      thread_ = nullptr;
    }
#else
    if (thread_.joinable()) thread_.join();
#endif
    CloseSocket(listener_);
  }

  // Request heads (everything up to and including the empty line), in order.
  const std::vector<std::string>& Requests() const {
    return requests_;
  }

  // A "127.0.0.1:port" on which nothing listens, so connecting is refused.
  static std::string RefusedHost() {
    StartSockets();
    int32_t port = 0;
    Socket s = BoundSocket(&port);
    CloseSocket(s);
    return "127.0.0.1:" + std::to_string(port);
  }

 private:
#ifdef _WIN32
  using Socket = SOCKET;
  static constexpr Socket kNone = INVALID_SOCKET;
  static constexpr int kSendFlags = 0;
  static DWORD WINAPI ThreadMain(void* self) {
    static_cast<LoopbackServer*>(self)->Serve();
    return 0;
  }
  static void StartSockets() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
  }
  static void CloseSocket(Socket& s) {
    if (s != kNone) closesocket(s);
    s = kNone;
  }
#else
  using Socket = int;
  static constexpr Socket kNone = -1;
  static constexpr int kSendFlags = MSG_NOSIGNAL;
  static void StartSockets() {}
  static void CloseSocket(Socket& s) {
    if (s != kNone) close(s);
    s = kNone;
  }
#endif

  static Socket BoundSocket(int32_t* port) {
    Socket s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == kNone) return kNone;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      CloseSocket(s);
      return kNone;
    }
    *port = ntohs(address.sin_port);
    return s;
  }

  // Waits up to 50 ms for `s` to become readable.
  static bool Readable(Socket s) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval wait{0, 50000};
    return select(static_cast<int>(s + 1), &set, nullptr, nullptr, &wait) > 0;
  }

  // Reads until the empty line that ends the request head; false when the
  // client left first.
  bool ReadHead(Socket client, std::string& head) {
    char buffer[1024];
    while (!stop_ && head.find("\r\n\r\n") == std::string::npos) {
      if (!Readable(client)) continue;
      const int got = static_cast<int>(recv(client, buffer, sizeof(buffer), 0));
      if (got <= 0) return false;
      head.append(buffer, static_cast<size_t>(got));
    }
    return !stop_;
  }

  bool Send(Socket client, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size() && !stop_) {
      const int n = static_cast<int>(
          send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), kSendFlags));
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  // Keeps the connection open until the client closes it or the server stops.
  void Linger(Socket client) {
    char buffer[1024];
    while (!stop_) {
      if (Readable(client) && recv(client, buffer, sizeof(buffer), 0) <= 0) return;
    }
  }

  void Serve() {
    while (!stop_) {
      if (!Readable(listener_)) continue;
      Socket client = accept(listener_, nullptr, nullptr);
      if (client == kNone) continue;
      std::string head;
      if (ReadHead(client, head)) {
        requests_.push_back(head);
        switch (mode_) {
          case Mode::kReply:
            if (Send(client, reply_)) {
              shutdown(client, 1);  // FIN after the reply, then wait for the client
              Linger(client);
            }
            break;
          case Mode::kReplyThenHang:
            if (Send(client, reply_)) Linger(client);
            break;
          case Mode::kSilent:
            Linger(client);
            break;
          case Mode::kEndless:
            if (!Send(client, reply_)) break;
            while (Send(client, filler_) && !stop_) {
            }
            break;
        }
      }
      CloseSocket(client);
    }
  }

  std::string reply_;
  std::string filler_;
  Mode mode_;
  std::atomic<bool> stop_{false};
  Socket listener_ = kNone;
  int32_t port_ = 0;
  std::vector<std::string> requests_;
#ifdef _WIN32
  HANDLE thread_ = nullptr;
#else
  std::thread thread_;
#endif
};

}  // namespace zeb::test
