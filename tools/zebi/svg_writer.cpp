#include "svg_writer.h"

#include "svg_text.h"

namespace zebi {

SvgStyle& SvgStyle::Class(const std::string& name) {
  class_ = " class=\"" + XmlEscape(name) + "\"";
  return *this;
}

SvgStyle& SvgStyle::Set(const char* name, const std::string& value) {
  rest_ += std::string(" ") + name + "=\"" + XmlEscape(value) + "\"";
  return *this;
}

SvgStyle& SvgStyle::Set(const char* name, double value) {
  return Set(name, Px(value));
}

SvgPath& SvgPath::MoveTo(double x, double y) {
  d_ += (d_.empty() ? "M" : " M") + Px(x) + " " + Px(y);
  return *this;
}

SvgPath& SvgPath::LineTo(double x, double y) {
  d_ += " L" + Px(x) + " " + Px(y);
  return *this;
}

SvgPath& SvgPath::Horizontal(double x) {
  d_ += " H" + Px(x);
  return *this;
}

SvgPath& SvgPath::Vertical(double y) {
  d_ += " V" + Px(y);
  return *this;
}

SvgPath& SvgPath::Close() {
  d_ += " Z";
  return *this;
}

void SvgWriter::Begin(double width, double height, const SvgStyle& style) {
  out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       << "<svg xmlns=\"http://www.w3.org/2000/svg\"";
  Attribute("width", width);
  Attribute("height", height);
  out_ << " viewBox=\"0 0 " << Px(width) << " " << Px(height) << "\"" << style.Attributes()
       << ">\n";
}

void SvgWriter::End() {
  out_ << "</svg>\n";
}

void SvgWriter::BeginDefs() {
  out_ << "<defs>";
}

void SvgWriter::EndDefs() {
  out_ << "</defs>\n";
}

void SvgWriter::ClipRect(const std::string& id, double x, double y, double width, double height) {
  out_ << "<clipPath id=\"" << XmlEscape(id) << "\">";
  out_ << "<rect";
  Attribute("x", x);
  Attribute("y", y);
  Attribute("width", width);
  Attribute("height", height);
  out_ << "/></clipPath>";
}

void SvgWriter::BeginGroup(const SvgStyle& style) {
  out_ << "<g" << style.ClassAttribute() << style.Attributes() << ">";
}

void SvgWriter::EndGroup() {
  out_ << "</g>\n";
}

void SvgWriter::Rect(double x, double y, double width, double height, const SvgStyle& style) {
  Open("rect", style);
  Attribute("x", x);
  Attribute("y", y);
  Attribute("width", width);
  Attribute("height", height);
  Close(style);
}

void SvgWriter::Line(double x1, double y1, double x2, double y2, const SvgStyle& style) {
  Open("line", style);
  Attribute("x1", x1);
  Attribute("x2", x2);
  Attribute("y1", y1);
  Attribute("y2", y2);
  Close(style);
}

void SvgWriter::Text(double x, double y, const std::string& text, const SvgStyle& style) {
  Open("text", style);
  Attribute("x", x);
  Attribute("y", y);
  out_ << style.Attributes() << ">" << XmlEscape(text) << "</text>\n";
}

void SvgWriter::Circle(double cx, double cy, double r, const SvgStyle& style) {
  Open("circle", style);
  Attribute("cx", cx);
  Attribute("cy", cy);
  Attribute("r", r);
  Close(style);
}

void SvgWriter::Path(const SvgPath& path, const SvgStyle& style) {
  Open("path", style);
  out_ << " d=\"" << path.Data() << "\"";
  Close(style);
}

void SvgWriter::Polyline(const std::vector<std::pair<double, double>>& points,
                         const SvgStyle& style) {
  Open("polyline", style);
  out_ << " points=\"";
  for (size_t i = 0; i < points.size(); ++i) {
    out_ << (i ? " " : "") << Px(points[i].first) << "," << Px(points[i].second);
  }
  out_ << "\"";
  Close(style);
}

void SvgWriter::Open(const char* tag, const SvgStyle& style) {
  out_ << "<" << tag << style.ClassAttribute();
}

void SvgWriter::Attribute(const char* name, double value) {
  out_ << " " << name << "=\"" << Px(value) << "\"";
}

void SvgWriter::Close(const SvgStyle& style) {
  out_ << style.Attributes() << "/>\n";
}

}  // namespace zebi
