#include "doubles/FakeMediaChannel.h"

namespace kvx {

FakeMediaChannel::FakeMediaChannel(QStringList* log)
    : m_log(log ? log : &m_ownLog)
{
}

MediaStatus FakeMediaChannel::status()
{
    if (!m_open) {
        return MediaStatus::Closed;
    }
    return m_playing ? MediaStatus::Playing : MediaStatus::Stopped;
}

bool FakeMediaChannel::open(const QString& path)
{
    m_log->append(QStringLiteral("open ") + path);
    if (m_open || m_missing.contains(path)) {
        return false;
    }
    m_open = true;
    m_playing = false;
    m_path = path;
    return true;
}

bool FakeMediaChannel::play()
{
    return start(QStringLiteral("play"));
}

bool FakeMediaChannel::playFromStart()
{
    return start(QStringLiteral("play from 0"));
}

void FakeMediaChannel::stop()
{
    m_log->append(QStringLiteral("stop"));
    m_playing = false;
}

void FakeMediaChannel::close()
{
    m_log->append(QStringLiteral("close"));
    m_open = false;
    m_playing = false;
    m_path.clear();
}

void FakeMediaChannel::endPlayback()
{
    m_playing = false;
}

bool FakeMediaChannel::start(const QString& entry)
{
    m_log->append(entry);
    if (!m_open || m_unplayable.contains(m_path)) {
        return false;
    }
    m_playing = true;
    return true;
}

void FakeMediaChannel::prepare()
{
    m_log->append(QStringLiteral("prepare"));
    if (onPrepare) {
        onPrepare();
    }
    m_prepared = true;
}

} // namespace kvx
