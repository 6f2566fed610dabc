// zebindicators._core: the indicators for Python, on caller-owned instances.
// Streaming goes through the Indicator class; batch runs loop over the bars in
// C++ with the GIL released, so several runs may use several cores at once.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cstdint>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "core/indicator_info.h"
#include "interface/keyword_table.h"
#include "zeb_indicators.hpp"

namespace py = pybind11;

namespace {

const char* UseName(zeb::ParameterUse use) {
  switch (use) {
    case zeb::ParameterUse::Plain:
      return "plain";
    case zeb::ParameterUse::BinCount:
      return "bin_count";
    case zeb::ParameterUse::Inert:
      return "inert";
    case zeb::ParameterUse::Restart:
      return "restart";
    case zeb::ParameterUse::Download:
      return "download";
    case zeb::ParameterUse::WindowEnd:
      return "window_end";
  }
  return "";
}

py::object OrNone(bool present, double value) {
  return present ? py::object(py::float_(value)) : py::object(py::none());
}

py::dict DescribeParameter(const zeb::ParameterInfo& p) {
  py::dict d;
  d["index"] = p.index;
  d["name"] = p.name;
  d["kind"] = zeb::ParameterKindName(p.kind);
  d["default"] = OrNone(p.hasDefault, p.defaultValue);
  d["minimum"] = OrNone(p.clamped, p.minimum);
  d["maximum"] = OrNone(p.clamped, p.maximum);
  d["description"] = p.description;
  d["use"] = UseName(p.use);
  return d;
}

py::dict DescribeOutput(const zeb::OutputInfo& o) {
  py::dict d;
  d["first_index"] = o.firstIndex;
  d["last_index"] = o.lastIndex;
  d["name"] = o.name;
  d["description"] = o.description;
  return d;
}

std::vector<std::string> ColumnNames(const std::vector<zeb::OutputColumn>& columns) {
  std::vector<std::string> names;
  for (const zeb::OutputColumn& c : columns) names.push_back(c.name);
  return names;
}

// Output columns of a batch run: every index, or all but the profile bins.
std::vector<zeb::OutputColumn> RunColumns(const zeb::OwnedIndicator& indicator, bool profiles) {
  std::vector<zeb::OutputColumn> columns;
  for (zeb::OutputColumn& c : indicator.Outputs()) {
    if (profiles || !c.profile) columns.push_back(std::move(c));
  }
  return columns;
}

py::dict Describe(const std::string& keyword) {
  const zeb::IndicatorInfo& info = *zeb::KnownKeyword(keyword).info;
  py::list parameters, outputs;
  for (int32_t i = 0; i < info.parameterCount; ++i) {
    parameters.append(DescribeParameter(info.parameters[i]));
  }
  for (int32_t i = 0; i < info.outputCount; ++i) outputs.append(DescribeOutput(info.outputs[i]));
  const zeb::OwnedIndicator probe(keyword);
  py::dict d;
  d["keyword"] = info.keyword;
  d["class_name"] = info.className;
  d["summary"] = info.summary;
  d["parameters"] = parameters;
  d["outputs"] = outputs;
  d["columns"] = ColumnNames(RunColumns(probe, false));
  d["other_index_value"] = info.otherIndexValue;
  return d;
}

void SetParameters(zeb::OwnedIndicator& indicator, const py::dict& parameters) {
  for (const auto& item : parameters) {
    const double value = item.second.cast<double>();
    if (py::isinstance<py::int_>(item.first)) {
      indicator.SetParameter(item.first.cast<int32_t>(), value);
    } else {
      indicator.SetParameter(item.first.cast<std::string>(), value);
    }
  }
}

zeb::OwnedIndicator Create(const std::string& keyword, const std::optional<std::string>& symbol,
                           const py::dict& parameters) {
  zeb::OwnedIndicator indicator(keyword, symbol ? symbol->c_str() : nullptr);
  SetParameters(indicator, parameters);
  return indicator;
}

template <typename T>
using Column = py::array_t<T, py::array::c_style | py::array::forcecast>;

struct BarColumns {
  Column<int32_t> bar, date, time;
  Column<double> open, high, low, close, volume1, volume2;
};

// The bars of one instance in the given order: per bar, every column, row by
// row into a (bars x columns) array. Returns the names and the values.
py::tuple Run(const std::string& keyword, const std::optional<std::string>& symbol,
              const py::dict& parameters, const BarColumns& in, bool profiles) {
  zeb::OwnedIndicator indicator = Create(keyword, symbol, parameters);
  const std::vector<zeb::OutputColumn> columns = RunColumns(indicator, profiles);
  const py::ssize_t n = in.bar.ndim() == 1 ? in.bar.shape(0) : -1;
  for (const py::array* a :
       std::initializer_list<const py::array*>{&in.bar, &in.date, &in.time, &in.open, &in.high,
                                               &in.low, &in.close, &in.volume1, &in.volume2}) {
    if (a->ndim() != 1 || a->shape(0) != n) {
      throw std::invalid_argument("every bar column must be one-dimensional and of equal length");
    }
  }
  const auto width = static_cast<py::ssize_t>(columns.size());
  Column<double> values({n, width});
  double* out = values.mutable_data();
  const int32_t *bar = in.bar.data(), *date = in.date.data(), *time = in.time.data();
  const double *open = in.open.data(), *high = in.high.data(), *low = in.low.data(),
               *close = in.close.data(), *v1 = in.volume1.data(), *v2 = in.volume2.data();
  std::exception_ptr failure;
  {
    py::gil_scoped_release release;
    try {
      for (py::ssize_t i = 0; i < n; ++i) {
        indicator.SetBar(bar[i], date[i], time[i], open[i], high[i], low[i], close[i], v1[i],
                         v2[i]);
        for (const zeb::OutputColumn& c : columns) *out++ = indicator.Value(c.index);
      }
    } catch (...) {
      failure = std::current_exception();
    }
  }
  if (failure) std::rethrow_exception(failure);
  return py::make_tuple(ColumnNames(columns), values);
}

}  // namespace

