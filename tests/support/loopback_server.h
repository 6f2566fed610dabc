#pragma once

// The loopback HTTP server of the download tests, started by each test on a
// free port of 127.0.0.1. Natively it serves from a thread of the test
// process. On Windows it runs as a child process (zeb_loopback_server.exe next
// to the test program): under Wine the emulated 32-bit process must not
// block in sockets on two threads at once. The recorded request heads are
// available after Stop.

#include <string>
#include <vector>

#include "support/http_test_service.h"

#ifdef _WIN32
#include <windows.h>

#include <fstream>
#include <iterator>
#else
#include <thread>
#endif

namespace zeb::test {

class LoopbackServer {
 public:
  using Mode = ServeMode;

  explicit LoopbackServer(const std::string& reply, Mode mode = Mode::kReply,
                          const std::string& filler = "");
  ~LoopbackServer() { Stop(); }
  LoopbackServer(const LoopbackServer&) = delete;
  LoopbackServer& operator=(const LoopbackServer&) = delete;

  // "127.0.0.1:port".
  std::string Host() const { return "127.0.0.1:" + std::to_string(port_); }

  // Ends the server; the recorded requests may be read afterwards.
  void Stop();

  // Request heads (everything up to and including the empty line), in order.
  const std::vector<std::string>& Requests() const { return requests_; }

  // A "127.0.0.1:port" on which nothing listens, so connecting is refused.
  static std::string RefusedHost() {
    HttpTestService::StartSockets();
    int32_t port = 0;
    HttpTestService::Socket s = HttpTestService::BoundSocket(&port);
    HttpTestService::CloseSocket(s);
    return "127.0.0.1:" + std::to_string(port);
  }

 private:
  int32_t port_ = 0;
  bool running_ = false;
  std::vector<std::string> requests_;
#ifdef _WIN32
  std::string files_;  // common prefix of the files shared with the child
  HANDLE process_ = nullptr;
#else
  HttpTestService service_;
  std::thread thread_;
#endif
};

#ifdef _WIN32

inline std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline LoopbackServer::LoopbackServer(const std::string& reply, Mode mode,
                                      const std::string& filler) {
  char dir[MAX_PATH];
  char file[MAX_PATH];
  if (!GetTempPathA(sizeof(dir), dir) || !GetTempFileNameA(dir, "zeb", 0, file)) return;
  files_ = file;
  std::ofstream(files_ + ".reply", std::ios::binary) << reply;
  std::ofstream(files_ + ".filler", std::ios::binary) << filler;
  char exe[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, exe, sizeof(exe));
  std::string program(exe, length);
  program = program.substr(0, program.find_last_of("\\/") + 1) + "zeb_loopback_server.exe";
  std::string command =
      "\"" + program + "\" " + std::to_string(static_cast<int>(mode)) + " \"" + files_ + "\"";
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessA(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &info)) {
    return;
  }
  CloseHandle(info.hThread);
  process_ = info.hProcess;
  running_ = true;
  // The child writes its port once it listens (or 0 when it cannot).
  for (int wait = 0; wait < 1200 && port_ == 0; ++wait) {
    const std::string port = ReadWholeFile(files_ + ".port");
    if (!port.empty() && port.back() == '\n') {
      port_ = std::stoi(port);
      break;
    }
    if (WaitForSingleObject(process_, 50) == WAIT_OBJECT_0) break;
  }
}

inline void LoopbackServer::Stop() {
  if (running_) {
    running_ = false;
    if (port_ != 0) HttpTestService::SendStop(port_);
    if (WaitForSingleObject(process_, 60000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
    // Each head as "<length>\n<bytes>".
    const std::string all = ReadWholeFile(files_ + ".requests");
    for (size_t at = 0; at < all.size();) {
      const size_t feed = all.find('\n', at);
      if (feed == std::string::npos) break;
      const size_t size = std::stoul(all.substr(at, feed - at));
      requests_.push_back(all.substr(feed + 1, size));
      at = feed + 1 + size;
    }
  }
  if (!files_.empty()) {
    for (const char* suffix : {"", ".reply", ".filler", ".port", ".requests"}) {
      DeleteFileA((files_ + suffix).c_str());
    }
    files_.clear();
  }
}

#else

inline LoopbackServer::LoopbackServer(const std::string& reply, Mode mode,
                                      const std::string& filler)
    : service_(reply, mode, filler) {
  if (!service_.Listening()) return;
  port_ = service_.Port();
  running_ = true;
  thread_ = std::thread(
      [this] { service_.Serve([this](const std::string& head) { requests_.push_back(head); }); });
}

inline void LoopbackServer::Stop() {
  if (!running_) return;
  running_ = false;
  HttpTestService::SendStop(port_);
  thread_.join();
}

#endif

}  // namespace zeb::test
