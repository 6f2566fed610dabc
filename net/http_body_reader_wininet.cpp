// HTTP GET through WinINet: a root session with the agent "ZEBI" and the
// system's proxy settings, the URL opened without cache, cookies, automatic
// authentication or user interface, the body read with InternetReadFile.
#ifdef _WIN32

// clang-format off
#include <windows.h>
#include <wininet.h>
// clang-format on

#include <cstdio>

#include "net/http_body_reader.h"

namespace zeb {
namespace {

// INTERNET_FLAG_RELOAD | NO_CACHE_WRITE | NO_COOKIES | NO_AUTH |
// IGNORE_CERT_DATE_INVALID | IGNORE_CERT_CN_INVALID | NO_UI.
constexpr DWORD kUrlFlags = 0x840C3200;

void SetTimeout(HINTERNET handle, DWORD option, DWORD ms) {
  InternetSetOptionA(handle, option, &ms, sizeof(ms));
}

}  // namespace

int32_t HttpBodyReader::Open(const char* host, const char* target, const NetLimits& limits) {
  Close();
  operationMs_ = limits.operationMs;
  deadline_ = Clock::now() + std::chrono::milliseconds(limits.downloadMs);
  HINTERNET root = InternetOpenA("ZEBI", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!root) return kNoSession;
  root_ = root;
  // Set on the root handle, the limits apply to every request made through it.
  const DWORD ms = static_cast<DWORD>(operationMs_);
  SetTimeout(root, INTERNET_OPTION_CONNECT_TIMEOUT, ms);
  SetTimeout(root, INTERNET_OPTION_SEND_TIMEOUT, ms);
  SetTimeout(root, INTERNET_OPTION_RECEIVE_TIMEOUT, ms);

  char url[1024];
  const int length = std::snprintf(url, sizeof(url), "http://%s%s", host, target);
  HINTERNET opened = nullptr;
  if (length > 0 && static_cast<size_t>(length) < sizeof(url)) {
    opened = InternetOpenUrlA(root, url, nullptr, 0, kUrlFlags, 0);
  }
  if (!opened) {
    Close();
    return kNoResponse;
  }
  url_ = opened;
  return kOpened;
}

size_t HttpBodyReader::Read(char* block, size_t capacity) {
  if (!url_ || PastDeadline()) return 0;
  DWORD got = 0;
  if (!InternetReadFile(static_cast<HINTERNET>(url_), block, static_cast<DWORD>(capacity), &got)) {
    return 0;
  }
  // A successful read of nothing is the end of the body.
  if (got == 0) complete_ = true;
  return got;
}

void HttpBodyReader::Close() {
  if (url_) InternetCloseHandle(static_cast<HINTERNET>(url_));
  if (root_) InternetCloseHandle(static_cast<HINTERNET>(root_));
  url_ = nullptr;
  root_ = nullptr;
  complete_ = false;
}

}  // namespace zeb

#endif  // _WIN32
