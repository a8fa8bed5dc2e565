#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <cstdint>
#include <optional>
#include <pulse/channelmap.h>
#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <pulse/volume.h>
#include <vector>

namespace kvx {

// A blocking client of the sound server for the few questions the program
// asks. Each call runs the client's own main loop until its answer arrives,
// and gives up when the time budget is spent, so a missing or hung server
// costs at most that budget. After a failure the next call connects anew.
class PulseConnection {
public:
    struct Sink {
        std::uint32_t index = 0;
        QString description;
        pa_cvolume volume{};
        pa_channel_map map{};
        bool muted = false;
    };

    explicit PulseConnection(
        QByteArray server = {}, std::chrono::milliseconds budget = std::chrono::milliseconds(1000));
    ~PulseConnection();

    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // The sinks in the server's order; nothing when the server cannot be reached.
    std::optional<std::vector<Sink>> sinks();
    bool setSinkVolume(std::uint32_t index, const pa_cvolume& volume);
    bool setSinkMute(std::uint32_t index, bool muted);

private:
    using Deadline = std::chrono::steady_clock::time_point;

    Deadline deadline() const { return std::chrono::steady_clock::now() + m_budget; }
    bool connect(Deadline deadline);
    bool finish(pa_operation* operation, Deadline deadline);
    bool iterate(Deadline deadline);
    void disconnect();

    QByteArray m_server;
    std::chrono::milliseconds m_budget;
    pa_mainloop* m_loop = nullptr;
    pa_context* m_context = nullptr;
};

} // namespace kvx
