// zebi: the library's reference and replay tool.
//
//   zebi list | describe KEYWORD | docs
//   zebi run KEYWORD [--bars FILE] [--param NAME=VALUE]... [--format csv|table|json]
//                    [--chart FILE.svg] [--no-calc-every N]
//   zebi demo [--charts FOLDER]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>

#include "commands.h"

int main(int argc, char** argv) {
  CLI::App app{"zebi: replay bars through the ZEBIndicators library, chart and describe it"};
  app.require_subcommand(1);

  app.add_subcommand("list", "list every keyword");

  std::string keyword;
  CLI::App* describe = app.add_subcommand("describe", "show a keyword's parameters and outputs");
  describe->add_option("KEYWORD", keyword, "indicator keyword (any case)")->required();

  app.add_subcommand("docs", "write the Markdown reference of every keyword to stdout");

  zebi::RunRequest run;
  CLI::App* runApp = app.add_subcommand("run", "replay bars through one indicator");
  runApp->add_option("KEYWORD", run.keyword, "indicator keyword (any case)")->required();
  runApp->add_option("--bars", run.barsPath,
                     "CSV file of bars, - for standard input (default: the bundled sample)");
  runApp->add_option("--param,-p", run.parameters,
                     "parameter as NAME=VALUE or INDEX=VALUE; repeat for more");
  runApp->add_option("--format,-f", run.format, "output format")
      ->check(CLI::IsMember({"csv", "table", "json"}));
  runApp->add_option("--chart", run.chartPath, "also draw an SVG chart into this file");
  runApp->add_option("--chart-bars", run.chartBars, "bars the chart shows, newest last")
      ->check(CLI::Range(1, 100000));
  runApp->add_option("--tail", run.tail, "print only the newest N bars (all are replayed)");
  runApp->add_option("--no-calc-every", run.noCalcEvery, "store every N-th bar without calculating")
      ->check(CLI::NonNegativeNumber);

  zebi::DemoRequest demo;
  CLI::App* demoApp = app.add_subcommand("demo", "every keyword over the sample, with charts");
  demoApp->add_option("--charts", demo.chartFolder, "folder for the charts")->capture_default_str();
  demoApp->add_option("--bars", demo.barsPath, "CSV file of bars (default: the bundled sample)");

  CLI11_PARSE(app, argc, argv);
  try {
    if (app.got_subcommand("list")) return zebi::ListCommand();
    if (app.got_subcommand("describe")) return zebi::DescribeCommand(keyword);
    if (app.got_subcommand("docs")) return zebi::DocsCommand();
    if (app.got_subcommand("run")) return zebi::RunCommand(run);
    if (app.got_subcommand("demo")) return zebi::DemoCommand(demo);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zebi: %s\n", e.what());
    return 1;
  }
  return 2;
}
