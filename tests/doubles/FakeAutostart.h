#pragma once

#include "platform/DesktopServices.h"

namespace kvx {

// Test double of the autostart entry: an entry that exists or not, with the
// writes and deletions counted.
class FakeAutostart final : public Autostart {
public:
    bool isRegistered() override { return m_registered; }
    bool registerEntry() override;
    bool removeEntry() override;

    // The entry appears or vanishes behind the program's back (by hand).
    void setRegistered(bool registered) { m_registered = registered; }
    // Writing fails (a read-only folder).
    void setWritable(bool writable) { m_writable = writable; }
    int writeCount() const { return m_writes; }
    int removeCount() const { return m_removes; }

private:
    bool m_registered = false;
    bool m_writable = true;
    int m_writes = 0;
    int m_removes = 0;
};

} // namespace kvx
