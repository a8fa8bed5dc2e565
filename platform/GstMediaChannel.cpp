#include "platform/GstMediaChannel.h"

#include "platform/SoftwareMidiDevice.h"

#include <QFile>
#include <QFileInfo>

#include <atomic>
#include <chrono>
#include <gst/gst.h>
#include <memory>

namespace kvx {

namespace {

// playbin's GstPlayFlags: audio only (a cover picture in an MP3 must not ask
// for a video output), with the volume applied inside the pipeline.
constexpr guint kPlayFlagAudio = 0x2;
constexpr guint kPlayFlagSoftVolume = 0x10;

// Long enough for the synthesizer to load a full General MIDI sound font.
constexpr gint64 kStartTimeoutNs = 3'000'000'000;

const char* const kSoundFonts[] = {
    "/usr/share/sounds/sf2/default-GM.sf2",
    "/usr/share/sounds/sf2/FluidR3_GM.sf2",
    "/usr/share/sounds/sf2/TimGM6mb.sf2",
};

struct BusDeleter {
    void operator()(GstBus* bus) const { gst_object_unref(bus); }
};
using BusPtr = std::unique_ptr<GstBus, BusDeleter>;

BusPtr busOf(GstElement* element)
{
    return BusPtr(gst_element_get_bus(element));
}

bool isMidiFile(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("mid") || suffix == QLatin1String("midi")
        || suffix == QLatin1String("rmi");
}

const char* soundFont()
{
    for (const char* path : kSoundFonts) {
        if (QFileInfo::exists(QString::fromLatin1(path))) {
            return path;
        }
    }
    return nullptr;
}

// The fluidsynth decoder does not look for a sound font on its own in every
// version; give it the system's General MIDI font when it is created.
void onElementSetup(GstElement*, GstElement* element, gpointer)
{
    GstElementFactory* factory = gst_element_get_factory(element);
    if (!factory) {
        return;
    }
    const gchar* name = gst_plugin_feature_get_name(reinterpret_cast<GstPluginFeature*>(factory));
    if (g_strcmp0(name, "fluiddec") != 0) {
        return;
    }
    if (const char* font = soundFont()) {
        g_object_set(element, "soundfont", font, nullptr);
    }
}

} // namespace

GstMediaChannel::GstMediaChannel(SoftwareMidiDevice* midi, QObject* parent)
    : QObject(parent)
    , m_midi(midi)
{
    if (m_midi) {
        connect(m_midi, &SoftwareMidiDevice::gainChanged, this, &GstMediaChannel::applyVolume);
    }
}

GstMediaChannel::~GstMediaChannel()
{
    close();
}

namespace {

// Set once GStreamer's initialisation has run, whether it succeeded or not.
std::atomic<bool> mediaInitialised{false};

} // namespace

bool GstMediaChannel::initMedia()
{
    static const bool ready = [] {
        GError* error = nullptr;
        const bool ok = gst_init_check(nullptr, nullptr, &error);
        if (error) {
            g_error_free(error);
        }
        mediaInitialised = true;
        return ok;
    }();
    return ready;
}

bool GstMediaChannel::prepared() const
{
    return mediaInitialised;
}

void GstMediaChannel::prepare()
{
    initMedia();
}

MediaStatus GstMediaChannel::status()
{
    if (!m_playbin) {
        return MediaStatus::Closed;
    }
    drainBus();
    return m_playing && !m_ended ? MediaStatus::Playing : MediaStatus::Stopped;
}

bool GstMediaChannel::open(const QString& path)
{
    // Like the one alias of a media command channel: open only when closed.
    if (m_playbin || !QFileInfo(path).isFile() || !initMedia()) {
        return false;
    }
    m_playbin = gst_element_factory_make("playbin", "mymedia");
    if (!m_playbin) {
        return false;
    }
    gst_object_ref_sink(m_playbin);

    gchar* uri
        = gst_filename_to_uri(QFile::encodeName(QFileInfo(path).absoluteFilePath()).constData(), nullptr);
    g_object_set(m_playbin, "uri", uri, "flags", kPlayFlagAudio | kPlayFlagSoftVolume, nullptr);
    g_free(uri);
    g_signal_connect_data(m_playbin, "element-setup", reinterpret_cast<GCallback>(&onElementSetup), nullptr,
        nullptr, GConnectFlags(0));
    m_isMidi = isMidiFile(path);
    applyVolume();

    // Start decoding now so that a file that cannot be played shows up by the
    // time it is asked to play.
    if (gst_element_set_state(m_playbin, GST_STATE_PAUSED) == GST_STATE_CHANGE_FAILURE) {
        m_failed = true;
    }
    return true;
}

bool GstMediaChannel::play()
{
    if (!m_playbin) {
        return false;
    }
    drainBus();
    if (m_failed) {
        return false;
    }
    if (m_ended) {
        // At the end of the file playing goes on nowhere: it stays stopped.
        m_playing = true;
        return true;
    }
    if (gst_element_set_state(m_playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        m_failed = true;
        return false;
    }
    m_playing = true;
    return m_prerolled || waitUntilPlaying();
}

bool GstMediaChannel::playFromStart()
{
    if (!m_playbin) {
        return false;
    }
    drainBus();
    if (m_failed) {
        return false;
    }
    const auto flags = static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT);
    if (!m_prerolled || !gst_element_seek_simple(m_playbin, GST_FORMAT_TIME, flags, 0)) {
        return restart();
    }
    // An end of stream still queued belongs to the pass that the seek cut off.
    drainBus(true);
    m_ended = false;
    if (gst_element_set_state(m_playbin, GST_STATE_PLAYING) == GST_STATE_CHANGE_FAILURE) {
        m_failed = true;
        return false;
    }
    m_playing = true;
    return true;
}

void GstMediaChannel::stop()
{
    if (!m_playbin) {
        return;
    }
    drainBus();
    gst_element_set_state(m_playbin, GST_STATE_PAUSED);
    m_playing = false;
}

void GstMediaChannel::close()
{
    if (!m_playbin) {
        return;
    }
    gst_element_set_state(m_playbin, GST_STATE_NULL);
    gst_object_unref(m_playbin);
    m_playbin = nullptr;
    m_isMidi = false;
    m_playing = false;
    m_ended = false;
    m_failed = false;
    m_prerolled = false;
}

double GstMediaChannel::outputVolume() const
{
    if (!m_playbin) {
        return 0.0;
    }
    gdouble volume = 0.0;
    g_object_get(m_playbin, "volume", &volume, nullptr);
    return volume;
}

void GstMediaChannel::applyVolume()
{
    if (!m_playbin) {
        return;
    }
    gdouble volume = 1.0;
    if (m_isMidi) {
        volume = kSynthMakeupGain * (m_midi ? m_midi->gain() : 1.0);
    }
    g_object_set(m_playbin, "volume", volume, nullptr);
}

void GstMediaChannel::drainBus(bool dropEndOfStream)
{
    BusPtr bus = busOf(m_playbin);
    while (GstMessage* message = gst_bus_pop(bus.get())) {
        handleMessage(message, dropEndOfStream);
        gst_message_unref(message);
    }
}

void GstMediaChannel::handleMessage(GstMessage* message, bool dropEndOfStream)
{
    switch (message->type) {
    case GST_MESSAGE_EOS:
        if (!dropEndOfStream) {
            m_ended = true;
        }
        break;
    case GST_MESSAGE_ERROR:
        m_failed = true;
        m_ended = true;
        break;
    case GST_MESSAGE_ASYNC_DONE:
        m_prerolled = true;
        break;
    default:
        break;
    }
}

// Waits, boundedly, until the file is decoding (or has already ended) or has
// failed. A file still starting when the time is up counts as playing.
bool GstMediaChannel::waitUntilPlaying()
{
    BusPtr bus = busOf(m_playbin);
    const auto types
        = static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR | GST_MESSAGE_ASYNC_DONE);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::nanoseconds(kStartTimeoutNs);
    while (!m_failed && !m_prerolled && !m_ended) {
        const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        GstMessage* message
            = gst_bus_timed_pop_filtered(bus.get(), static_cast<GstClockTime>(left.count()), types);
        if (!message) {
            break;
        }
        handleMessage(message, false);
        gst_message_unref(message);
    }
    return !m_failed;
}

// Starts the file over from a fresh state, for when it cannot seek.
bool GstMediaChannel::restart()
{
    gst_element_set_state(m_playbin, GST_STATE_READY);
    drainBus(true);
    m_ended = false;
    m_prerolled = false;
    return play();
}

} // namespace kvx
