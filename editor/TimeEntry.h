#pragma once

#include <QWidget>

#include <array>
#include <string>

class QLineEdit;
class QPushButton;
class QSpinBox;

namespace kvx {

// One time of the editor: four one-digit boxes HH:MM, a spinner for the hours
// and one for the minutes, and the button that puts the focus on the first box.
// Boxes are numbered by their place in the editor's focus order (`firstBox`..+3).
class TimeEntry : public QWidget {
    Q_OBJECT

public:
    struct Names {
        std::array<const char*, 4> boxes;
        std::array<const char*, 2> spinners;
        const char* button;
        QString caption; // "開始" / "終了"
    };

    TimeEntry(int firstBox, const Names& names, QWidget* parent = nullptr);

    std::array<std::string, 4> digits() const;
    void setDigits(const std::array<std::string, 4>& digits);
    void setTime(int hours, int minutes);
    QLineEdit* box(int place) const { return m_boxes[static_cast<std::size_t>(place)]; }
    // Writes one box as the keypad does, keeping the spinners in step.
    void writeBox(int place, const QString& text);

signals:
    // A box got the focus (the keypad types there next).
    void boxFocused(int box);
    // A digit was accepted in `box`: the focus moves on.
    void accepted(int box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void boxEdited(int place);
    void spinnerChanged(int part, int value);
    void syncSpinner(int part);

    int m_firstBox;
    std::array<QLineEdit*, 4> m_boxes{};
    std::array<QSpinBox*, 2> m_spinners{};
    QPushButton* m_button;
};

} // namespace kvx
