// The loopback test server as a program of its own, for the Windows test
// runs: zeb_loopback_server MODE FILES. It serves FILES.reply (and, endlessly,
// FILES.filler) in the given mode, writes its port to FILES.port once it
// listens and appends each request head to FILES.requests as
// "<length>\n<bytes>". It ends when it receives a STOP head.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "support/http_test_service.h"

namespace {

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

int main(int argc, char** argv) {
  using zeb::test::HttpTestService;
  using zeb::test::ServeMode;
  if (argc != 3) return 2;
  const std::string files = argv[2];
  HttpTestService service(ReadWholeFile(files + ".reply"),
                          static_cast<ServeMode>(std::atoi(argv[1])),
                          ReadWholeFile(files + ".filler"));
  {
    // Written whole and then renamed, so the parent never reads half a port.
    std::ofstream(files + ".port.tmp") << service.Port() << '\n';
    std::rename((files + ".port.tmp").c_str(), (files + ".port").c_str());
  }
  if (!service.Listening()) return 1;
  std::ofstream requests(files + ".requests", std::ios::binary);
  service.Serve([&requests](const std::string& head) {
    requests << head.size() << '\n' << head;
    requests.flush();
  });
  return 0;
}
