#include "tests/blackbox/DesktopProbe.h"

#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

namespace kvx::test {

namespace {

constexpr int kToolBoundMs = 10000;

} // namespace

QString DesktopProbe::run(const QString& program, const QStringList& arguments)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // The tools print window titles and stream properties in UTF-8.
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    tool.setProcessEnvironment(env);
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolBoundMs)) {
        tool.kill();
        tool.waitForFinished(kToolBoundMs);
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput());
}

std::optional<QString> DesktopProbe::windowWithTitle(const QString& title)
{
    // xwininfo -tree lists each window as `0x1a00005 "title": ("name" "class") ...`.
    const QString tree = run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    const QString quoted = QLatin1Char('"') + title + QStringLiteral("\":");
    for (const QString& line : tree.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        const qsizetype space = trimmed.indexOf(QLatin1Char(' '));
        if (space > 0 && trimmed.mid(space + 1).startsWith(quoted)) {
            return trimmed.left(space);
        }
    }
    return std::nullopt;
}

bool DesktopProbe::isViewable(const QString& windowId)
{
    return run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), windowId})
        .contains(QStringLiteral("Map State: IsViewable"));
}

int DesktopProbe::playingStreamsOf(qint64 pid)
{
    const QString list
        = run(QStringLiteral("pactl"), {QStringLiteral("list"), QStringLiteral("sink-inputs")});
    const QString ownedBy = QStringLiteral("application.process.id = \"%1\"").arg(pid);
    int playing = 0;
    for (const QString& stream : list.split(QStringLiteral("Sink Input #"), Qt::SkipEmptyParts)) {
        if (stream.contains(ownedBy) && stream.contains(QStringLiteral("Corked: no"))) {
            ++playing;
        }
    }
    return playing;
}

} // namespace kvx::test
