#pragma once

#include "platform/TrayIcon.h"

#include <QIcon>

namespace kvx {

// The program's own images, drawn for 16 and 32 pixels (the tray, window
// titles and the About box).
QIcon applicationIcon();
QIcon stopIcon();
QIcon trayImageIcon(TrayIcon::Image image);
// The picture buttons' images by key: "OPEN", "CHECK", "EDIT", "DELETE".
QIcon buttonIcon(const QString& key);

} // namespace kvx
