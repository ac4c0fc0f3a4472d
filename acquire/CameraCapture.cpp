#include "acquire/CameraCapture.h"

#include <gst/app/gstappsink.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace tarvo {

namespace {

void ensureGst() {
    static std::once_flag once;
    std::call_once(once, [] { gst_init(nullptr, nullptr); });
}

// Devices found by the last listCameras(), each holding a reference.
struct KeptDevices {
    std::mutex mutex;
    std::vector<GstDevice*> devices;
    void clear() {
        for (GstDevice* d : devices) gst_object_unref(d);
        devices.clear();
    }
    ~KeptDevices() { clear(); }
};

KeptDevices& keptDevices() {
    static KeptDevices kept;
    return kept;
}

// Only errors are of interest; dropping everything else keeps an unwatched bus from growing
// for as long as the preview runs.
GstBusSyncReply keepErrorsOnly(GstBus*, GstMessage* message, gpointer) {
    return GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR ? GST_BUS_PASS : GST_BUS_DROP;
}

// RGB32 in memory order, so QImage can wrap the mapped buffer as it is.
constexpr const char* kRawCaps =
    G_BYTE_ORDER == G_LITTLE_ENDIAN ? "video/x-raw,format=BGRx" : "video/x-raw,format=xRGB";

QVariant toVariant(const GValue& v) {
    switch (G_VALUE_TYPE(&v)) {
        case G_TYPE_INT:
            return g_value_get_int(&v);
        case G_TYPE_UINT:
            return g_value_get_uint(&v);
        case G_TYPE_INT64:
            return qint64(g_value_get_int64(&v));
        case G_TYPE_UINT64:
            return quint64(g_value_get_uint64(&v));
        case G_TYPE_DOUBLE:
            return g_value_get_double(&v);
        case G_TYPE_FLOAT:
            return double(g_value_get_float(&v));
        case G_TYPE_BOOLEAN:
            return bool(g_value_get_boolean(&v));
        default:
            return {};
    }
}

bool adjustableType(GType t) {
    return t == G_TYPE_INT || t == G_TYPE_UINT || t == G_TYPE_INT64 || t == G_TYPE_UINT64 ||
           t == G_TYPE_DOUBLE || t == G_TYPE_FLOAT || t == G_TYPE_BOOLEAN;
}

}  // namespace

QStringList listCameras() {
    ensureGst();
    QStringList names;
    KeptDevices& kept = keptDevices();
    std::lock_guard lock(kept.mutex);
    kept.clear();
    GstDeviceMonitor* monitor = gst_device_monitor_new();
    gst_device_monitor_add_filter(monitor, "Video/Source", nullptr);
    if (gst_device_monitor_start(monitor)) {
        GList* devices = gst_device_monitor_get_devices(monitor);
        for (GList* l = devices; l; l = l->next) {
            auto* device = static_cast<GstDevice*>(l->data);
            gchar* name = gst_device_get_display_name(device);
            names << QString::fromUtf8(name ? name : "");
            g_free(name);
            kept.devices.push_back(device);  // the list's reference passes to `kept`
        }
        g_list_free(devices);
        gst_device_monitor_stop(monitor);
    }
    gst_object_unref(monitor);
    return names;
}

struct CameraStream::Impl {
    GstElement* pipeline = nullptr;  // owns the elements below
    GstElement* source = nullptr;
    GstElement* capsfilter = nullptr;
    GstElement* sink = nullptr;
    GstElement* adjustable = nullptr;  // the element whose properties Filter... shows

    mutable std::mutex mutex;
    std::condition_variable frameArrived;
    QImage frame;
    quint64 serial = 0;
    bool frozen = false;
    bool playing = false;
    bool started = false;  // caps set before the first start need no re-negotiation

