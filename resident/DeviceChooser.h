#pragma once

#include <QDialog>

class QComboBox;

namespace kvx {

class VolumeDevices;

// The sound device chooser (`Form5`), shown by the editor while no MIDI or wave
// device has been chosen.
class DeviceChooser : public QDialog {
    Q_OBJECT

public:
    DeviceChooser(VolumeDevices& devices, const QString& currentMidi, QWidget* parent = nullptr);

    QString midiDevice() const;
    QString waveDevice() const;

private:
    QComboBox* m_combo1;
    QComboBox* m_combo2;
};

} // namespace kvx
