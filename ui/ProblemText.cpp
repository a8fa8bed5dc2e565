#include "ui/ProblemText.h"

#include <QStringList>

namespace kvx {

QString problemText(
    const QString& headline, const std::string& path, const std::string& reason, const QString& aftermath)
{
    QStringList lines{headline};
    if (!path.empty()) {
        lines << QString::fromStdString(path);
    }
    if (!reason.empty()) {
        lines << QString::fromStdString(reason);
    }
    if (!aftermath.isEmpty()) {
        lines << aftermath;
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace kvx
