#pragma once

#include <QWidget>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QTimer;

namespace kvx {

struct EditorDraft;
class SoundController;

// The tab "サウンド" (`Frame4`): the alarm's sound switch and file (mirrors of
// the "一般" tab's), the MIDI and wave devices with their volume sliders, the
// sound test and the endless switch.
class SoundTab : public QWidget {
    Q_OBJECT

public:
    explicit SoundTab(SoundController& sound, QWidget* parent = nullptr);

    void readInto(EditorDraft& draft) const;
    void load(const EditorDraft& draft);
    // Fills the device lists, the remembered names selected.
    void fillDevices(const QString& midiDevice, const QString& waveDevice);
    void setSound(bool on);
    void setSoundFile(const QString& file);
    void setVolumes(std::int32_t midi, std::int32_t wave);
    QString midiDevice() const;
    QString waveDevice() const;
    QWidget* soundFileBox() const;

signals:
    void soundToggled(bool on);
    void soundFileEdited(const QString& file);
    void browseSoundRequested();
    void devicesChosen(const QString& midiDevice, const QString& waveDevice);
    void sliderMoved(bool midi, int value);
    // The test button found no file at the sound file's path.
    void testFileMissing();

private:
    void switchDevice(bool midi);
    void toggleTest();

    QCheckBox* m_sound;
    QLabel* m_fileLabel;
    QLineEdit* m_soundFile;
    QPushButton* m_browse;
    QLabel* m_midiLabel;
    QComboBox* m_midiDevices;
    QScrollBar* m_midiVolume;
    QLabel* m_waveLabel;
    QComboBox* m_waveDevices;
    QScrollBar* m_waveVolume;
    QPushButton* m_test;
    QCheckBox* m_endless;
    // Looks, while a test plays, for the end of its sound.
    QTimer* m_testWatch;
    SoundController& m_soundController;
    bool m_filling = false;
};

} // namespace kvx
