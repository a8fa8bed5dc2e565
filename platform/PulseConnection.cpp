#include "platform/PulseConnection.h"

#include <pulse/introspect.h>
#include <pulse/operation.h>
#include <utility>

namespace kvx {

namespace {

struct SinkQuery {
    std::vector<PulseConnection::Sink> sinks;
    bool done = false;
};

void onSinkInfo(pa_context*, const pa_sink_info* info, int eol, void* userdata)
{
    auto* query = static_cast<SinkQuery*>(userdata);
    if (eol != 0) {
        query->done = eol > 0;
        return;
    }
    PulseConnection::Sink sink;
    sink.index = info->index;
    sink.description = QString::fromUtf8(info->description ? info->description : info->name);
    sink.volume = info->volume;
    sink.map = info->channel_map;
    sink.muted = info->mute != 0;
    query->sinks.push_back(sink);
}

void onSuccess(pa_context*, int success, void* userdata)
{
    *static_cast<bool*>(userdata) = success != 0;
}

} // namespace

PulseConnection::PulseConnection(QByteArray server, std::chrono::milliseconds budget)
    : m_server(std::move(server))
    , m_budget(budget)
{
}

PulseConnection::~PulseConnection()
{
    disconnect();
}

std::optional<std::vector<PulseConnection::Sink>> PulseConnection::sinks()
{
    const Deadline until = deadline();
    if (!connect(until)) {
        return std::nullopt;
    }
    SinkQuery query;
    if (!finish(pa_context_get_sink_info_list(m_context, &onSinkInfo, &query), until) || !query.done) {
        return std::nullopt;
    }
    return std::move(query.sinks);
}

bool PulseConnection::setSinkVolume(std::uint32_t index, const pa_cvolume& volume)
{
    const Deadline until = deadline();
    bool success = false;
    return connect(until)
        && finish(pa_context_set_sink_volume_by_index(m_context, index, &volume, &onSuccess, &success), until)
        && success;
}

bool PulseConnection::setSinkMute(std::uint32_t index, bool muted)
{
    const Deadline until = deadline();
    bool success = false;
    return connect(until)
        && finish(
            pa_context_set_sink_mute_by_index(m_context, index, muted ? 1 : 0, &onSuccess, &success), until)
        && success;
}

bool PulseConnection::connect(Deadline deadline)
{
    if (m_context && pa_context_get_state(m_context) == PA_CONTEXT_READY) {
        return true;
    }
    disconnect();
    m_loop = pa_mainloop_new();
    m_context = pa_context_new(pa_mainloop_get_api(m_loop), "Kalvendorix");
    // Never start a server of our own: with none running there are no devices.
    const char* server = m_server.isEmpty() ? nullptr : m_server.constData();
    if (!m_context || pa_context_connect(m_context, server, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        disconnect();
        return false;
    }
    for (;;) {
        const pa_context_state_t state = pa_context_get_state(m_context);
        if (state == PA_CONTEXT_READY) {
            return true;
        }
        if (!PA_CONTEXT_IS_GOOD(state) || !iterate(deadline)) {
            disconnect();
            return false;
        }
    }
}

bool PulseConnection::finish(pa_operation* operation, Deadline deadline)
{
    if (!operation) {
        disconnect();
        return false;
    }
    bool ok = true;
    while (pa_operation_get_state(operation) == PA_OPERATION_RUNNING) {
        if (!iterate(deadline)) {
            ok = false;
            break;
        }
    }
    ok = ok && pa_operation_get_state(operation) == PA_OPERATION_DONE;
    if (!ok) {
        pa_operation_cancel(operation);
    }
    pa_operation_unref(operation);
    if (!ok) {
        disconnect();
    }
    return ok;
}

// One pass of the main loop that waits no longer than the deadline allows.
bool PulseConnection::iterate(Deadline deadline)
{
    const auto left
        = std::chrono::duration_cast<std::chrono::microseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
        return false;
    }
    if (pa_mainloop_prepare(m_loop, static_cast<int>(left.count())) < 0) {
        return false;
    }
    if (pa_mainloop_poll(m_loop) < 0) {
        return false;
    }
    return pa_mainloop_dispatch(m_loop) >= 0;
}

void PulseConnection::disconnect()
{
    if (m_context) {
        pa_context_disconnect(m_context);
        pa_context_unref(m_context);
        m_context = nullptr;
    }
    if (m_loop) {
        pa_mainloop_free(m_loop);
        m_loop = nullptr;
    }
}

} // namespace kvx
