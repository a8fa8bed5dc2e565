#include "ui/WindowPlacement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kvx {

void centreOnScreen(QWidget& window)
{
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        screen = QGuiApplication::primaryScreen();
    }
    if (screen == nullptr) {
        return;
    }
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
}

void placeByFormFlag(QWidget& window, const std::string& formFlag)
{
    const QScreen* screen = window.screen() != nullptr ? window.screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr || (formFlag != "2" && formFlag != "3")) {
        centreOnScreen(window);
        return;
    }
    const QRect area = screen->availableGeometry();
    window.move(
        formFlag == "2" ? area.left() : area.right() + 1 - window.frameGeometry().width(), area.top());
}

} // namespace kvx
