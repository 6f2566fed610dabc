#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zebi {

// What `zebi run` was asked to do.
struct RunRequest {
  std::string keyword;
  std::string barsPath;                 // empty: the bundled sample
  std::vector<std::string> parameters;  // NAME=VALUE or INDEX=VALUE
  std::string format = "csv";
  std::string chartPath;  // empty: no chart
  size_t chartBars = 300;
  size_t tail = 0;  // print only the newest bars (0: all)
  int32_t noCalcEvery = 0;
};

struct DemoRequest {
  std::string barsPath;  // empty: the bundled sample
  std::string chartFolder = "zebi-demo";
};

// Each returns the process exit code; errors go to stderr as one line.
int ListCommand();
int DescribeCommand(const std::string& keyword);
int DocsCommand();
int RunCommand(const RunRequest& request);
int DemoCommand(const DemoRequest& request);

// The bars file that ships with the tool.
std::string SampleBarsPath();

}  // namespace zebi
