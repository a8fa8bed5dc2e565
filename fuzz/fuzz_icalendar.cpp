// Feeds arbitrary bytes to the iCalendar reader as the text of a file.
// Whatever the bytes, reading returns; every event it takes is a record that
// the data file holds, and written out and read back it is the same record.
#include "core/AlarmIds.h"
#include "core/DataFileCodec.h"
#include "ical/ICalendar.h"

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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const kvx::ICalendarImport read = kvx::importICalendar(text, "Asia/Tokyo", kvx::AlarmRecord{});
    require(read.error.empty() || read.items.empty());
    for (const kvx::ICalendarItem& item : read.items) {
        require(kvx::fitsDataFile(item.record.message));
        kvx::AlarmTable table;
        table.add(item.record);
        const kvx::ICalendarExport written = kvx::exportICalendar(table, {item.uid}, {}, "Asia/Tokyo");
        const kvx::ICalendarImport again
            = kvx::importICalendar(written.text, "Asia/Tokyo", kvx::AlarmRecord{});
        require(again.items.size() == 1
            && kvx::alarmContentKey(again.items[0].record) == kvx::alarmContentKey(item.record));
    }
    return 0;
}
