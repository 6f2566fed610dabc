#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

#include "net/box_service.h"

namespace zeb {

// The body of one plain-HTTP GET, read block by block: Open, Read until it
// returns 0, Close (the destructor closes too). Built on WinINet on Windows and
// on a small HTTP/1.1 client over POSIX sockets elsewhere; both send the user
// agent "ZEBI", use no cache and no cookies, and ignore the status code.
// Every wait is bounded by the limits given to Open.
class HttpBodyReader {
 public:
  static constexpr int32_t kOpened = 0;
  static constexpr int32_t kNoSession = -2;   // the internet session could not start
  static constexpr int32_t kNoResponse = -3;  // no connection or no reply headers

  HttpBodyReader() = default;
  HttpBodyReader(const HttpBodyReader&) = delete;
  HttpBodyReader& operator=(const HttpBodyReader&) = delete;
  ~HttpBodyReader() { Close(); }

  // host: "name" or "name:port"; target: path and query, starting with '/'
  // and free of bytes that would split the request.
  int32_t Open(const char* host, const char* target, const NetLimits& limits);

  // Fills `block` with up to `capacity` body bytes. Fewer come back only when
  // the body ends, the connection fails, a wait times out or the download has
  // run out of time; 0 means nothing more will come.
  size_t Read(char* block, size_t capacity);

  void Close();

  // True once the body has ended as its framing says (all of its length, the
  // last chunk, or the server closing an unframed body); false while it has
  // not, and for a body cut off by the time limit or a failed read.
  bool Complete() const { return complete_; }

 private:
  using Clock = std::chrono::steady_clock;

  bool PastDeadline() const { return Clock::now() >= deadline_; }

  Clock::time_point deadline_{};
  int32_t operationMs_ = 0;
  bool complete_ = false;

#ifdef _WIN32
  void* root_ = nullptr;
  void* url_ = nullptr;
#else
  enum class Framing { kUntilClose, kLength, kChunked };
  enum class ChunkState { kSize, kExtension, kData, kDataEnd };

  bool Connect(const char* host);
  bool SendAll(const char* data, size_t size);
  bool ReadHeaders();
  void ReadHeader(const char* line, size_t length);
  int32_t WaitMs() const;
  bool Refill();
  int NextByte();
  size_t CopyRaw(char* out, size_t wanted);
  size_t ReadChunked(char* out, size_t capacity);

  int fd_ = -1;
  bool finished_ = false;
  bool endOfStream_ = false;  // the server closed the connection
  Framing framing_ = Framing::kUntilClose;
  ChunkState chunkState_ = ChunkState::kSize;
  uint64_t remaining_ = 0;  // body bytes left (kLength) or chunk bytes left
  int32_t chunkDigits_ = 0;
  size_t bufferBegin_ = 0;
  size_t bufferEnd_ = 0;
  char buffer_[4096] = {};
#endif
};

}  // namespace zeb
