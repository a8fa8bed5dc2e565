#include "resident/DeviceChooser.h"

#include "platform/VolumeDevices.h"
#include "ui/Twips.h"
#include "ui/WindowPlacement.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>

namespace kvx {

DeviceChooser::DeviceChooser(VolumeDevices& devices, const QString& currentMidi, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Kalvendorix"));
    setModal(true);
    // Taller than the bare lists, for the OK button.
    setFixedSize(px(3960), px(1980));

    auto* label = new QLabel(QStringLiteral("サウンドデバイスを指定してください"), this);
    label->setGeometry(twipsRect(120, 90, 3720, 255));
    auto* midiLabel = new QLabel(QStringLiteral("MIDIデバイス"), this);
    midiLabel->setGeometry(twipsRect(120, 480, 1200, 255));
    auto* waveLabel = new QLabel(QStringLiteral("WAVEデバイス"), this);
    waveLabel->setGeometry(twipsRect(120, 960, 1200, 255));
    m_combo1 = new QComboBox(this);
    m_combo1->setObjectName(QStringLiteral("Combo1"));
    m_combo1->setGeometry(twipsRect(1320, 420, 2520, 330));
    m_combo2 = new QComboBox(this);
    m_combo2->setObjectName(QStringLiteral("Combo2"));
    m_combo2->setGeometry(twipsRect(1320, 900, 2520, 330));

    // Only MIDI devices whose volume can be read are offered.
    const auto midi = devices.devices(VolumeDevices::Kind::Midi);
    for (int i = 0; i < midi.size(); ++i) {
        std::uint32_t volume = 0;
        if (midi[i].supportsVolume && devices.volume(VolumeDevices::Kind::Midi, i, volume)) {
            m_combo1->addItem(midi[i].name);
            if (midi[i].name == currentMidi) {
                m_combo1->setCurrentIndex(m_combo1->count() - 1);
            }
        }
    }
    for (const auto& device : devices.devices(VolumeDevices::Kind::Wave)) {
        m_combo2->addItem(device.name);
    }
    m_combo1->setCurrentIndex(m_combo1->count() > 0 ? 0 : -1);
    m_combo2->setCurrentIndex(m_combo2->count() > 0 ? 0 : -1);
    // An empty list says so instead of showing nothing (no sound server, say).
    m_combo1->setPlaceholderText(QStringLiteral("MIDIデバイスが見つかりません"));
    m_combo2->setPlaceholderText(QStringLiteral("WAVEデバイスが見つかりません"));
    m_combo1->setEnabled(m_combo1->count() > 0);
    m_combo2->setEnabled(m_combo2->count() > 0);

    // Closes as the close box does: the selections are taken on every close.
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("Command1"));
    ok->setAccessibleName(QStringLiteral("OK"));
    ok->setGeometry(twipsRect(2760, 1440, 1080, 375));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    centreOnScreen(*this);
}

QString DeviceChooser::midiDevice() const
{
    return m_combo1->currentText();
}

QString DeviceChooser::waveDevice() const
{
    return m_combo2->currentText();
}

} // namespace kvx
