#pragma once

#include "platform/MediaChannel.h"

#include <QSet>
#include <QString>
#include <QStringList>

namespace kvx {

// Test double of the wave fallback. Every file plays unless a test refuses
// it; a sound goes on until stop() or the test ends it, and a second one is
// refused meanwhile. Calls are logged ("wave play x", "wave stop").
class FakeWaveFallback final : public WaveFallback {
public:
    explicit FakeWaveFallback(QStringList* log = nullptr);

    bool play(const QString& path) override;
    void stop() override;

    void setUnplayable(const QString& path) { m_unplayable.insert(path); }
    void endPlayback() { m_playing.clear(); }

    const QStringList& log() const { return *m_log; }
    void clearLog() { m_log->clear(); }
    bool isPlaying() const { return !m_playing.isEmpty(); }
    const QString& playingFile() const { return m_playing; }

private:
    QStringList m_ownLog;
    QStringList* m_log;
    QSet<QString> m_unplayable;
    QString m_playing;
};

} // namespace kvx
