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
  long long tail = 0;  // print only the newest bars (0 and below: an error when given)
  bool tailGiven = false;
  int32_t noCalcEvery = 0;
  bool sort = false;             // sort the bars by date and time first
  bool allowDuplicates = false;  // a repeated timestamp revises the bar before it
  bool allOutputs = false;       // also the profile bins and node marks, per bar
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
