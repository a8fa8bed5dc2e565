#include "platform/LoadedSoundStack.h"

#include <QDir>
#include <QFileInfo>

#include <iostream>
#include <utility>

namespace kvx {

namespace {

const QString kModuleName = QStringLiteral("kalvendorix-sound.so");

} // namespace

class LoadedSoundStack::Media final : public MediaChannel {
public:
    explicit Media(LoadedSoundStack& owner)
        : m_owner(owner)
    {
    }

    MediaStatus status() override
    {
        SoundStack* stack = m_owner.loadedStack();
        return stack == nullptr ? MediaStatus::Closed : stack->media().status();
    }
    bool open(const QString& path) override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->media().open(path);
    }
    bool play() override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->media().play();
    }
    bool playFromStart() override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->media().playFromStart();
    }
    void stop() override
    {
        if (SoundStack* stack = m_owner.loadedStack()) {
            stack->media().stop();
        }
    }
    void close() override
    {
        if (SoundStack* stack = m_owner.loadedStack()) {
            stack->media().close();
        }
    }
    // A module that cannot load is as prepared as it will ever be.
    bool prepared() const override
    {
        SoundStack* stack = m_owner.loadedStack();
        return stack != nullptr ? stack->media().prepared() : m_owner.m_tried;
    }
    void prepare() override
    {
        if (SoundStack* stack = m_owner.stack()) {
            stack->media().prepare();
        }
    }

private:
    LoadedSoundStack& m_owner;
};

class LoadedSoundStack::Fallback final : public WaveFallback {
public:
    explicit Fallback(LoadedSoundStack& owner)
        : m_owner(owner)
    {
    }

    bool play(const QString& path) override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->fallback().play(path);
    }
    void stop() override
    {
        if (SoundStack* stack = m_owner.loadedStack()) {
            stack->fallback().stop();
        }
    }

private:
    LoadedSoundStack& m_owner;
};

class LoadedSoundStack::Volumes final : public VolumeDevices {
public:
    explicit Volumes(LoadedSoundStack& owner)
        : m_owner(owner)
    {
    }

    QList<Device> devices(Kind kind) override
    {
        SoundStack* stack = m_owner.stack();
        return stack == nullptr ? QList<Device>() : stack->volumes().devices(kind);
    }
    bool volume(Kind kind, int index, std::uint32_t& packed) override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->volumes().volume(kind, index, packed);
    }
    bool setVolume(Kind kind, int index, std::uint32_t packed) override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->volumes().setVolume(kind, index, packed);
    }
    bool muted(Kind kind, int index) override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->volumes().muted(kind, index);
    }
    bool setMuted(Kind kind, int index, bool muted) override
    {
        SoundStack* stack = m_owner.stack();
        return stack != nullptr && stack->volumes().setMuted(kind, index, muted);
    }

private:
    LoadedSoundStack& m_owner;
};

LoadedSoundStack::LoadedSoundStack(QStringList modulePaths)
    : m_paths(std::move(modulePaths))
    , m_media(std::make_unique<Media>(*this))
    , m_fallback(std::make_unique<Fallback>(*this))
    , m_volumes(std::make_unique<Volumes>(*this))
{
}

// The proxies go first, then the stack; the module itself stays mapped
// (GStreamer's libraries cannot be unloaded).
LoadedSoundStack::~LoadedSoundStack() = default;

QStringList LoadedSoundStack::modulePaths(const QString& programDirectory)
{
    const QDir program(programDirectory);
    return {program.filePath(kModuleName),
        QDir::cleanPath(program.filePath(QStringLiteral("../lib/kalvendorix/") + kModuleName))};
}

MediaChannel& LoadedSoundStack::media()
{
    return *m_media;
}

WaveFallback& LoadedSoundStack::fallback()
{
    return *m_fallback;
}

VolumeDevices& LoadedSoundStack::volumes()
{
    return *m_volumes;
}

SoundStack* LoadedSoundStack::stack()
{
    if (m_tried) {
        return m_stack.get();
    }
    m_tried = true;
    QString reasons;
    for (const QString& path : std::as_const(m_paths)) {
        if (!QFileInfo::exists(path)) {
            continue;
        }
        m_library.setFileName(path);
        if (!m_library.load()) {
            reasons += QStringLiteral("\n  ") + m_library.errorString();
            continue;
        }
        const auto make = reinterpret_cast<MakeSoundStack>(m_library.resolve(kMakeSoundStackSymbol));
        if (make == nullptr) {
            reasons += QStringLiteral("\n  ") + m_library.errorString();
            continue;
        }
        m_stack.reset(make());
        return m_stack.get();
    }
    if (reasons.isEmpty()) {
        reasons = QStringLiteral("\n  ") + m_paths.join(QStringLiteral(", "))
            + QStringLiteral(": 見つかりません");
    }
    std::cerr << "kalvendorix: 音声モジュールを読み込めないため、音は鳴りません:" << reasons.toStdString()
              << "\n";
    return nullptr;
}

} // namespace kvx
