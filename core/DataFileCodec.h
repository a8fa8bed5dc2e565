#pragma once

#include "core/Records.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

// A routine or memo count above this that the rest of the file could not hold
// (every string takes at least its two-byte count) marks a damaged file. Up to
// it, a count beyond the end of the file is taken as a file cut short, whose
// missing strings read as empty.
inline constexpr std::int64_t kMaxCountPastEnd = 65535;

enum class DecodeResult {
    Current, // a file of the current format
    Converted, // a file of an older version, converted in memory
    Damaged, // a count no real file holds; the tables keep what was read before it
    NewerVersion, // a file of a later version of this program, not read
};

// The version identifier in the header of a data file.
std::string versionTextOf(std::string_view bytes);

// Whether `versionText` names a version of this program that this one does
// not know: a later one, whose layout it cannot read.
bool isNewerVersion(std::string_view versionText);

// The bytes of the data file holding the alarm, routine and memo tables.
std::string encodeDataFile(const SharedTables& tables);

// Replaces the alarm, routine and memo tables with the contents of a data file.
// Bytes missing at the end read as zeros. The alarms of an older file are
// converted, the fields their version lacked taken from `legacyDefaults`; such a
// file carries no routines or memos, and its stored count may ask for one
// record more than its bytes hold (the last alarm cut off), not more.
DecodeResult decodeDataFile(std::string_view bytes, SharedTables& tables, const AlarmRecord& legacyDefaults);

} // namespace kvx
