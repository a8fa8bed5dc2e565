#pragma once

#include "core/FileSink.h"
#include "core/PosixFileSink.h"
#include "core/Records.h"
#include "tests/core/TestSupport.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <string_view>

namespace kvx {

// Readable failure messages for dates and records.
inline void PrintTo(const OleDate& date, std::ostream* os)
{
    *os << date.value();
}

inline void PrintTo(const AlarmRecord& r, std::ostream* os)
{
    *os << "{start " << r.startTime.value() << " end " << r.endTime.value() << " kind " << r.kind << " mask "
        << r.weekdayMask << " pre " << r.lastPreAlarm.value() << " last " << r.lastAlarm.value()
        << " preMode " << r.preMode << "/" << r.preMinutes << " blink " << r.blink << " message \""
        << r.message << "\" sound " << r.sound << " \"" << r.soundFile << "\" endless " << r.endless
        << " volumes " << r.midiVolume << "/" << r.waveVolume << " keep " << r.keepWindow << " blinks "
        << r.blinkCount << " colours " << r.textColor << "/" << r.backColor << " font \"" << r.fontName
        << "\" " << r.fontSize << " " << r.fontBold << r.fontItalic << r.fontUnderline << r.fontStrikethru
        << " indexes " << r.textColorIndex << "/" << r.backColorIndex << "}";
}

namespace test {

inline std::string dataFilePath(const std::string& name)
{
    return std::string(KVX_TEST_DATA_DIR) + "/datafile/" + name;
}

inline std::string goldenBytes(const std::string& name)
{
    std::string bytes = readFileBytes(dataFilePath(name));
    EXPECT_FALSE(bytes.empty()) << "golden file " << name << " is missing";
    return bytes;
}

// A sink that writes to the file system like the program's, until the failure
// it was set up for: refusing to open, stopping after some bytes, or failing to
// reach the disk. Files opened before `opensBeforeFailure` run normally.
class FailingSink final : public FileSink {
public:
    enum class Failure { Open, AfterBytes, Commit };

    FailingSink(Failure failure, std::size_t bytesBeforeFailure = 0, int opensBeforeFailure = 0)
        : m_failure(failure)
        , m_bytesBeforeFailure(bytesBeforeFailure)
        , m_opensBeforeFailure(opensBeforeFailure)
    {
    }

    bool open(const std::string& path) override
    {
        ++m_opens;
        m_written = 0;
        if (armed() && m_failure == Failure::Open) {
            return false;
        }
        return m_real.open(path);
    }

    bool write(std::string_view bytes) override
    {
        if (armed() && m_failure == Failure::AfterBytes) {
            const std::size_t room = m_bytesBeforeFailure - std::min(m_written, m_bytesBeforeFailure);
            if (bytes.size() > room) {
                m_written += room;
                m_real.write(bytes.substr(0, room));
                return false;
            }
        }
        m_written += bytes.size();
        return m_real.write(bytes);
    }

    bool commit() override
    {
        if (armed() && m_failure == Failure::Commit) {
            m_real.discard();
            return false;
        }
        return m_real.commit();
    }

    void discard() override { m_real.discard(); }

    int opens() const { return m_opens; }
    // From now on every file is written as the program's sink writes it.
    void heal() { m_healed = true; }

private:
    bool armed() const { return !m_healed && m_opens > m_opensBeforeFailure; }

    PosixFileSink m_real;
    Failure m_failure;
    std::size_t m_bytesBeforeFailure;
    int m_opensBeforeFailure;
    int m_opens = 0;
    std::size_t m_written = 0;
    bool m_healed = false;
};

inline void expectSameData(const SharedTables& actual, const SharedTables& expected, const std::string& name)
{
    EXPECT_EQ(actual.alarms.alarmCount, expected.alarms.alarmCount) << name;
    EXPECT_EQ(actual.alarms.alarms, expected.alarms.alarms) << name;
    EXPECT_EQ(actual.routines.routineCount, expected.routines.routineCount) << name;
    EXPECT_EQ(actual.routines.routineStart, expected.routines.routineStart) << name;
    EXPECT_EQ(actual.routines.routineNames, expected.routines.routineNames) << name;
    EXPECT_EQ(actual.memos.lists, expected.memos.lists) << name;
}

} // namespace test
} // namespace kvx
