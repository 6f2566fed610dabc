// HTTP/1.1 GET over POSIX sockets: one connection, "Connection: close", the
// body delivered as it is framed (Content-Length, chunked, or up to close).
#ifndef _WIN32

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "net/http_body_reader.h"

namespace zeb {
namespace {

#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;  // SO_NOSIGPIPE is set on the socket instead
#endif

constexpr size_t kMaxHeaderBytes = 64 * 1024;
constexpr size_t kHeaderLineKept = 256;
constexpr int32_t kMaxChunkDigits = 15;  // keeps a chunk size within 60 bits

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Case-insensitive: does [text, text + length) start with `prefix`?
bool StartsWith(const char* text, size_t length, const char* prefix) {
  const size_t n = std::strlen(prefix);
  if (length < n) return false;
  for (size_t i = 0; i < n; ++i) {
    if (Lower(text[i]) != prefix[i]) return false;
  }
  return true;
}

bool Contains(const char* text, size_t length, const char* word) {
  const size_t n = std::strlen(word);
  for (size_t i = 0; i + n <= length; ++i) {
    if (StartsWith(text + i, length - i, word)) return true;
  }
  return false;
}

int HexDigit(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Splits "name", "name:port" or "[v6]:port" into its parts (port "80" if none).
bool SplitHost(const char* host, char* name, size_t nameSize, char* port, size_t portSize) {
  const char* portText = "80";
  const char* nameBegin = host;
  size_t nameLength = std::strlen(host);
  if (host[0] == '[') {
    const char* close = std::strchr(host, ']');
    if (!close) return false;
    nameBegin = host + 1;
    nameLength = static_cast<size_t>(close - nameBegin);
    if (close[1] == ':') portText = close + 2;
  } else {
    const char* colon = std::strchr(host, ':');
    if (colon && !std::strchr(colon + 1, ':')) {
      nameLength = static_cast<size_t>(colon - host);
      portText = colon + 1;
    }
  }
  if (nameLength == 0 || nameLength >= nameSize || std::strlen(portText) >= portSize) return false;
  std::memcpy(name, nameBegin, nameLength);
  name[nameLength] = '\0';
  std::strcpy(port, portText);
  return true;
}

bool WaitFor(int fd, short events, int32_t ms) {
  pollfd p{fd, events, 0};
  for (;;) {
    const int ready = poll(&p, 1, ms);
    if (ready > 0) return true;
    if (ready == 0 || errno != EINTR) return false;
  }
}

}  // namespace

int32_t HttpBodyReader::WaitMs() const {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
  if (left <= 0) return 0;
  return static_cast<int32_t>(std::min<long long>(left, operationMs_));
}

bool HttpBodyReader::Connect(const char* host) {
  char name[256];
  char port[16];
  if (!SplitHost(host, name, sizeof(name), port, sizeof(port))) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (getaddrinfo(name, port, &hints, &found) != 0) return false;
  for (addrinfo* a = found; a && fd_ < 0; a = a->ai_next) {
    const int fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
    if (fd < 0) continue;
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
#ifdef SO_NOSIGPIPE
    const int on = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof(on));
#endif
    bool connected = connect(fd, a->ai_addr, a->ai_addrlen) == 0;
    if (!connected && errno == EINPROGRESS && WaitFor(fd, POLLOUT, WaitMs())) {
      int error = 0;
      socklen_t size = sizeof(error);
      connected = getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
    }
    if (connected) {
      fd_ = fd;
    } else {
      close(fd);
    }
  }
  freeaddrinfo(found);
  return fd_ >= 0;
}

bool HttpBodyReader::SendAll(const char* data, size_t size) {
  while (size > 0) {
    const ssize_t sent = send(fd_, data, size, kSendFlags);
    if (sent > 0) {
      data += sent;
      size -= static_cast<size_t>(sent);
    } else if (sent < 0 && errno == EINTR) {
      continue;
    } else if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      if (!WaitFor(fd_, POLLOUT, WaitMs())) return false;
    } else {
      return false;
    }
  }
  return true;
}

