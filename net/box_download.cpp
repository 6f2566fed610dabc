#include "net/box_download.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

#include "net/box_reply.h"
#include "net/box_service.h"
#include "net/http_body_reader.h"

namespace zeb {
namespace {

constexpr char kPath[] = "/test/box2.php?symbol=";

bool NeedsEncoding(unsigned char c) {
  return c <= 0x20 || c == 0x7F || c == '#';
}

}  // namespace

bool BuildBoxTarget(const char* symbol, int32_t interval, char* out, size_t size) {
  char tail[32];
  const int tailLength = std::snprintf(tail, sizeof(tail), "&interval=%d", interval);
  const size_t fixed = sizeof(kPath) - 1 + static_cast<size_t>(tailLength);
  if (tailLength < 0 || size <= fixed) return false;
  std::memcpy(out, kPath, sizeof(kPath) - 1);
  size_t n = sizeof(kPath) - 1;
  const size_t room = size - 1 - static_cast<size_t>(tailLength);
  for (const char* p = symbol ? symbol : ""; *p; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (!NeedsEncoding(c)) {
      if (n + 1 > room) break;
      out[n++] = *p;
    } else {
      if (n + 3 > room) break;
      std::snprintf(out + n, 4, "%%%02X", c);
      n += 3;
    }
  }
  std::memcpy(out + n, tail, static_cast<size_t>(tailLength) + 1);
  return true;
}

int32_t FetchBoxLevels(const char* symbol, int32_t interval, BoxLevels boxes[kDownloadedBoxCount]) {
  char target[512];
  BuildBoxTarget(symbol, interval, target, sizeof(target));
  // One block plus its terminator, and the reader's one partial line;
  // allocated once per download, never grown.
  std::unique_ptr<char[]> block(new (std::nothrow) char[kBoxReplyBlockSize + 1]);
  BoxReplyReader replyReader(boxes);
  if (!block || !replyReader.Ready()) return HttpBodyReader::kNoSession;

  HttpBodyReader reader;
  const int32_t opened = reader.Open(BoxServiceHost(), target, BoxServiceLimits());
  if (opened != HttpBodyReader::kOpened) return opened;
  for (;;) {
    const size_t got = reader.Read(block.get(), kBoxReplyBlockSize);
    if (got == 0) break;
    block[got] = '\0';
    replyReader.Feed(block.get(), got);
  }
  // A body cut off (time limit, failed read) leaves its unfinished line out.
  if (reader.Complete()) replyReader.Finish();
  reader.Close();
  return 0;
}

}  // namespace zeb
