#pragma once

#include "core/Records.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

enum class DecodeResult {
    Current, // a file of the current format
    Converted, // a file of an older version, converted in memory
    Damaged, // cut short, longer than its counts say, or a count no real file holds
    NewerVersion, // a file of a later version of this program, not read
    NotADataFile, // nothing this program or its predecessor wrote
};

// A text in the data file holds at most this many bytes of code page 932.
inline constexpr std::size_t kMaxTextBytes = 65535;
// Whether the data file holds the UTF-8 `text` whole.
bool fitsDataFile(std::string_view text);

// The version identifier in the header of a data file.
std::string versionTextOf(std::string_view bytes);

// Whether `versionText` names a version of this program that this one does
// not know: a later one, whose layout it cannot read.
bool isNewerVersion(std::string_view versionText);

// The bytes of the data file holding the alarm, routine and memo tables.
std::string encodeDataFile(const SharedTables& tables);

// Replaces the alarm, routine and memo tables with the contents of a data file.
// A current file must be whole: every record, the rota and the three memo
// lists, ending exactly where the last memo ends. The alarms of an older file
// are converted, the fields their version lacked taken from `legacyDefaults`;
// such a file carries no routines or memos, and what follows its alarms is
// not read (the spare slot past the last alarm need not be there). The empty
// file is the one empty conversion. On any other result than Current or
// Converted the tables are left empty: nothing of a file that is not whole
// reaches them.
DecodeResult decodeDataFile(std::string_view bytes, SharedTables& tables, const AlarmRecord& legacyDefaults);

} // namespace kvx
