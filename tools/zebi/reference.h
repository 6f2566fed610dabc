#pragma once

#include <ostream>

#include "core/indicator_info.h"

namespace zebi {

// The metadata table in three shapes: a terminal overview of every keyword,
// one keyword in full, and the Markdown reference kept in docs/indicators.md.
void WriteKeywordList(std::ostream& out);
void WriteDescription(std::ostream& out, const zeb::IndicatorInfo& info);
void WriteMarkdownReference(std::ostream& out);

}  // namespace zebi