PYBIND11_MODULE(_core, m) {
  m.doc() = "The compiled core of zebindicators.";

  m.def("keywords", &zeb::OwnedIndicator::Keywords, "Every indicator keyword, in lookup order.");
  m.def("describe", &Describe, py::arg("keyword"),
        "Parameters (names, defaults, ranges) and outputs (names, meanings) of a keyword.");

  m.def(
      "run_arrays",
      [](const std::string& keyword, const std::optional<std::string>& symbol,
         const py::dict& parameters, Column<int32_t> bar, Column<int32_t> date,
         Column<int32_t> time, Column<double> open, Column<double> high, Column<double> low,
         Column<double> close, Column<double> volume1, Column<double> volume2, bool profiles) {
        return Run(keyword, symbol, parameters,
                   BarColumns{bar, date, time, open, high, low, close, volume1, volume2}, profiles);
      },
      py::arg("keyword"), py::arg("symbol"), py::arg("parameters"), py::arg("bar"), py::arg("date"),
      py::arg("time"), py::arg("open"), py::arg("high"), py::arg("low"), py::arg("close"),
      py::arg("volume1"), py::arg("volume2"), py::arg("profiles") = false,
      "Feeds equal-length bar arrays through one new instance; returns (column names, values).");

  py::class_<zeb::OwnedIndicator>(m, "Indicator", "One indicator instance, fed one bar at a time.")
      .def(py::init(
               [](const std::string& keyword, const std::optional<std::string>& symbol,
                  const py::kwargs& parameters) { return Create(keyword, symbol, parameters); }),
           py::arg("keyword"), py::arg("symbol") = py::none())
      .def_property_readonly("keyword", &zeb::OwnedIndicator::Keyword)
      .def_property_readonly(
          "outputs", [](const zeb::OwnedIndicator& self) { return ColumnNames(self.Outputs()); },
          "Output names by index.")
      .def(
          "set_parameter",
          [](zeb::OwnedIndicator& self, const py::object& key, double value) {
            py::dict one;
            one[key] = value;
            SetParameters(self, one);
          },
          py::arg("name"), py::arg("value"), "Sets a parameter by name (or by index).")
      .def("update", &zeb::OwnedIndicator::SetBar, py::arg("bar"), py::arg("date"), py::arg("time"),
           py::arg("open"), py::arg("high"), py::arg("low"), py::arg("close"), py::arg("volume1"),
           py::arg("volume2") = 0.0, py::arg("calculate") = true,
           "Stores one bar and returns the calculation result (0 without calculating).")
      .def("value", &zeb::OwnedIndicator::Value, py::arg("index"), "One output by index.")
      .def(
          "values",
          [](zeb::OwnedIndicator& self) {
            py::dict d;
            for (const zeb::OutputColumn& c : self.Outputs())
              d[c.name.c_str()] = self.Value(c.index);
            return d;
          },
          "Every output, by name.")
      .def("__repr__", [](const zeb::OwnedIndicator& self) {
        return std::string("<zebindicators.Indicator ") + self.Keyword() + ">";
      });
}