bool HttpBodyReader::Refill() {
  if (fd_ < 0) return false;
  for (;;) {
    const ssize_t got = recv(fd_, buffer_, sizeof(buffer_), 0);
    if (got > 0) {
      bufferBegin_ = 0;
      bufferEnd_ = static_cast<size_t>(got);
      return true;
    }
    if (got == 0) {
      endOfStream_ = true;
      return false;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (!WaitFor(fd_, POLLIN, WaitMs())) return false;
  }
}

int HttpBodyReader::NextByte() {
  if (bufferBegin_ == bufferEnd_ && !Refill()) return -1;
  return static_cast<unsigned char>(buffer_[bufferBegin_++]);
}

// Reads the status line and the headers up to the empty line. Only the body
// framing is taken from them; the status itself is not examined.
bool HttpBodyReader::ReadHeaders() {
  char line[kHeaderLineKept];
  size_t length = 0;
  bool statusLine = true;
  for (size_t total = 0; total < kMaxHeaderBytes; ++total) {
    const int c = NextByte();
    if (c < 0) return false;
    if (c != '\n') {
      if (length < sizeof(line)) line[length++] = static_cast<char>(c);
      continue;
    }
    if (length > 0 && line[length - 1] == '\r') --length;
    if (statusLine) {
      statusLine = false;
    } else if (length == 0) {
      return true;
    } else {
      ReadHeader(line, length);
    }
    length = 0;
  }
  return false;
}

void HttpBodyReader::ReadHeader(const char* line, size_t length) {
  const char* colon = static_cast<const char*>(std::memchr(line, ':', length));
  if (!colon) return;
  const char* value = colon + 1;
  const size_t valueLength = length - static_cast<size_t>(value - line);
  const size_t nameLength = static_cast<size_t>(colon - line);
  if (nameLength == 17 && StartsWith(line, length, "transfer-encoding")) {
    if (Contains(value, valueLength, "chunked")) framing_ = Framing::kChunked;
  } else if (nameLength == 14 && StartsWith(line, length, "content-length")) {
    if (framing_ == Framing::kChunked) return;
    uint64_t size = 0;
    bool digits = false;
    for (size_t i = 0; i < valueLength; ++i) {
      const char c = value[i];
      if (c >= '0' && c <= '9') {
        if (size > (UINT64_MAX - 9) / 10) return;  // absurd: read up to close
        size = size * 10 + static_cast<uint64_t>(c - '0');
        digits = true;
      } else if (c != ' ' && c != '\t') {
        return;
      }
    }
    if (!digits) return;
    framing_ = Framing::kLength;
    remaining_ = size;
  }
}

int32_t HttpBodyReader::Open(const char* host, const char* target, const NetLimits& limits) {
  Close();
  operationMs_ = limits.operationMs;
  deadline_ = Clock::now() + std::chrono::milliseconds(limits.downloadMs);
  if (!Connect(host)) return kNoResponse;
  char request[1024];
  const int length = std::snprintf(request, sizeof(request),
                                   "GET %s HTTP/1.1\r\nHost: %s\r\nUser-Agent: ZEBI\r\n"
                                   "Connection: close\r\n\r\n",
                                   target, host);
  if (length < 0 || static_cast<size_t>(length) >= sizeof(request) ||
      !SendAll(request, static_cast<size_t>(length)) || !ReadHeaders()) {
    Close();
    return kNoResponse;
  }
  finished_ = framing_ == Framing::kLength && remaining_ == 0;
  complete_ = finished_;
  return kOpened;
}

size_t HttpBodyReader::CopyRaw(char* out, size_t wanted) {
  size_t n = 0;
  while (n < wanted) {
    if (bufferBegin_ == bufferEnd_ && (PastDeadline() || !Refill())) break;
    const size_t take = std::min(wanted - n, bufferEnd_ - bufferBegin_);
    std::memcpy(out + n, buffer_ + bufferBegin_, take);
    bufferBegin_ += take;
    n += take;
  }
  return n;
}

size_t HttpBodyReader::ReadChunked(char* out, size_t capacity) {
  size_t n = 0;
  while (n < capacity && !finished_) {
    if (chunkState_ == ChunkState::kData) {
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(remaining_, capacity - n));
      const size_t got = CopyRaw(out + n, wanted);
      n += got;
      remaining_ -= got;
      if (got < wanted) finished_ = true;
      if (remaining_ == 0) chunkState_ = ChunkState::kDataEnd;
      continue;
    }
    const int c = PastDeadline() ? -1 : NextByte();
    if (c < 0) {
      finished_ = true;
    } else if (chunkState_ == ChunkState::kDataEnd) {
      if (c == '\n') chunkState_ = ChunkState::kSize;  // the CR before it is skipped
    } else if (chunkState_ == ChunkState::kSize && HexDigit(c) >= 0) {
      if (++chunkDigits_ > kMaxChunkDigits) finished_ = true;
      remaining_ = remaining_ * 16 + static_cast<uint64_t>(HexDigit(c));
    } else if (c == '\n') {
      // End of the size line: a size of 0 (or none at all) ends the body.
      finished_ = chunkDigits_ == 0 || remaining_ == 0;
      complete_ = finished_;
      chunkState_ = ChunkState::kData;
      chunkDigits_ = 0;
    } else {
      // Extensions after the size, and the CR before the line feed.
      if (chunkDigits_ == 0) finished_ = true;
      chunkState_ = ChunkState::kExtension;
    }
  }
  return n;
}

size_t HttpBodyReader::Read(char* block, size_t capacity) {
  if (fd_ < 0 || finished_) return 0;
  size_t n = 0;
  switch (framing_) {
    case Framing::kChunked:
      return ReadChunked(block, capacity);
    case Framing::kLength: {
      const size_t wanted = static_cast<size_t>(std::min<uint64_t>(remaining_, capacity));
      n = CopyRaw(block, wanted);
      remaining_ -= n;
      finished_ = n < wanted || remaining_ == 0;
      complete_ = remaining_ == 0;
      return n;
    }
    case Framing::kUntilClose:
      n = CopyRaw(block, capacity);
      finished_ = n < capacity;
      complete_ = endOfStream_;
      return n;
  }
  return 0;
}

void HttpBodyReader::Close() {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  finished_ = false;
  endOfStream_ = false;
  complete_ = false;
  framing_ = Framing::kUntilClose;
  chunkState_ = ChunkState::kSize;
  remaining_ = 0;
  chunkDigits_ = 0;
  bufferBegin_ = bufferEnd_ = 0;
}

}  // namespace zeb

#endif  // _WIN32
