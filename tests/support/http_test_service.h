#pragma once

// The serving core of the loopback test server: one listening socket on
// 127.0.0.1, one connection at a time, plain blocking calls. Each request head
// is recorded and answered according to the mode. A connection whose head
// starts with "STOP" ends the service. Winsock on Windows, POSIX elsewhere.

#include <cstdint>
#include <functional>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace zeb::test {

enum class ServeMode {
  kReply,          // send the reply, then close
  kReplyThenHang,  // send the reply, then keep the connection open silently
  kSilent,         // read the request, never answer
  kEndless,        // send the reply, then the filler over and over until the client leaves
};

class HttpTestService {
 public:
#ifdef _WIN32
  using Socket = SOCKET;
  static constexpr Socket kNone = INVALID_SOCKET;
  static constexpr int kSendFlags = 0;
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

  HttpTestService(std::string reply, ServeMode mode, std::string filler)
      : reply_(std::move(reply)), filler_(std::move(filler)), mode_(mode) {
    StartSockets();
    listener_ = BoundSocket(&port_);
    if (listener_ != kNone && listen(listener_, 8) != 0) CloseSocket(listener_);
  }
  ~HttpTestService() {
    CloseSocket(listener_);
  }
  HttpTestService(const HttpTestService&) = delete;
  HttpTestService& operator=(const HttpTestService&) = delete;

  bool Listening() const {
    return listener_ != kNone;
  }
  int32_t Port() const {
    return port_;
  }

  // Serves connections until a STOP head arrives, passing each request head to
  // `record` before answering it.
  void Serve(const std::function<void(const std::string&)>& record) {
    while (listener_ != kNone) {
      Socket client = accept(listener_, nullptr, nullptr);
      if (client == kNone) continue;
      std::string head;
      const bool complete = ReadHead(client, head);
      if (head.compare(0, 4, "STOP") == 0) {
        CloseSocket(client);
        return;
      }
      if (complete) {
        record(head);
        Answer(client);
      }
      CloseSocket(client);
    }
  }

  // Ends the Serve loop of the service listening on `port`.
  static void SendStop(int32_t port) {
    Socket s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == kNone) return;
    const sockaddr_in address = Loopback(port);
    if (connect(s, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0) {
      Send(s, "STOP\r\n\r\n");
    }
    CloseSocket(s);
  }

  // A socket bound to 127.0.0.1 on a free port, written to `port`.
  static Socket BoundSocket(int32_t* port) {
    Socket s = socket(AF_INET, SOCK_STREAM, 0);
    if (s == kNone) return kNone;
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof(address);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      CloseSocket(s);
      return kNone;
    }
    *port = ntohs(address.sin_port);
    return s;
  }

 private:
  static sockaddr_in Loopback(int32_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<uint16_t>(port));
    return address;
  }

  // Reads up to the empty line that ends the request head; false when the
  // client left first.
  static bool ReadHead(Socket client, std::string& head) {
    char buffer[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
      const int got = static_cast<int>(recv(client, buffer, sizeof(buffer), 0));
      if (got <= 0) return false;
      head.append(buffer, static_cast<size_t>(got));
    }
    return true;
  }

  static bool Send(Socket client, const std::string& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
      const int n = static_cast<int>(
          send(client, bytes.data() + sent, static_cast<int>(bytes.size() - sent), kSendFlags));
      if (n <= 0) return false;
      sent += static_cast<size_t>(n);
    }
    return true;
  }

  // Keeps the connection open until the client closes it.
  static void Linger(Socket client) {
    char buffer[1024];
    while (recv(client, buffer, sizeof(buffer), 0) > 0) {
    }
  }

  void Answer(Socket client) const {
    switch (mode_) {
      case ServeMode::kReply:
        if (Send(client, reply_)) {
          shutdown(client, 1);  // FIN after the reply, then wait for the client
          Linger(client);
        }
        break;
      case ServeMode::kReplyThenHang:
        if (Send(client, reply_)) Linger(client);
        break;
      case ServeMode::kSilent:
        Linger(client);
        break;
      case ServeMode::kEndless:
        if (!Send(client, reply_)) break;
        while (Send(client, filler_)) {
        }
        break;
    }
  }

  std::string reply_;
  std::string filler_;
  ServeMode mode_;
  Socket listener_ = kNone;
  int32_t port_ = 0;
};

}  // namespace zeb::test
