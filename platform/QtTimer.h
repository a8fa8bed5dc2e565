#pragma once

#include "platform/Clock.h"

#include <QTimer>

namespace kvx {

// A timer of the real clock: a precise QTimer on the UI thread's event loop.
class QtTimer final : public Timer {
public:
    QtTimer();

    void start(int intervalMs) override;
    void stop() override;
    bool isActive() const override;
    int interval() const override { return m_interval; }
    void setSingleShot(bool singleShot) override;

private:
    QTimer m_timer;
    int m_interval = 0;
    // Started with interval 0: enabled but silent (a QTimer would fire on every idle pass).
    bool m_idle = false;
};

} // namespace kvx
