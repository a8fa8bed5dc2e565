#pragma once

#include "platform/MediaChannel.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

namespace kvx {

// Test double of the media channel. Every file opens and plays unless a test
// says otherwise; a playing file goes on until the test ends it. Calls are
// logged in order ("open x", "play", "play from 0", "stop", "close"), into
// the test's own log when one is given so that several doubles share it.
// As with the real channel, opening a second file before closing fails.
class FakeMediaChannel final : public MediaChannel {
public:
    explicit FakeMediaChannel(QStringList* log = nullptr);

    MediaStatus status() override;
    bool open(const QString& path) override;
    bool play() override;
    bool playFromStart() override;
    void stop() override;
    void close() override;

    // Scripting.
    void setMissing(const QString& path) { m_missing.insert(path); }
    void setUnplayable(const QString& path) { m_unplayable.insert(path); }
    void endPlayback(); // the file reached its end: status turns Stopped
    // The channel has a set-up of its own still to make: `prepare` (logged
    // "prepare") makes it.
    void setUnprepared() { m_prepared = false; }
    bool prepared() const override { return m_prepared; }
    void prepare() override;
    // Runs inside `prepare`: a test lets the set-up take time on its clock.
    std::function<void()> onPrepare;

    const QStringList& log() const { return *m_log; }
    void clearLog() { m_log->clear(); }
    const QString& openFile() const { return m_path; }
    bool isOpen() const { return m_open; }

private:
    bool start(const QString& entry);

    QStringList m_ownLog;
    QStringList* m_log;
    QSet<QString> m_missing;
    QSet<QString> m_unplayable;
    QString m_path;
    bool m_open = false;
    bool m_playing = false;
    bool m_prepared = true;
};

} // namespace kvx
