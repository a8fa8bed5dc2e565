// The floor under the resident program's start-up: a bare Qt Widgets program
// that adds an icon to the notification area and does nothing else. Measured
// by bench/resident_startup.sh like the program itself, it shows what Qt, its
// platform plugin and the X server cost before any of the program's own work.
#include <QApplication>
#include <QFile>
#include <QIcon>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

#include <csignal>
#include <unistd.h>

int main(int argc, char* argv[])
{
    std::signal(SIGTERM, [](int) { _exit(0); });
    const QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap image(16, 16);
    image.fill(Qt::darkBlue);
    QSystemTrayIcon icon{QIcon(image)};
    icon.show();
    // Resident, as the program reports it: icon added, event loop running.
    QTimer::singleShot(0, [] {
        QFile ready(qEnvironmentVariable("KVX_READY_FILE"));
        if (ready.open(QIODevice::WriteOnly)) {
            ready.write(QByteArray::number(QCoreApplication::applicationPid()));
        }
    });
    return QApplication::exec();
}
