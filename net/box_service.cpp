#include "net/box_service.h"

#include <cstring>

#ifndef ZEB_BOX_HOST
#define ZEB_BOX_HOST "127.0.0.1"
#endif
#ifndef ZEB_BOX_TIMEOUT_SECONDS
#define ZEB_BOX_TIMEOUT_SECONDS 10
#endif
#ifndef ZEB_BOX_DOWNLOAD_SECONDS
#define ZEB_BOX_DOWNLOAD_SECONDS 60
#endif

namespace zeb {
namespace {

constexpr int32_t kBuiltInOperationMs = ZEB_BOX_TIMEOUT_SECONDS * 1000;
constexpr int32_t kBuiltInDownloadMs = ZEB_BOX_DOWNLOAD_SECONDS * 1000;

// Zero-initialised overrides: loading the library runs no constructor.
char hostOverride[256];
int32_t operationMsOverride;
int32_t downloadMsOverride;

}  // namespace

const char* BoxServiceHost() {
  return hostOverride[0] ? hostOverride : ZEB_BOX_HOST;
}

NetLimits BoxServiceLimits() {
  return NetLimits{operationMsOverride > 0 ? operationMsOverride : kBuiltInOperationMs,
                   downloadMsOverride > 0 ? downloadMsOverride : kBuiltInDownloadMs};
}

void SetBoxServiceForTesting(const char* host, int32_t operationMs, int32_t downloadMs) {
  hostOverride[0] = '\0';
  if (host) {
    std::strncpy(hostOverride, host, sizeof(hostOverride) - 1);
    hostOverride[sizeof(hostOverride) - 1] = '\0';
  }
  operationMsOverride = operationMs;
  downloadMsOverride = downloadMs;
}

}  // namespace zeb
