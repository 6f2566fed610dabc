#pragma once

#include <cstdint>

namespace zeb {

// Where the box-level service lives and how long the library waits for it.
// Both are fixed when the library is built (ZEB_BOX_HOST, ZEB_BOX_TIMEOUT_SECONDS,
// ZEB_BOX_DOWNLOAD_SECONDS); the test suite redirects them to a server of its
// own. None of this is exported from the shared library.

struct NetLimits {
  int32_t operationMs;  // connecting, sending, and each wait for reply bytes
  int32_t downloadMs;   // the whole download, reading stops after it
};

// "name" or "name:port".
const char* BoxServiceHost();
NetLimits BoxServiceLimits();

// Points the download at `host` with the given limits; a null host restores
// the built-in host and a limit of 0 or less restores the built-in limit.
void SetBoxServiceForTesting(const char* host, int32_t operationMs, int32_t downloadMs);

}  // namespace zeb