    explicit Impl(GstElement* src) : source(src) {
        pipeline = gst_pipeline_new("camera");
        GstElement* convert = gst_element_factory_make("videoconvert", nullptr);
        capsfilter = gst_element_factory_make("capsfilter", nullptr);
        sink = gst_element_factory_make("appsink", nullptr);
        if (!convert || !capsfilter || !sink) {
            for (GstElement* e : {source, convert, capsfilter, sink})
                if (e) gst_object_unref(gst_object_ref_sink(e));
            gst_object_unref(pipeline);
            throw ECameraError("The GStreamer videoconvert or appsink element is missing");
        }
        gst_bin_add_many(GST_BIN(pipeline), source, convert, capsfilter, sink, nullptr);
        if (!gst_element_link_many(source, convert, capsfilter, sink, nullptr)) {
            gst_object_unref(pipeline);
            throw ECameraError("The video source cannot be connected to the preview");
        }
        setCaps(QSize());
        g_object_set(sink, "max-buffers", 1, "drop", TRUE, nullptr);
        GstAppSinkCallbacks callbacks{};
        callbacks.new_sample = [](GstAppSink* s, gpointer self) {
            static_cast<Impl*>(self)->store(gst_app_sink_pull_sample(s));
            return GST_FLOW_OK;
        };
        callbacks.new_preroll = [](GstAppSink* s, gpointer self) {
            static_cast<Impl*>(self)->store(gst_app_sink_pull_preroll(s));
            return GST_FLOW_OK;
        };
        gst_app_sink_set_callbacks(GST_APP_SINK(sink), &callbacks, this, nullptr);
        GstBus* bus = gst_element_get_bus(pipeline);
        gst_bus_set_sync_handler(bus, keepErrorsOnly, nullptr, nullptr);
        gst_object_unref(bus);

        adjustable = source;
        if (GST_IS_BIN(source)) {
            // A launch fragment: its first source element is the one to adjust.
            GstIterator* it = gst_bin_iterate_sources(GST_BIN(source));
            GValue item = G_VALUE_INIT;
            if (gst_iterator_next(it, &item) == GST_ITERATOR_OK)
                adjustable = GST_ELEMENT(g_value_get_object(&item));  // the bin keeps it alive
            g_value_unset(&item);
            gst_iterator_free(it);
        }
    }

    ~Impl() {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
    }

    void setCaps(QSize size) {
        GstCaps* caps = gst_caps_from_string(kRawCaps);
        if (size.isValid())
            gst_caps_set_simple(caps, "width", G_TYPE_INT, size.width(), "height", G_TYPE_INT,
                                size.height(), nullptr);
        g_object_set(capsfilter, "caps", caps, nullptr);
        gst_caps_unref(caps);
    }

