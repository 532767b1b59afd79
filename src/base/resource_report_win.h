#pragma once
// This module's counts and the process's own counters in one report.

#include "base/resource_counts.h"

namespace vesko {

// Fills `report` (whose `size` the caller set) with this module's counts and Windows'
// counters for the process. False when the caller's size is not this layout's.
bool fillResourceReport(VeskoResourceReport& report);

}  // namespace vesko
