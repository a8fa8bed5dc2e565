#include "platform/AppIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The resources live in this static library; the linker keeps them only when
// they are registered by name, which has to happen outside any namespace.
static void registerIconResources()
{
    Q_INIT_RESOURCE(resources);
}

namespace kvx {

namespace {

QPixmap render(const QString& path, int size)
{
    QSvgRenderer renderer(path);
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    if (renderer.isValid()) {
        QPainter painter(&pixmap);
        renderer.render(&painter);
    }
    return pixmap;
}

// Each image has its own drawing for 16 pixels, where the 32-pixel lines would blur.
QIcon iconFrom(const QString& name)
{
    static const bool registered = (registerIconResources(), true);
    Q_UNUSED(registered);
    QIcon icon;
    icon.addPixmap(render(QStringLiteral(":/icons/%1-16.svg").arg(name), 16));
    for (const int size : {32, 48, 64}) {
        icon.addPixmap(render(QStringLiteral(":/icons/%1.svg").arg(name), size));
    }
    return icon;
}

} // namespace

QIcon applicationIcon()
{
    return iconFrom(QStringLiteral("kalvendorix"));
}

QIcon stopIcon()
{
    return iconFrom(QStringLiteral("stop"));
}

QIcon trayImageIcon(TrayIcon::Image image)
{
    return image == TrayIcon::Image::Stop ? stopIcon() : applicationIcon();
}

} // namespace kvx

namespace kvx {

QIcon buttonIcon(const QString& key)
{
    static const bool registered = (registerIconResources(), true);
    Q_UNUSED(registered);
    const QString path = QStringLiteral(":/icons/%1.svg").arg(key.toLower());
    QIcon icon;
    for (const int size : {16, 32}) {
        icon.addPixmap(render(path, size));
    }
    return icon;
}

} // namespace kvx
