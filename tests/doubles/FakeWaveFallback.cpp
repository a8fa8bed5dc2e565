#include "doubles/FakeWaveFallback.h"

namespace kvx {

FakeWaveFallback::FakeWaveFallback(QStringList* log)
    : m_log(log ? log : &m_ownLog)
{
}

bool FakeWaveFallback::play(const QString& path)
{
    m_log->append(QStringLiteral("wave play ") + path);
    if (isPlaying() || path.isEmpty() || m_unplayable.contains(path)) {
        return false;
    }
    m_playing = path;
    return true;
}

void FakeWaveFallback::stop()
{
    m_log->append(QStringLiteral("wave stop"));
    m_playing.clear();
}

} // namespace kvx
