#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;

namespace kvx {

struct AlarmRecord;

// The window through which a fired alarm shows itself (`Form2`): the message in
// the alarm's own font and colours, the bell banner and the minute of ringing.
// It stays above all other windows; "OK" and the close box stop the alarm.
class NotificationWindow : public QWidget {
    Q_OBJECT

public:
    explicit NotificationWindow(QWidget* parent = nullptr);

    struct Appearance {
        QString message;
        QString fontName;
        int fontSize = 12;
        bool bold = false;
        bool italic = false;
        bool underline = false;
        bool strikeOut = false;
        std::int32_t textColor = 0;
        std::int32_t backColor = 0;
    };
    static Appearance appearanceOf(const AlarmRecord& alarm);

    // Fills the window for a fire: the main bell shows "■本鈴■" white on black,
    // a pre-alarm an empty banner in the alarm's background colour.
    void fillForAlarm(const Appearance& appearance, bool mainBell, const QString& time);
    // The notice of an alarm whose minute passed while the machine slept: the
    // words "スリープ中に過ぎたアラーム" above its message, its time, no banner.
    void fillForMissed(const Appearance& appearance, const QString& time);
    // The editor's preview of an alarm not yet saved.
    void showPreview(const Appearance& appearance, const QString& time);
    // Hides and shows again on top, with the focus on the harmless button.
    void present();
    void bringToFront();

    QLabel* message() const { return m_messageBox; }
    QLabel* banner() const { return m_banner; }
    QLabel* timeBox() const { return m_timeBox; }
    QPushButton* okButton() const { return m_okButton; }
    QPushButton* focusButton() const { return m_focusButton; }
    QPushButton* snoozeButton() const { return m_snoozeButton; }
    QComboBox* snoozeChoice() const { return m_snoozeChoice; }

    // The minutes the snooze list shows; a value not in the list shows the default.
    void setSnoozeMinutes(int minutes);
    int snoozeMinutes() const;

signals:
    // The stop action of the alarm service: "OK" and closing the window.
    void stopRequested();
    // "スヌーズ": the ring stops and comes again after the chosen minutes.
    void snoozeRequested(int minutes);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyAppearance(const Appearance& appearance);
    void announce(const QString& bell, const QString& time, const QString& message);
    static void styleBox(QLabel* box, const QString& text, const QColor& fore, const QColor& back);
    void keepOnTop();

    QPushButton* m_focusButton;
    QPushButton* m_okButton;
    QPushButton* m_snoozeButton;
    QComboBox* m_snoozeChoice;
    QLabel* m_messageBox;
    QLabel* m_banner;
    QLabel* m_timeBox;
};

} // namespace kvx
