#include "editor/Keypad.h"

#include "ui/Controls.h"

#include <QGridLayout>
#include <QPushButton>

namespace kvx {

Keypad::Keypad(QWidget* parent)
    : QWidget(parent)
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    for (int index = 0; index < 10; ++index) {
        const int digit = (index + 1) % 10;
        const QString caption = QString::number(digit);
        const QByteArray name = "Command2_" + QByteArray::number(index);
        auto* button = named(new QPushButton(caption), name.constData(), QStringLiteral("数字 ") + caption);
        button->setFixedSize(26, 22);
        button->setFocusPolicy(Qt::NoFocus);
        connect(button, &QPushButton::clicked, this, [this, digit] { emit digitPressed(digit); });
        grid->addWidget(button, index / 5, index % 5);
    }
}

} // namespace kvx
