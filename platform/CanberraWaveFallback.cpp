#include "platform/CanberraWaveFallback.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <canberra.h>

namespace kvx {

namespace {

// One context for the whole process, never destroyed: destroying a context
// unloads its output driver while a thread of that driver may still run,
// which crashes the program now and then.
ca_context* sharedContext()
{
    static ca_context* const context = [] {
        ca_context* created = nullptr;
        if (ca_context_create(&created) != CA_SUCCESS) {
            return static_cast<ca_context*>(nullptr);
        }
        ca_context_change_props(created, CA_PROP_APPLICATION_NAME, "Kalvendorix", nullptr);
        return created;
    }();
    return context;
}

std::uint32_t nextSoundId()
{
    static std::atomic<std::uint32_t> last{0};
    return ++last;
}

} // namespace

CanberraWaveFallback::CanberraWaveFallback()
    : m_soundId(nextSoundId())
{
}

bool CanberraWaveFallback::play(const QString& path)
{
    ca_context* context = sharedContext();
    if (!context || isPlaying()) {
        return false;
    }
    const QByteArray file = QFile::encodeName(QFileInfo(path).absoluteFilePath());
    // A one-off file: keep it out of the sound server's sample cache.
    return ca_context_play(context, m_soundId, CA_PROP_MEDIA_FILENAME, file.constData(),
               CA_PROP_CANBERRA_CACHE_CONTROL, "never", nullptr)
        == CA_SUCCESS;
}

void CanberraWaveFallback::stop()
{
    if (ca_context* context = sharedContext()) {
        ca_context_cancel(context, m_soundId);
    }
}

bool CanberraWaveFallback::isPlaying()
{
    int playing = 0;
    return ca_context_playing(sharedContext(), m_soundId, &playing) == CA_SUCCESS && playing != 0;
}

} // namespace kvx
