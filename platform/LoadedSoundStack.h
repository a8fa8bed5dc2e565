#pragma once

#include "platform/SoundStack.h"

#include <QLibrary>
#include <QStringList>

#include <memory>

namespace kvx {

// The sound stack of the sound module, loaded by the first call that needs a
// sound or a device. Before that nothing is open: the channel's status is ""
// and stopping or closing does nothing, so the alarm tick's questions load
// nothing. A module that is missing or refuses to load leaves the program
// running and silent: every sound fails as an unplayable file does (the ring
// then beeps), and the reason is written once to standard error.
class LoadedSoundStack final {
public:
    // The module is tried at each path in turn.
    explicit LoadedSoundStack(QStringList modulePaths);
    ~LoadedSoundStack();
    LoadedSoundStack(const LoadedSoundStack&) = delete;
    LoadedSoundStack& operator=(const LoadedSoundStack&) = delete;

    // Where the program looks for its module: beside the program (a build
    // tree), then in the installation's private library folder.
    static QStringList modulePaths(const QString& programDirectory);

    MediaChannel& media();
    WaveFallback& fallback();
    VolumeDevices& volumes();
    bool loaded() const { return m_stack != nullptr; }

private:
    class Media;
    class Fallback;
    class Volumes;

    SoundStack* stack(); // loads on the first call; null when it cannot
    SoundStack* loadedStack() const { return m_stack.get(); }

    QStringList m_paths;
    QLibrary m_library;
    bool m_tried = false;
    std::unique_ptr<SoundStack> m_stack;
    std::unique_ptr<Media> m_media;
    std::unique_ptr<Fallback> m_fallback;
    std::unique_ptr<Volumes> m_volumes;
};

} // namespace kvx
