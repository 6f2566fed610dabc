// zebi: the library's reference and replay tool.
//
//   zebi list | describe KEYWORD | docs
//   zebi run KEYWORD [--bars FILE] [--param NAME=VALUE]... [--format csv|table|json]
//                    [--tail N] [--chart FILE.svg [--chart-bars N]] [--no-calc-every N]
//                    [--sort] [--allow-duplicates] [--outputs named|all]
//   zebi demo [--charts FOLDER]

#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <iostream>

#include "commands.h"

namespace {

// The options of `zebi run`; `outputs` receives "named" or "all".
CLI::App* AddRunCommand(CLI::App& app, zebi::RunRequest& run, std::string& outputs) {
  CLI::App* runApp = app.add_subcommand("run", "replay bars through one indicator");
  runApp->footer(
      "Output columns: bar, date, time; result: what the library's set-bar call returned for the "
      "bar (0 for most keywords; a negative value is a failure, such as a failed download, and "
      "is reported on stderr with the status text); warmup: 1 while the keyword has not yet seen "
      "enough bars for its outputs to mean anything; then every output by name.");
  runApp->add_option("KEYWORD", run.keyword, "indicator keyword (any case)")->required();
  runApp->add_option("--bars", run.barsPath,
                     "CSV file of bars, - for standard input (default: the bundled sample)");
  runApp->add_option("--param,-p", run.parameters,
                     "parameter as NAME=VALUE or INDEX=VALUE; repeat for more");
  runApp->add_option("--format,-f", run.format, "output format: csv, table or json")
      ->transform(CLI::IsMember({"csv", "table", "json"}, CLI::ignore_case));
  CLI::Option* chart =
      runApp->add_option("--chart", run.chartPath, "also draw an SVG chart into this file");
  runApp->add_option("--chart-bars", run.chartBars, "bars the chart shows, newest last")
      ->check(CLI::Range(1, 100000))
      ->needs(chart);
  runApp->add_option("--tail", run.tail, "print only the newest N bars (all are replayed)");
  runApp->add_option("--no-calc-every", run.noCalcEvery, "store every N-th bar without calculating")
      ->check(CLI::NonNegativeNumber);
  runApp->add_flag("--sort", run.sort,
                   "sort the bars by date and time first (reads the whole file)");
  runApp->add_flag("--allow-duplicates", run.allowDuplicates,
                   "keep a repeated timestamp as a revision of the bar before it");
  runApp
      ->add_option("--outputs", outputs,
                   "named: the named outputs; all: also the profile bins and node marks")
      ->transform(CLI::IsMember({"named", "all"}, CLI::ignore_case));
  return runApp;
}

int Run(int argc, char** argv) {
  CLI::App app{"zebi: replay bars through the ZEBIndicators library, chart and describe it"};
  app.require_subcommand(1);
  app.set_version_flag("--version", std::string("zebi ") + ZEBI_VERSION);

  app.add_subcommand("list", "list every keyword");

  std::string keyword;
  CLI::App* describe = app.add_subcommand("describe", "show a keyword's parameters and outputs");
  describe->add_option("KEYWORD", keyword, "indicator keyword (any case)")->required();

  app.add_subcommand("docs", "write the Markdown reference of every keyword to stdout");

  zebi::RunRequest run;
  std::string outputs = "named";
  CLI::App* runApp = AddRunCommand(app, run, outputs);

  zebi::DemoRequest demo;
  CLI::App* demoApp = app.add_subcommand("demo", "every keyword over the sample, with charts");
  demoApp->add_option("--charts", demo.chartFolder, "folder for the charts")->capture_default_str();
  demoApp->add_option("--bars", demo.barsPath, "CSV file of bars (default: the bundled sample)");

  CLI11_PARSE(app, argc, argv);
  run.tailGiven = runApp->count("--tail") > 0;
  run.allOutputs = outputs == "all";
  if (app.got_subcommand("list")) return zebi::ListCommand();
  if (app.got_subcommand("describe")) return zebi::DescribeCommand(keyword);
  if (app.got_subcommand("docs")) return zebi::DocsCommand();
  if (app.got_subcommand("run")) return zebi::RunCommand(run);
  if (app.got_subcommand("demo")) return zebi::DemoCommand(demo);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Standard input as fast as a file: no sync with C stdio.
  std::ios::sync_with_stdio(false);
  try {
    return Run(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "zebi: %s\n", e.what());
  } catch (...) {
    std::fprintf(stderr, "zebi: unexpected failure\n");
  }
  return 1;
}
