#include "chart_style.h"

#include "chart_layout.h"

namespace zebi {

using chart_px::kMarkBar;
using chart_px::kMarkRadius;

SvgStyle FrameStyle() {
  return SvgStyle().Fill("none").Stroke(colour::kFrame);
}

SvgStyle BandStyle(const char* color) {
  return SvgStyle()
      .Fill(color)
      .Set("fill-opacity", "0.18")
      .Stroke(color)
      .Set("stroke-opacity", "0.6");
}

SvgStyle StrokeStyle(const char* color, const char* width) {
  return SvgStyle().Fill("none").Stroke(color).Set("stroke-width", width);
}

SvgStyle RightAligned() {
  return SvgStyle().Set("text-anchor", "end");
}

void Mark(SvgWriter& svg, size_t shape, double x, double y, const char* color) {
  const double r = kMarkRadius;
  const SvgStyle style =
      SvgStyle().Fill(color).Stroke(colour::kMarkOutline).Set("stroke-width", "0.6");
  switch (shape % 6) {
    case 0:  // triangle pointing up
      svg.Path(SvgPath().MoveTo(x, y - r).LineTo(x + r, y + r).LineTo(x - r, y + r).Close(), style);
      break;
    case 1:  // triangle pointing down
      svg.Path(SvgPath().MoveTo(x, y + r).LineTo(x + r, y - r).LineTo(x - r, y - r).Close(), style);
      break;
    case 2:
      svg.Circle(x, y, r - 1, style);
      break;
    case 3:
      svg.Rect(x - r + 1, y - r + 1, 2 * r - 2, 2 * r - 2, style);
      break;
    case 4:  // diamond
      svg.Path(
          SvgPath().MoveTo(x, y - r).LineTo(x + r, y).LineTo(x, y + r).LineTo(x - r, y).Close(),
          style);
      break;
    default:  // a bar across the price
      svg.Rect(x - r, y - kMarkBar / 2, 2 * r, kMarkBar, style);
      break;
  }
}

}  // namespace zebi
