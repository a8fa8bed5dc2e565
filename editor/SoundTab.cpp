#include "editor/SoundTab.h"

#include "platform/AppIcons.h"
#include "schedule/EditorDraft.h"
#include "resident/SoundController.h"
#include "ui/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTimer>

namespace kvx {

namespace {

constexpr int kTestWatchMs = 500;

QScrollBar* volumeBar(const char* name, const QString& accessible)
{
    auto* bar = named(new QScrollBar(Qt::Horizontal), name, accessible);
    bar->setRange(-32767, 32767);
    bar->setSingleStep(100);
    bar->setPageStep(3000);
    bar->setMinimumWidth(200);
    return bar;
}

} // namespace

SoundTab::SoundTab(SoundController& sound, QWidget* parent)
    : QWidget(parent)
    , m_soundController(sound)
{
    setObjectName(QStringLiteral("Frame4"));
    auto* grid = new QGridLayout(this);
    m_sound = named(new QCheckBox(QStringLiteral("音を鳴らす")), "Check24", QStringLiteral("音を鳴らす"));
    grid->addWidget(m_sound, 0, 0, 1, 2);
    m_fileLabel = named(
        new QLabel(QStringLiteral("サウンドファイル")), "Label14", QStringLiteral("サウンドファイル"));
    grid->addWidget(m_fileLabel, 1, 0, 1, 2);
    m_soundFile = named(new QLineEdit, "Text11", QStringLiteral("サウンドファイル"));
    grid->addWidget(m_soundFile, 2, 0, 1, 2);
    m_browse = named(new QPushButton, "Command11", QStringLiteral("サウンドファイルを開く"));
    m_browse->setIcon(buttonIcon(QStringLiteral("OPEN")));
    grid->addWidget(m_browse, 2, 2);
    m_midiLabel = named(new QLabel(QStringLiteral("MIDI音量")), "Label16", QStringLiteral("MIDI音量"));
    m_midiDevices = named(new QComboBox, "Combo3", QStringLiteral("MIDI出力デバイス"));
    m_midiVolume = volumeBar("HScroll1", QStringLiteral("MIDI音量"));
    grid->addWidget(m_midiLabel, 3, 0);
    grid->addWidget(m_midiDevices, 3, 1, 1, 2);
    grid->addWidget(m_midiVolume, 4, 0, 1, 3);
    m_waveLabel = named(new QLabel(QStringLiteral("他の音量")), "Label17", QStringLiteral("他の音量"));
    m_waveDevices = named(new QComboBox, "Combo4", QStringLiteral("音声出力デバイス"));
    m_waveVolume = volumeBar("HScroll2", QStringLiteral("他の音量"));
    grid->addWidget(m_waveLabel, 5, 0);
    grid->addWidget(m_waveDevices, 5, 1, 1, 2);
    grid->addWidget(m_waveVolume, 6, 0, 1, 3);
    m_test = named(new QPushButton, "Command12", QStringLiteral("サウンドのテスト"));
    m_test->setIcon(buttonIcon(QStringLiteral("CHECK")));
    m_test->setToolTip(QStringLiteral("サウンドのテスト"));
    grid->addWidget(m_test, 7, 2);
    m_endless = named(
        new QCheckBox(QStringLiteral("エンドレスにする")), "Check25", QStringLiteral("エンドレスにする"));
    grid->addWidget(m_endless, 7, 0, 1, 2);
    grid->setRowStretch(8, 1);
    grid->setColumnStretch(1, 1);

    connect(m_sound, &QCheckBox::toggled, this, [this](bool on) {
        setSound(on);
        emit soundToggled(on);
    });
    connect(m_soundFile, &QLineEdit::textChanged, this, &SoundTab::soundFileEdited);
    connect(m_browse, &QPushButton::clicked, this, &SoundTab::browseSoundRequested);
    m_testWatch = new QTimer(this);
    m_testWatch->setInterval(kTestWatchMs);
    connect(m_testWatch, &QTimer::timeout, this, [this] {
        if (m_soundController.testSoundEnded()) {
            m_testWatch->stop();
        }
    });
    connect(m_test, &QPushButton::clicked, this, &SoundTab::toggleTest);
    for (QComboBox* combo : {m_midiDevices, m_waveDevices}) {
        connect(combo, &QComboBox::activated, this, [this, combo] { switchDevice(combo == m_midiDevices); });
    }
    connect(
        m_midiVolume, &QScrollBar::valueChanged, this, [this](int value) { emit sliderMoved(true, value); });
    connect(
        m_waveVolume, &QScrollBar::valueChanged, this, [this](int value) { emit sliderMoved(false, value); });
    setSound(false);
}

void SoundTab::toggleTest()
{
    switch (m_soundController.toggleTestSound(
        m_soundFile->text(), m_midiVolume->value(), m_waveVolume->value())) {
    case SoundController::TestOutcome::Playing:
        m_testWatch->start();
        break;
    case SoundController::TestOutcome::NoFile:
        emit testFileMissing();
        break;
    case SoundController::TestOutcome::Stopped:
    case SoundController::TestOutcome::Unplayable:
        m_testWatch->stop();
        break;
    }
}

void SoundTab::readInto(EditorDraft& draft) const
{
    draft.soundFileCopy = m_soundFile->text().toStdString();
    draft.endless = m_endless->isChecked();
    draft.midiVolume = static_cast<std::int32_t>(SoundController::sliderToVolume(m_midiVolume->value()));
    draft.waveVolume = static_cast<std::int32_t>(SoundController::sliderToVolume(m_waveVolume->value()));
}

void SoundTab::load(const EditorDraft& draft)
{
    setSound(draft.sound);
    setSoundFile(QString::fromStdString(draft.soundFileCopy));
    m_endless->setChecked(draft.endless);
    setVolumes(draft.midiVolume, draft.waveVolume);
}

void SoundTab::fillDevices(const QString& midiDevice, const QString& waveDevice)
{
    m_filling = true;
    const auto fill = [](QComboBox* combo, const QList<VolumeDevices::Device>& devices, bool needVolume,
                          const QString& chosen) {
        combo->clear();
        for (const auto& device : devices) {
            if (!needVolume || device.supportsVolume) {
                combo->addItem(device.name);
            }
        }
        combo->setCurrentIndex(std::max(combo->findText(chosen), 0));
    };
    fill(m_midiDevices, m_soundController.devices().devices(VolumeDevices::Kind::Midi), true, midiDevice);
    fill(m_waveDevices, m_soundController.devices().devices(VolumeDevices::Kind::Wave), false, waveDevice);
    m_filling = false;
}

void SoundTab::setSound(bool on)
{
    {
        const QSignalBlocker blocker(m_sound);
        m_sound->setChecked(on);
    }
    for (QWidget* control : std::initializer_list<QWidget*>{m_fileLabel, m_soundFile, m_browse, m_midiLabel,
             m_midiDevices, m_midiVolume, m_waveLabel, m_waveDevices, m_waveVolume, m_test, m_endless}) {
        control->setEnabled(on);
    }
}

void SoundTab::setSoundFile(const QString& file)
{
    if (m_soundFile->text() != file) {
        m_soundFile->setText(file);
        m_soundFile->end(false);
    }
}

void SoundTab::setVolumes(std::int32_t midi, std::int32_t wave)
{
    const QSignalBlocker midiBlocker(m_midiVolume);
    const QSignalBlocker waveBlocker(m_waveVolume);
    m_midiVolume->setValue(SoundController::volumeToSlider(static_cast<std::uint32_t>(midi)));
    m_waveVolume->setValue(SoundController::volumeToSlider(static_cast<std::uint32_t>(wave)));
}

// The slider shows the new device's own volume, which the next restore puts back.
void SoundTab::switchDevice(bool midi)
{
    QComboBox* combo = midi ? m_midiDevices : m_waveDevices;
    QScrollBar* slider = midi ? m_midiVolume : m_waveVolume;
    const std::uint32_t volume = m_soundController.switchDevice(
        midi ? VolumeDevices::Kind::Midi : VolumeDevices::Kind::Wave, combo->currentText());
    {
        const QSignalBlocker blocker(slider);
        slider->setValue(SoundController::volumeToSlider(volume));
    }
    if (!m_filling) {
        emit devicesChosen(midiDevice(), waveDevice());
    }
}

QString SoundTab::midiDevice() const
{
    return m_midiDevices->currentText();
}

QString SoundTab::waveDevice() const
{
    return m_waveDevices->currentText();
}

QWidget* SoundTab::soundFileBox() const
{
    return m_soundFile;
}

} // namespace kvx
