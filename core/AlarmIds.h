#pragma once

#include "core/Records.h"

#include <string>
#include <string_view>
#include <vector>

namespace kvx {

// Every alarm keeps one identity, "kvx-<uuid>", across restarts, saves, the
// merges of a shared data folder and iCalendar files. The data file has no room
// for it: the identities live beside it, in "<data file's stem>.ids", written by
// the same save, one line an alarm in table order with a hash of its content.
// A load matches them to the records by content, so a file that an older
// version changed only loses the identities of the records it changed.

// The bytes an alarm takes in the data file without its last-ring times: what
// it is, as far as two tables can tell.
std::string alarmContentKey(const AlarmRecord& alarm);
// The same for every alarm of `table`, in order, with one codec: the font
// name, the same in nearly every record, is converted once.
std::vector<std::string> alarmContentKeys(const AlarmTable& table);

// 16 hex digits of a 64-bit hash of `key`, the same on every computer and build.
std::string keyHash(std::string_view key);

// A new identity, random.
std::string newAlarmId();
// The identity of an alarm that has none yet: made from its content and how
// many alike come before it, so that two computers reading one file without
// identities give it the same one.
std::string contentAlarmId(std::string_view contentKey, int occurrence);

// The identities file of the data file at `dataPath`: "Kalvendorix.dat" → "Kalvendorix.ids".
std::string alarmIdsPath(const std::string& dataPath);
// The file's bytes for `alarms`, `ids[i]` being alarm i's.
std::string encodeAlarmIds(const AlarmTable& alarms, const std::vector<std::string>& ids);
// An identity for every alarm of `alarms`: the file's where the content
// matches, in order among alike alarms, a content identity elsewhere. Bytes
// that are no identities file match nothing.
std::vector<std::string> matchAlarmIds(const AlarmTable& alarms, std::string_view idsFile);

} // namespace kvx
