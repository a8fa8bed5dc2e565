#pragma once

#include "platform/DesktopServices.h"

namespace kvx {

// Test double of the session's end: a test reports the end itself.
class FakeSessionEnd final : public SessionEnd {
public:
    void trigger() { end(); }
};

} // namespace kvx
