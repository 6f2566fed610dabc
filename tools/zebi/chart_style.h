#pragma once

#include <cstddef>

#include "svg_writer.h"

namespace zebi {

// Colours of everything but the series.
namespace colour {
constexpr const char* kPage = "#ffffff";
constexpr const char* kFrame = "#999";
constexpr const char* kGrid = "#eee";
constexpr const char* kTimeGrid = "#e4e4e4";
constexpr const char* kZero = "#888";
constexpr const char* kMuted = "#555";
constexpr const char* kWarmup = "#e8e8e8";
constexpr const char* kWarmupText = "#777";
constexpr const char* kWindow = "#fdf0d5";
constexpr const char* kWindowText = "#a0772b";
constexpr const char* kVolume = "#b0b8c8";
constexpr const char* kVolumeTick = "#889";
constexpr const char* kVolumeText = "#667";
constexpr const char* kUp = "#26a269";
constexpr const char* kDown = "#c01c28";
constexpr const char* kProfileBin = "#5e81ac";
constexpr const char* kProfilePeak = "#e66100";
constexpr const char* kMarkOutline = "#000";
}  // namespace colour

// A frame around a plot area.
SvgStyle FrameStyle();

// A shaded band between two prices, and its legend symbol.
SvgStyle BandStyle(const char* color);

// An unfilled stroke `width` wide.
SvgStyle StrokeStyle(const char* color, const char* width);

// Text ending at its x.
SvgStyle RightAligned();

// An event mark centred on (x, y); `shape` picks one of six shapes.
void Mark(SvgWriter& svg, size_t shape, double x, double y, const char* color);

}  // namespace zebi
