#pragma once

#include "platform/WallClockWatch.h"

namespace kvx {

// Test double of the wall-clock watch: a test moves the fake clock and then
// tells of the jump as the system would.
class FakeWallClockWatch final : public WallClockWatch {
    Q_OBJECT

public:
    void clockSet() { emit changed(false); }
    void resumed() { emit changed(true); }
};

} // namespace kvx