    // Runs on the streaming thread: the frame is copied before the buffer is unmapped, with
    // the row stride GStreamer negotiated (it may be wider than width x 4).
    void store(GstSample* sample) {
        if (!sample) return;
        GstVideoInfo info;
        GstVideoFrame mapped;
        QImage image;
        if (gst_video_info_from_caps(&info, gst_sample_get_caps(sample)) &&
            gst_video_frame_map(&mapped, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
            image = QImage(static_cast<const uchar*>(GST_VIDEO_FRAME_PLANE_DATA(&mapped, 0)),
                           GST_VIDEO_FRAME_WIDTH(&mapped), GST_VIDEO_FRAME_HEIGHT(&mapped),
                           GST_VIDEO_FRAME_PLANE_STRIDE(&mapped, 0), QImage::Format_RGB32)
                        .copy();
            gst_video_frame_unmap(&mapped);
        }
        gst_sample_unref(sample);
        if (image.isNull()) return;
        {
            std::lock_guard lock(mutex);
            if (frozen) return;
            frame = std::move(image);
            ++serial;
        }
        frameArrived.notify_all();
    }

    QString popError() {
        QString text;
        GstBus* bus = gst_element_get_bus(pipeline);
        while (GstMessage* message = gst_bus_pop_filtered(bus, GST_MESSAGE_ERROR)) {
            GError* error = nullptr;
            gchar* debug = nullptr;
            gst_message_parse_error(message, &error, &debug);
            if (text.isEmpty() && error) text = QString::fromUtf8(error->message);
            g_clear_error(&error);
            g_free(debug);
            gst_message_unref(message);
        }
        gst_object_unref(bus);
        return text;
    }

    // Sets `state` and waits (up to 5 s) until it is reached or the pipeline reports an error.
    void changeState(GstState state) {
        GstStateChangeReturn result = gst_element_set_state(pipeline, state);
        for (int i = 0; i < 50 && result == GST_STATE_CHANGE_ASYNC; ++i) {
            if (QString error = popError(); !error.isEmpty()) fail(error);
            result = gst_element_get_state(pipeline, nullptr, nullptr, 100 * GST_MSECOND);
        }
        QString error = popError();
        if (result == GST_STATE_CHANGE_FAILURE || !error.isEmpty())
            fail(error.isEmpty() ? QStringLiteral("The video capture device could not be started")
                                 : error);
    }

    [[noreturn]] void fail(const QString& error) {
        gst_element_set_state(pipeline, GST_STATE_NULL);
        popError();
        playing = false;
        throw ECameraError(error.toStdString());
    }

    GParamSpec* findProperty(const QString& name) const {
        GParamSpec* spec =
            g_object_class_find_property(G_OBJECT_GET_CLASS(adjustable), name.toUtf8().constData());
        if (!spec || !(spec->flags & G_PARAM_WRITABLE) || !adjustableType(spec->value_type))
            throw ECameraError(
                ("The video source has no adjustable property " + name).toStdString());
        return spec;
    }
};

CameraStream::CameraStream(const QString& sourceDescription) {
    ensureGst();
    GError* error = nullptr;
    GstElement* source =
        gst_parse_bin_from_description(sourceDescription.toUtf8().constData(), TRUE, &error);
    if (!source || error) {
        QString text = error ? QString::fromUtf8(error->message) : QString();
        g_clear_error(&error);
        if (source) gst_object_unref(gst_object_ref_sink(source));
        throw ECameraError(QStringLiteral("Invalid video source \"%1\": %2")
                               .arg(sourceDescription, text)
                               .toStdString());
    }
    d = std::make_unique<Impl>(source);
}

CameraStream::CameraStream(std::unique_ptr<Impl> impl) : d(std::move(impl)) {}

CameraStream::~CameraStream() = default;

std::unique_ptr<CameraStream> CameraStream::openDevice(int index) {
    ensureGst();
    bool listed = false;
    {
        std::lock_guard lock(keptDevices().mutex);
        listed = !keptDevices().devices.empty();
    }
    if (!listed) listCameras();
    GstElement* source = nullptr;
    {
        KeptDevices& kept = keptDevices();
        std::lock_guard lock(kept.mutex);
        if (index < 0 || size_t(index) >= kept.devices.size())
            throw ECameraError("No video capture device was found");
        source = gst_device_create_element(kept.devices[size_t(index)], nullptr);
    }
    if (!source) throw ECameraError("The video capture device cannot be opened");
    return std::unique_ptr<CameraStream>(new CameraStream(std::make_unique<Impl>(source)));
}

void CameraStream::start() {
    {
        std::lock_guard lock(d->mutex);
        d->frozen = false;
    }
    d->changeState(GST_STATE_PLAYING);
    d->playing = d->started = true;
}

void CameraStream::pause() {
    {
        std::lock_guard lock(d->mutex);
        d->frozen = true;  // a buffer already on its way must not replace the frozen frame
    }
    gst_element_set_state(d->pipeline, GST_STATE_PAUSED);
    d->playing = false;
}

void CameraStream::resume() {
    start();
}

bool CameraStream::isPlaying() const {
    return d->playing;
}

QImage CameraStream::currentFrame() const {
    std::lock_guard lock(d->mutex);
    return d->frame;
}

bool CameraStream::waitForFrame(int msecs) {
    std::unique_lock lock(d->mutex);
    const quint64 seen = d->serial;
    return d->frameArrived.wait_for(lock, std::chrono::milliseconds(msecs),
                                    [&] { return d->serial != seen; });
}

QSize CameraStream::frameSize() const {
    QSize size;
    GstPad* pad = gst_element_get_static_pad(d->sink, "sink");
    if (GstCaps* caps = gst_pad_get_current_caps(pad)) {
        GstVideoInfo info;
        if (gst_video_info_from_caps(&info, caps))
            size = QSize(GST_VIDEO_INFO_WIDTH(&info), GST_VIDEO_INFO_HEIGHT(&info));
        gst_caps_unref(caps);
    }
    gst_object_unref(pad);
    return size;
}

QList<QSize> CameraStream::availableSizes() const {
    static const QSize common[] = {{160, 120}, {176, 144},  {320, 240},  {352, 288},  {640, 480},
                                   {800, 600}, {1024, 768}, {1280, 720}, {1280, 960}, {1920, 1080}};
    QList<QSize> sizes;
    auto add = [&](QSize s) {
        if (s.isValid() && !sizes.contains(s)) sizes << s;
    };
    GstPad* pad = gst_element_get_static_pad(d->source, "src");
    if (!pad) return sizes;
    GstCaps* caps = gst_pad_query_caps(pad, nullptr);
    for (guint i = 0; caps && i < gst_caps_get_size(caps); ++i) {
        const GstStructure* s = gst_caps_get_structure(caps, i);
        const GValue* w = gst_structure_get_value(s, "width");
        const GValue* h = gst_structure_get_value(s, "height");
        if (!w || !h) continue;
        if (G_VALUE_HOLDS_INT(w) && G_VALUE_HOLDS_INT(h)) {
            add(QSize(g_value_get_int(w), g_value_get_int(h)));
        } else if (GST_VALUE_HOLDS_INT_RANGE(w) && GST_VALUE_HOLDS_INT_RANGE(h)) {
            for (QSize c : common)
                if (c.width() >= gst_value_get_int_range_min(w) &&
                    c.width() <= gst_value_get_int_range_max(w) &&
                    c.height() >= gst_value_get_int_range_min(h) &&
                    c.height() <= gst_value_get_int_range_max(h))
                    add(c);
        }
    }
    if (caps) gst_caps_unref(caps);
    gst_object_unref(pad);
    add(frameSize());
    std::sort(sizes.begin(), sizes.end(), [](QSize a, QSize b) {
        return qint64(a.width()) * a.height() < qint64(b.width()) * b.height();
    });
    return sizes;
}

void CameraStream::setSize(QSize size) {
    if (!d->started) return d->setCaps(size);
    // Caps are fixed while streaming: stop, change the filter, start again.
    gst_element_set_state(d->pipeline, GST_STATE_READY);
    gst_element_get_state(d->pipeline, nullptr, nullptr, 5 * GST_SECOND);
    {
        std::lock_guard lock(d->mutex);
        d->frame = QImage();
    }
    d->setCaps(size);
    start();
}

QList<QPair<QString, QVariant>> CameraStream::properties() const {
    QList<QPair<QString, QVariant>> list;
    guint count = 0;
    GParamSpec** specs = g_object_class_list_properties(G_OBJECT_GET_CLASS(d->adjustable), &count);
    for (guint i = 0; i < count; ++i) {
        const GParamSpec* spec = specs[i];
        // The element's own settings, not the generic ones every source inherits.
        if (spec->owner_type != G_OBJECT_TYPE(d->adjustable)) continue;
        if ((spec->flags & (G_PARAM_READABLE | G_PARAM_WRITABLE)) !=
                (G_PARAM_READABLE | G_PARAM_WRITABLE) ||
            (spec->flags & G_PARAM_CONSTRUCT_ONLY) || !adjustableType(spec->value_type))
            continue;
        GValue value = G_VALUE_INIT;
        g_value_init(&value, spec->value_type);
        g_object_get_property(G_OBJECT(d->adjustable), spec->name, &value);
        list.append({QString::fromUtf8(spec->name), toVariant(value)});
        g_value_unset(&value);
    }
    g_free(specs);
    return list;
}

QPair<QVariant, QVariant> CameraStream::propertyRange(const QString& name) const {
    GParamSpec* spec = d->findProperty(name);
#define TARVO_RANGE(Type, cast)       \
    if (G_IS_PARAM_SPEC_##Type(spec)) \
        return {cast(G_PARAM_SPEC_##Type(spec)->minimum), cast(G_PARAM_SPEC_##Type(spec)->maximum)};
    TARVO_RANGE(INT, int)
    TARVO_RANGE(UINT, uint)
    TARVO_RANGE(INT64, qint64)
    TARVO_RANGE(UINT64, quint64)
    TARVO_RANGE(DOUBLE, double)
    TARVO_RANGE(FLOAT, double)
#undef TARVO_RANGE
    return {false, true};
}

void CameraStream::setProperty(const QString& name, const QVariant& value) {
    GParamSpec* spec = d->findProperty(name);
    GValue v = G_VALUE_INIT;
    g_value_init(&v, spec->value_type);
    switch (spec->value_type) {
        case G_TYPE_INT:
            g_value_set_int(&v, value.toInt());
            break;
        case G_TYPE_UINT:
            g_value_set_uint(&v, value.toUInt());
            break;
        case G_TYPE_INT64:
            g_value_set_int64(&v, value.toLongLong());
            break;
        case G_TYPE_UINT64:
            g_value_set_uint64(&v, value.toULongLong());
            break;
        case G_TYPE_DOUBLE:
            g_value_set_double(&v, value.toDouble());
            break;
        case G_TYPE_FLOAT:
            g_value_set_float(&v, value.toFloat());
            break;
        default:
            g_value_set_boolean(&v, value.toBool());
            break;
    }
    g_object_set_property(G_OBJECT(d->adjustable), spec->name, &v);
    g_value_unset(&v);
}

QString CameraStream::takeError() {
    return d->popError();
}

}  // namespace tarvo
