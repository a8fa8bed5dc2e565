#include "resident/DeviceChooser.h"

#include "ResidentFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QTimer>

namespace kvx {
namespace {

QStringList items(const QComboBox* combo)
{
    QStringList texts;
    for (int i = 0; i < combo->count(); ++i) {
        texts << combo->itemText(i);
    }
    return texts;
}

TEST_F(ResidentTest, DeviceChooserOffersMidiDevicesWithAVolumeAndEveryWaveDevice)
{
    m_volumes.addDevice(Kind::Midi, QStringLiteral("No volume"), 0, false, false);
    m_volumes.addDevice(Kind::Midi, QStringLiteral("Second synth"), 0);
    DeviceChooser chooser(m_volumes, QStringLiteral("Second synth"));
    EXPECT_EQ(chooser.windowTitle(), QStringLiteral("Kalvendorix"));
    const auto* combo1 = chooser.findChild<QComboBox*>("Combo1");
    const auto* combo2 = chooser.findChild<QComboBox*>("Combo2");
    EXPECT_EQ(items(combo1), QStringList({"Kalvendorix MIDI", "Second synth"}));
    EXPECT_EQ(items(combo2), QStringList({"内蔵オーディオ", "HDMI"}));
    // Whatever was current while filling, both lists end on their first entry.
    EXPECT_EQ(chooser.midiDevice(), QStringLiteral("Kalvendorix MIDI"));
    EXPECT_EQ(chooser.waveDevice(), QStringLiteral("内蔵オーディオ"));
}

TEST_F(ResidentTest, DeviceChoiceIsWrittenIntoBothSettingsFilesOnClosing)
{
    QTemporaryDir elsewhere;
    const std::string dataPath = elsewhere.path().toStdString() + "/mine.dat";
    writeMain("DATAPATH", dataPath);
    start();
    QTimer::singleShot(0, [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("Form5") && widget->isVisible()) {
                widget->findChild<QComboBox*>("Combo2")->setCurrentIndex(1);
                widget->close();
            }
        }
    });
    m_resident->chooseSoundDevices(nullptr);
    EXPECT_EQ(readMain("WAVENM"), "HDMI");
    EXPECT_EQ(readMain("MIDINM"), "Kalvendorix MIDI");
    EXPECT_EQ(ProfileFile(m_settings.dataSideFile()).readString(kSettingsSection, "WAVENM", ""), "HDMI");
    EXPECT_EQ(m_resident->sound().chosenWaveDevice(), QStringLiteral("HDMI"));
}

} // namespace
} // namespace kvx
