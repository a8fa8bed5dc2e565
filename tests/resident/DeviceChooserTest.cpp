#include "resident/DeviceChooser.h"

#include "ResidentFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
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
    m_resident->soundDevices().choose(nullptr);
    EXPECT_EQ(readMain("WAVENM"), "HDMI");
    EXPECT_EQ(readMain("MIDINM"), "Kalvendorix MIDI");
    EXPECT_EQ(ProfileFile(m_settings.dataSideFile()).readString(kSettingsSection, "WAVENM", ""), "HDMI");
    EXPECT_EQ(m_resident->sound().chosenWaveDevice(), QStringLiteral("HDMI"));
}

TEST_F(ResidentTest, DeviceChooserClosesByItsOkButtonAndIsNotAskedAgainOnceChosen)
{
    start();
    writeMain("MIDINM", "");
    int shown = 0;
    const auto pressOk = [&shown] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (widget->objectName() == QLatin1String("Form5") && widget->isVisible()) {
                ++shown;
                auto* ok = widget->findChild<QPushButton*>("Command1");
                ASSERT_NE(ok, nullptr);
                EXPECT_EQ(ok->text(), QStringLiteral("OK"));
                QTest::mouseClick(ok, Qt::LeftButton);
            }
        }
    };
    QTimer::singleShot(0, pressOk);
    m_resident->soundDevices().choose(nullptr);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(readMain("MIDINM"), "Kalvendorix MIDI");
    // Chosen: the next editor opens without the chooser.
    QTimer::singleShot(0, pressOk);
    m_resident->soundDevices().choose(nullptr);
    QCoreApplication::processEvents();
    EXPECT_EQ(shown, 1);
}

TEST_F(ResidentTest, DeviceChooserSaysWhenAListIsEmpty)
{
    FakeVolumeDevices none;
    none.addDevice(Kind::Midi, QStringLiteral("Synth"), 0);
    DeviceChooser chooser(none, QString());
    chooser.show();
    auto* combo2 = chooser.findChild<QComboBox*>("Combo2");
    EXPECT_EQ(combo2->placeholderText(), QStringLiteral("WAVEデバイスが見つかりません"));
    EXPECT_EQ(combo2->currentIndex(), -1);
    EXPECT_FALSE(combo2->isEnabled());
    EXPECT_TRUE(chooser.findChild<QComboBox*>("Combo1")->isEnabled());
    EXPECT_EQ(chooser.waveDevice(), QString());
}

} // namespace
} // namespace kvx
