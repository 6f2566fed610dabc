#pragma once

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace zebi {

// Presentation attributes of one SVG element: a class written first, the
// rest after the element's geometry. Values are escaped as they are set.
class SvgStyle {
 public:
  SvgStyle& Class(const std::string& name);
  SvgStyle& Set(const char* name, const std::string& value);
  SvgStyle& Set(const char* name, double value);  // as a coordinate (Px)
  SvgStyle& Fill(const std::string& color) { return Set("fill", color); }
  SvgStyle& Stroke(const std::string& color) { return Set("stroke", color); }

  const std::string& ClassAttribute() const { return class_; }
  const std::string& Attributes() const { return rest_; }

 private:
  std::string class_, rest_;
};

// Path data built command by command, coordinates written as Px does.
class SvgPath {
 public:
  SvgPath& MoveTo(double x, double y);
  SvgPath& LineTo(double x, double y);
  SvgPath& Horizontal(double x);
  SvgPath& Vertical(double y);
  SvgPath& Close();
  bool Empty() const { return d_.empty(); }
  const std::string& Data() const { return d_; }

 private:
  std::string d_;
};

// Writes an SVG document one shape at a time; every element on its own line,
// every attribute value quoted and escaped here and nowhere else.
class SvgWriter {
 public:
  explicit SvgWriter(std::ostream& out) : out_(out) {}

  void Begin(double width, double height, const SvgStyle& style);
  void End();
  void BeginDefs();
  void EndDefs();
  void ClipRect(const std::string& id, double x, double y, double width, double height);
  void BeginGroup(const SvgStyle& style);  // no line break: the first child follows on the line
  void EndGroup();

  void Rect(double x, double y, double width, double height, const SvgStyle& style);
  void Line(double x1, double y1, double x2, double y2, const SvgStyle& style);
  void Text(double x, double y, const std::string& text, const SvgStyle& style);
  void Circle(double cx, double cy, double r, const SvgStyle& style);
  void Path(const SvgPath& path, const SvgStyle& style);
  void Polyline(const std::vector<std::pair<double, double>>& points, const SvgStyle& style);

 private:
  void Open(const char* tag, const SvgStyle& style);
  void Attribute(const char* name, double value);
  void Close(const SvgStyle& style);

  std::ostream& out_;
};

}  // namespace zebi
