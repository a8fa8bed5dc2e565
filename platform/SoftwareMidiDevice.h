#pragma once

#include "platform/VolumeLevels.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace kvx {

// The program's own MIDI synthesizer as a volume device: MIDI files are
// rendered in-process, so their volume is kept here rather than by the sound
// server. The volume devices set it; the media channel applies it to a MIDI
// file while it plays.
class SoftwareMidiDevice : public QObject {
    Q_OBJECT

public:
    explicit SoftwareMidiDevice(QObject* parent = nullptr);

    static QString deviceName();

    std::uint32_t volume() const { return m_volume; }
    void setVolume(std::uint32_t packed);
    bool muted() const { return m_muted; }
    void setMuted(bool muted);

    // Linear gain for the synthesizer's output, 0..1, from the left level.
    double gain() const;

signals:
    void gainChanged();

private:
    std::uint32_t m_volume = kFullVolume;
    bool m_muted = false;
};

} // namespace kvx
