#pragma once

#include <QWidget>

namespace kvx {

// The on-screen keypad `Command2` "1".."9","0": button i types the digit (i + 1) mod 10.
class Keypad : public QWidget {
    Q_OBJECT

public:
    explicit Keypad(QWidget* parent = nullptr);

signals:
    void digitPressed(int digit);
};

} // namespace kvx
