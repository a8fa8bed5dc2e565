#pragma once

#include <QObject>
#include <QString>

#ifndef Q_MOC_RUN
#include "core/Settings.h"
#include "platform/VolumeDevices.h"
#endif

class QWidget;

namespace kvx {

class AlarmStore;
class SoundController;

// The MIDI and wave devices the alarms' volumes are set on: chosen in the
// device chooser while none is remembered, or in the editor's sound tab, and
// remembered at once in both settings files.
class SoundDevices : public QObject {
    Q_OBJECT

public:
    SoundDevices(AlarmStore& store, Settings& settings, SoundController& sound, VolumeDevices& volumes,
        QObject* parent = nullptr);

    // The chooser, over `parent`, while a device was never chosen (or was
    // chosen as none and its list now offers one).
    void choose(QWidget* parent);
    void adopt(const QString& midiDevice, const QString& waveDevice);

private:
    AlarmStore& m_store;
    Settings& m_settings;
    SoundController& m_sound;
    VolumeDevices& m_volumes;
};

} // namespace kvx
