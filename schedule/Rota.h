#pragma once

#include "core/OleDate.h"
#include "core/Records.h"

#include <string>

namespace kvx {

// The rota name of a day: the names repeat day by day from `routineStart`, which
// has the first name; days before it count backwards through the cycle. Empty
// when the rota has no names.
std::string routineNameOn(const RoutineList& routines, OleDate date);

} // namespace kvx
