#pragma once

#include <cstdint>

namespace zeb {

// Descriptive metadata of one indicator: what its parameters and outputs mean.
// It drives the zebi tool's reference, the generated docs and the metadata
// tests; the library itself never reads it when computing.
//
// The fields after the first ones carry defaults, so a table that lists only
// the leading fields stays valid.

enum class ParameterKind { Integer, Double, Flag };

// The kind's name as the tools and the bindings show it.
inline const char* ParameterKindName(ParameterKind kind) {
  switch (kind) {
    case ParameterKind::Integer:
      return "integer";
    case ParameterKind::Double:
      return "double";
    case ParameterKind::Flag:
      return "flag";
  }
  return "?";
}

// What a parameter means to the tools, beyond its value.
enum class ParameterUse {
  Plain,
  BinCount,   // number of profile bins: the chart spreads the Profile outputs over this many
  Inert,      // stored for the host's sake; changes no output
  Restart,    // also restarts a turn detector: setting even the value Reset stored starts a new
              // warm-up, so outputs differ from an instance that was never set
  Download,   // belongs to the network download: setting it may make the instance fetch data,
              // so tests and the demo leave it alone
  WindowEnd,  // bars back from the newest bar to one end of the profile's window
};

struct ParameterInfo {
  int32_t index;
  const char* name;
  ParameterKind kind;
  bool hasDefault;  // false: the instance starts at 0 until the host sets it
  double defaultValue;
  bool clamped;  // false: stored as converted, without a range
  double minimum;
  double maximum;
  const char* description;
  ParameterUse use = ParameterUse::Plain;
};

// How a run of outputs is drawn: over the candles when it is a price, in the
// pane below when it is an oscillator, or not at all.
enum class OutputRole {
  Auto,          // not described: over the candles when its values lie in the bars' price range,
                 // else a line in the pane
  Level,         // a price level, drawn as steps over the candles
  BandLow,       // lower edge of a band, paired with the next BandHigh of the same indicator
  BandHigh,      // upper edge of that band
  ProfileLow,    // price at the bottom of a volume profile
  ProfileHigh,   // price at its top
  Profile,       // profile bins, lowest price first: a sideways histogram at the right edge
  ProfileMarks,  // per bin: 2 = node peak, 1 = node bound
  Marker,        // price of an event (entry, exit, stop, target): a mark where it changes
  Line,          // an oscillator line in the pane
  Flag,          // a 0/1 state, marked along the pane where it is 1 (squeeze, breakout)
  Figure,        // a count, width or constant: listed, not drawn
  WindowEnd,     // bars back from the newest bar to one end of the profile's window: shaded
};

struct OutputInfo {
  int32_t firstIndex;  // a run of outputs that share one meaning
  int32_t lastIndex;
  const char* name;
  const char* description;
  OutputRole role = OutputRole::Auto;
  const char* units = nullptr;  // unit and scale of the values, for the reference
  bool keptForHost = false;     // carries no information; kept so host layouts stay valid
};

// How many leading bars an instance needs before its outputs mean anything at
// the parameters in effect: the fixed part plus the listed parameters' values,
// and, where it applies, until enough new dates have begun (daily references)
// or until a drawn output first leaves 0 (levels published at a turn).
struct WarmupInfo {
  int32_t bars;               // fixed part; may be negative to offset the parameters
  int32_t sumOf[4];           // parameter indices whose values in effect are added; -1: none
  int32_t newDates;           // bars stay in warm-up until this many new dates have begun...
  int32_t newDatesParameter;  // ...or as many as this parameter's value says (-1: none)
  bool untilPublished;        // and until a drawn output is first non-zero
  const char* rule;           // the same in words, for the reference
};

// Parameter settings under which an instance computes nothing useful, so the
// tools warn the user (IndicatorInfo::idleNote says what to set).
enum class IdleRule {
  None,
  WhileUnset,         // while any parameter without a default is left unset
  WhileAllZero,       // while every parameter without a default is 0 in effect
  WhileEndsCoincide,  // while the WindowEnd parameters name the same bar
};

// Which volume figures of a bar the indicator reads.
enum class VolumeUse {
  None,
  Total,  // volume1 + volume2 (profiles, flows)
  Split,  // volume1 and volume2 apart (buying against selling)
};

struct IndicatorInfo {
  const char* keyword;
  const char* className;
  const char* summary;
  const ParameterInfo* parameters;
  int32_t parameterCount;
  const OutputInfo* outputs;
  int32_t outputCount;
  double otherIndexValue;  // what Value answers for an index that names no output
  // Parameters `zebi demo` sets to show the indicator at work, as
  // "name=value name=value"; null keeps every default.
  const char* demoParameters = nullptr;
  // True when every index outside the outputs answers with output 0 instead
  // of otherIndexValue.
  bool otherIndexReadsOutput0 = false;
  WarmupInfo warmup = {0, {-1, -1, -1, -1}, 0, -1, false, "none"};
  VolumeUse volumeUse = VolumeUse::None;
  IdleRule idleRule = IdleRule::None;
  const char* idleNote = nullptr;  // what the defaults fail to compute and what to set
  // For the reference: what rising and falling values, flags and levels mean
  // to a trader, and when a published level is stale.
  const char* howToRead = nullptr;
};

}  // namespace zeb
