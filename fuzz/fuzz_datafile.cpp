// Feeds arbitrary bytes to the data file reader. Whatever the bytes, the reader
// must return with tables that keep their invariants and stay within the
// bounds the reader promises, and tables it read must survive a save and load.
#include "core/AlarmRecordCodec.h"
#include "core/DataFileCodec.h"
#include "core/Records.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

void require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

void checkBounds(const kvx::SharedTables& tables, std::size_t inputSize)
{
    const std::size_t largestList = inputSize / 2 + 1;
    const kvx::AlarmTable& alarms = tables.alarms;
    require(alarms.alarmCount >= 0);
    require(alarms.alarms.size() == static_cast<std::size_t>(alarms.alarmCount) + 1);
    require(tables.routines.routineCount >= 0);
    require(
        tables.routines.routineNames.size() == static_cast<std::size_t>(tables.routines.routineCount) + 1);
    require(tables.routines.routineNames.size() <= largestList);
    for (const auto& list : tables.memos.lists) {
        require(!list.empty() && list.size() <= largestList);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const kvx::AlarmRecord legacyDefaults = kvx::convertedRecordDefaults(0x7FFF7FFF, 0x40004000);
    kvx::SharedTables tables;
    const kvx::DecodeResult result = kvx::decodeDataFile(bytes, tables, legacyDefaults);
    checkBounds(tables, size);
    if (result != kvx::DecodeResult::Current && result != kvx::DecodeResult::Converted) {
        return 0;
    }
    // Text that code page 932 cannot hold changes once, on the first save; from
    // then on a save and load gives back the same file.
    const std::string saved = kvx::encodeDataFile(tables);
    kvx::SharedTables reloaded;
    require(kvx::decodeDataFile(saved, reloaded, legacyDefaults) == kvx::DecodeResult::Current);
    require(kvx::encodeDataFile(reloaded) == saved);
    return 0;
}
