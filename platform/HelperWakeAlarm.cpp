#include "platform/HelperWakeAlarm.h"

#include <QDir>
#include <QFileInfo>

#include <utility>

namespace kvx {

namespace {

const QString kHelperName = QStringLiteral("kalvendorix-wake");
constexpr int kStartBoundMs = 3000;
constexpr int kEndBoundMs = 1000;

QString unavailable(const QString& why)
{
    return QStringLiteral("この環境ではスリープから起こせません：%1").arg(why);
}

// The helper's own words (the system's text for the timer's failure), as the user reads them.
QString reasonOf(const QByteArray& said)
{
    const QString text = QString::fromLocal8Bit(said).trimmed();
    if (text.contains(QLatin1String("not permitted"))) {
        return QStringLiteral("補助プログラムに権限（CAP_WAKE_ALARM）がありません");
    }
    if (text.contains(QLatin1String("not supported")) || text.contains(QLatin1String("Invalid argument"))) {
        return QStringLiteral("スリープから起こせる時計（RTC）がありません");
    }
    return text.isEmpty() ? QStringLiteral("補助プログラムが始まりませんでした") : text;
}

} // namespace

HelperWakeAlarm::HelperWakeAlarm(QStringList helperPaths)
    : m_paths(std::move(helperPaths))
{
    QObject::connect(&m_helper, &QProcess::finished, &m_helper, [this] {
        m_armedKnown = false;
        if (!m_stopping && m_ready) {
            ended();
        }
    });
}

HelperWakeAlarm::~HelperWakeAlarm()
{
    HelperWakeAlarm::stop();
}

QStringList HelperWakeAlarm::helperPaths(const QString& programDirectory)
{
    const QDir program(programDirectory);
    return {program.filePath(kHelperName),
        QDir::cleanPath(program.filePath(QStringLiteral("../lib/kalvendorix/") + kHelperName))};
}

std::optional<QString> HelperWakeAlarm::start()
{
    if (running()) {
        return std::nullopt;
    }
    QString helper;
    for (const QString& path : m_paths) {
        if (QFileInfo(path).isExecutable()) {
            helper = path;
            break;
        }
    }
    if (helper.isEmpty()) {
        return unavailable(QStringLiteral("補助プログラム %1 が見つかりません").arg(kHelperName));
    }
    m_armedKnown = false;
    m_ready = false;
    m_helper.setProgram(helper);
    m_helper.setArguments({});
    m_helper.setProcessChannelMode(QProcess::SeparateChannels);
    m_helper.start();
    if (!m_helper.waitForStarted(kStartBoundMs)) {
        return unavailable(m_helper.errorString());
    }
    // "ready" once its timer exists; otherwise it ends saying why.
    while (!m_helper.canReadLine() && m_helper.state() == QProcess::Running) {
        if (!m_helper.waitForReadyRead(kStartBoundMs)) {
            break;
        }
    }
    if (m_helper.canReadLine() && m_helper.readLine().trimmed() == "ready") {
        m_ready = true;
        return std::nullopt;
    }
    m_helper.waitForFinished(kEndBoundMs);
    const QByteArray said = m_helper.readAllStandardError();
    stop();
    return unavailable(reasonOf(said));
}

void HelperWakeAlarm::arm(std::optional<std::int64_t> epochSeconds)
{
    if (!running() || (m_armedKnown && m_armed == epochSeconds)) {
        return;
    }
    m_armed = epochSeconds;
    m_armedKnown = true;
    const QByteArray line = epochSeconds ? QByteArray::number(static_cast<qint64>(*epochSeconds)) : "off";
    m_helper.write(line + '\n');
    // Its answers are for whoever reads them; nobody waits for them.
    m_helper.readAllStandardOutput();
}

void HelperWakeAlarm::stop()
{
    if (m_helper.state() == QProcess::NotRunning) {
        return;
    }
    // The end of its input ends it.
    m_stopping = true;
    m_helper.closeWriteChannel();
    if (!m_helper.waitForFinished(kEndBoundMs)) {
        m_helper.kill();
        m_helper.waitForFinished(kEndBoundMs);
    }
    m_stopping = false;
    m_ready = false;
    m_armedKnown = false;
}

bool HelperWakeAlarm::running() const
{
    return m_helper.state() == QProcess::Running;
}

qint64 HelperWakeAlarm::processId() const
{
    return running() ? m_helper.processId() : 0;
}

} // namespace kvx
