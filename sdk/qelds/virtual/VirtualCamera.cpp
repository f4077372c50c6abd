#include "VirtualCamera.h"

#include <algorithm>
#include <cstdio>

#include "../qelvirtual.h"

namespace qelds {

namespace {

// The extension-unit code that tells whether a feature exists.
int featureCode(Feature f) {
    switch (f) {
        case Feature::Flip:
        case Feature::Mirror:
            return 5;
        case Feature::FaceTracking:
            return 12;
        case Feature::SoundTracking:
            return 13;
        case Feature::Pip:
            return 19;
        case Feature::HideMode:
            return 18;
        case Feature::DoaTest:
            return 20;
        case Feature::Sensor:
            return 16;
        case Feature::HandGesture:
            return 17;
        case Feature::Canvas:
            return 21;
        case Feature::Sub1Ai:
            return 23;
        case Feature::Mosaic:
            return 22;
        case Feature::FactoryTest:
            return 25;
        case Feature::AutoFocus:
        case Feature::AutoFocusMode:
            return 15;
    }
    return -1;
}

int maskIndex(Feature f) {
    switch (f) {
        case Feature::HandGesture:
            return static_cast<int>(MaskFeature::HandGesture);
        case Feature::Canvas:
            return static_cast<int>(MaskFeature::Canvas);
        case Feature::Sub1Ai:
            return static_cast<int>(MaskFeature::Sub1Ai);
        case Feature::Mosaic:
            return static_cast<int>(MaskFeature::Mosaic);
        case Feature::FactoryTest:
            return static_cast<int>(MaskFeature::FactoryTest);
        default:
            return -1;
    }
}

float clamp1(float v) {
    return v < -1 ? -1 : (v > 1 ? 1 : v);
}

}  // namespace

VirtualCamera::VirtualCamera(int handle, const VirtualProfile& profile)
    : m_handle(handle), m_profile(profile) {
    if (m_profile.mid.empty()) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "VC-%06d", handle);
        m_profile.mid = buf;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    resetStateLocked();
}

VirtualCamera::~VirtualCamera() {
    stop();
}

void VirtualCamera::resetStateLocked() {
    for (StreamConfig& c : m_config)
        c = StreamConfig{};
    m_stillConfig = StreamConfig{};
    std::fill(std::begin(m_features), std::end(m_features), 0);
    std::fill(std::begin(m_audio), std::end(m_audio), 0);
    for (int i = 0; i < kPropertyCount; ++i) {
        m_propertyValue[i] = m_profile.properties[i].def;
        m_propertyAuto[i] = m_profile.properties[i].autoSupported;
    }
    m_frequency = 1;
    sceneChangedLocked();
}

void VirtualCamera::setProfile(const VirtualProfile& profile) {
    std::lock_guard<std::mutex> lock(m_mutex);
    VirtualProfile p = profile;
    if (p.mid.empty())
        p.mid = m_profile.mid;
    if (m_open) {
        m_pendingProfile = p;
        m_hasPending = true;
    } else {
        m_profile = p;
        resetStateLocked();
    }
}

bool VirtualCamera::injectFault(int fault, int param) {
    switch (fault) {
        case QELV_FAULT_NONE:
            m_corruptLeft = 0;
            m_truncateLeft = 0;
            m_stallUntil = 0;
            m_openFails = false;
            m_stillNotJpeg = false;
            return true;
        case QELV_FAULT_CORRUPT_JPEG:
            m_corruptLeft = std::max(1, param);
            return true;
        case QELV_FAULT_TRUNCATED_JPEG:
            m_truncateLeft = std::max(1, param);
            return true;
        case QELV_FAULT_STALL:
            m_stallUntil = param > 0 ? monotonicUs() + static_cast<int64_t>(param) * 1000 : -1;
            return true;
        case QELV_FAULT_OPEN_FAILS:
            m_openFails = true;
            return true;
        case QELV_FAULT_VANISH:
            unplug();
            return true;
        case QELV_FAULT_STILL_NOT_JPEG:
            m_stillNotJpeg = true;
            return true;
        default:
            return false;
    }
}

void VirtualCamera::unplug() {
    m_vanished = true;
    {
        std::lock_guard<std::mutex> streams(m_streamsMutex);
        for (auto& s : m_streams)
            s->wake();
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stillStop = true;
    }
    m_stillWake.notify_all();
}

void VirtualCamera::reportVanished() {
    if (m_vanishReported.exchange(true))
        return;
    FrameSink* sink = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        sink = m_sink;
    }
    if (sink)
        sink->onVanished();
}

bool VirtualCamera::stalled(int64_t nowUs) const {
    int64_t until = m_stallUntil.load();
    return until == -1 || (until > 0 && nowUs < until);
}

int VirtualCamera::takeJpegFault() {
    int left = m_corruptLeft.load();
    while (left > 0) {
        if (m_corruptLeft.compare_exchange_weak(left, left - 1))
            return kCorrupt;
    }
    left = m_truncateLeft.load();
    while (left > 0) {
        if (m_truncateLeft.compare_exchange_weak(left, left - 1))
            return kTruncated;
    }
    return kNone;
}

SceneSettings VirtualCamera::sceneSettings() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_scene;
}

void VirtualCamera::sceneChangedLocked() {
    SceneSettings s;
    auto f = [this](Feature x) { return m_features[static_cast<int>(x)]; };
    s.mirror = f(Feature::Mirror) != 0;
    s.flip = f(Feature::Flip) != 0;
    s.privacy = f(Feature::HideMode) != 0;
    s.pip = f(Feature::Pip) != 0;
    s.faceTracking = f(Feature::FaceTracking) != 0;
    s.soundTracking = f(Feature::SoundTracking) != 0;
    s.doaTest = f(Feature::DoaTest) != 0;
    s.gesture = f(Feature::HandGesture);
    s.canvas = f(Feature::Canvas);
    s.sub1Ai = f(Feature::Sub1Ai);
    s.mosaic = f(Feature::Mosaic);
    s.factoryTest = f(Feature::FactoryTest);
    s.audioOn = m_audio[0];
    s.audioOn1 = m_audio[1];
    s.audioDirection = m_audio[2];
    int sensor = f(Feature::Sensor);
    s.sensorType =
        (sensor >= 0 && sensor < static_cast<int>(m_profile.sensors.size())) ? m_profile.sensors[sensor] : 2;
    // Offset from the default relative to half the range; auto mode leaves the picture neutral.
    auto n = [this](int id) {
        const PropertyRange& r = m_profile.properties[id];
        if (!r.supported || m_propertyAuto[id])
            return 0.0f;
        float half = std::max(1.0f, (r.max - r.min) / 2.0f);
        return clamp1((m_propertyValue[id] - r.def) / half);
    };
    auto fraction = [this](int id) {
        const PropertyRange& r = m_profile.properties[id];
        if (!r.supported || r.max == r.min)
            return 0.0f;
        return (m_propertyValue[id] - r.min) / static_cast<float>(r.max - r.min);
    };
    s.brightness = n(0);
    s.contrast = n(1);
    s.hue = n(2);
    s.saturation = n(3);
    s.gamma = n(5);
    const PropertyRange& color = m_profile.properties[6];
    s.monochrome = color.supported && m_propertyValue[6] == color.min && color.min != color.max;
    s.whiteBalance = n(7);
    s.backlight = n(8);
    s.gain = fraction(9);
    s.pan = n(10);
    s.tilt = n(11);
    s.zoom = fraction(13);
    s.exposure = n(14);
    s.iris = n(15);
    m_scene = s;
    ++m_sceneGeneration;
}

std::string VirtualCamera::uniqueId() const {
    return "virtual:" + std::to_string(m_handle);
}

std::string VirtualCamera::name() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.name;
}

int VirtualCamera::vendorId() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.vid;
}

int VirtualCamera::productId() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.pid;
}

std::string VirtualCamera::firmwareVersion() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.firmware;
}

std::string VirtualCamera::mid() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.mid;
}

int VirtualCamera::streamCount() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return static_cast<int>(m_profile.streams.size());
}

std::vector<MediaFormat> VirtualCamera::formats(int stream) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (stream < 0 || stream >= static_cast<int>(m_profile.streams.size()))
        return {};
    return m_profile.streams[stream];
}

std::vector<MediaFormat> VirtualCamera::stillFormats() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_profile.still;
}

bool VirtualCamera::open() {
    if (m_vanished)
        return false;
    if (m_openFails) {
        std::fprintf(stderr, "qelds: virtual camera %d refuses to open (injected fault)\n", m_handle);
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_open)
        return true;
    if (m_hasPending) {
        m_profile = m_pendingProfile;
        m_hasPending = false;
    }
    resetStateLocked();
    m_open = true;
    return true;
}

void VirtualCamera::close() {
    stop();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = false;
    if (m_hasPending) {
        m_profile = m_pendingProfile;
        m_hasPending = false;
        resetStateLocked();
    }
}

bool VirtualCamera::formatOffered(const std::vector<MediaFormat>& list, int type, int w, int h,
                                  int fps) const {
    for (const MediaFormat& f : list) {
        if (f.mediaType != type)
            continue;
        for (const FrameSize& s : f.sizes) {
            if (s.width == w && s.height == h)
                return std::find(s.fps.begin(), s.fps.end(), fps) != s.fps.end();
        }
    }
    return false;
}

bool VirtualCamera::setPreviewParams(int stream, bool enable, int mediaType, int width, int height, int fps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || stream < 0 || stream >= static_cast<int>(m_profile.streams.size()))
        return false;
    StreamConfig& c = m_config[stream];
    if (!enable) {
        c.enable = false;
        return true;
    }
    if (!formatOffered(m_profile.streams[stream], mediaType, width, height, fps))
        return false;
    if (c.mediaType != mediaType || c.width != width || c.height != height) {
        c.bitrate = 0;
        c.gop = 0;
    }
    c.enable = true;
    c.mediaType = mediaType;
    c.width = width;
    c.height = height;
    c.fps = fps;
    return true;
}

bool VirtualCamera::setStillParams(bool enable, int mediaType, int width, int height, int fps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || m_profile.still.empty())
        return false;
    if (!enable) {
        m_stillConfig.enable = false;
        return true;
    }
    if (!formatOffered(m_profile.still, mediaType, width, height, fps))
        return false;
    m_stillConfig = StreamConfig{true, mediaType, width, height, fps, 0, 0};
    return true;
}

bool VirtualCamera::start(FrameSink* sink) {
    if (!sink)
        return false;
    std::lock_guard<std::mutex> run(m_runMutex);
    if (m_running || m_vanished)
        return false;
    std::vector<std::unique_ptr<VirtualStream>> streams;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_open)
            return false;
        for (int i = 0; i < static_cast<int>(m_profile.streams.size()); ++i) {
            if (m_config[i].enable)
                streams.push_back(std::make_unique<VirtualStream>(this, i, m_config[i], sink));
        }
        m_sink = sink;
        m_stillRequests = 0;
        m_stillStop = false;
    }
    if (streams.empty()) {
        std::fprintf(stderr, "qelds: virtual camera %d: no stream enabled\n", m_handle);
        return false;
    }
    for (auto& s : streams) {
        std::string error;
        if (!s->prepare(&error)) {
            std::fprintf(stderr, "qelds: virtual camera %d: %s\n", m_handle, error.c_str());
            return false;  // nothing started yet
        }
    }
    for (auto& s : streams)
        s->start();
    {
        std::lock_guard<std::mutex> lock(m_streamsMutex);
        m_streams = std::move(streams);
    }
    m_stillThread = std::thread([this] { stillLoop(); });
    m_running = true;
    return true;
}

void VirtualCamera::stop() {
    std::lock_guard<std::mutex> run(m_runMutex);
    std::vector<std::unique_ptr<VirtualStream>> streams;
    {
        std::lock_guard<std::mutex> lock(m_streamsMutex);
        streams.swap(m_streams);
    }
    for (auto& s : streams)
        s->requestStop();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stillStop = true;
    }
    m_stillWake.notify_all();
    for (auto& s : streams) {
        if (s->isCurrentThread()) {
            // Stopped from inside its own frame callback: the thread ends when the callback
            // returns; it keeps its stream object.
            std::fprintf(stderr, "qelds: stream stopped from its own callback\n");
            s->detach();
            s.release();
        } else {
            s->join();
        }
    }
    if (m_stillThread.joinable()) {
        if (m_stillThread.get_id() == std::this_thread::get_id())
            m_stillThread.detach();
        else
            m_stillThread.join();
    }
    m_running = false;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sink = nullptr;
}

bool VirtualCamera::captureStill() {
    if (!m_running || m_vanished)
        return false;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_profile.still.empty())
        return false;
    ++m_stillRequests;
    m_stillWake.notify_all();
    return true;
}

void VirtualCamera::stillLoop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_stillWake.wait(lock, [this] { return m_stillStop || m_stillRequests > 0; });
        if (m_stillStop)
            return;
        --m_stillRequests;
        lock.unlock();
        deliverStill();
        lock.lock();
    }
}

void VirtualCamera::deliverStill() {
    StreamConfig c;
    SceneSettings settings;
    FrameSink* sink;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        c = m_stillConfig;
        if (!c.enable && !m_profile.still.empty() && !m_profile.still[0].sizes.empty()) {
            const MediaFormat& f = m_profile.still[0];
            c = StreamConfig{true, f.mediaType, f.sizes[0].width, f.sizes[0].height, 30, 0, 0};
        }
        settings = m_scene;
        sink = m_sink;
    }
    if (!c.enable || !sink)
        return;
    int type = m_stillNotJpeg ? 2 : c.mediaType;
    char caption[64];
    std::snprintf(caption, sizeof caption, "STILL %dX%d", c.width, c.height);
    SceneRenderer scene;
    scene.setup(c.width, c.height, caption);
    scene.setSettings(settings);
    DirtyRegion dirty;
    int64_t captured = monotonicUs();
    scene.render(0, 0, &dirty);
    const YuvImage& img = scene.image();
    if (type == 1) {
        JpegEncoder jpeg;
        jpeg.setup(c.width, c.height, 90);
        int size = 0;
        const std::vector<uint8_t>& data = jpeg.encode(img, &size);
        sink->onFrame(1, 0, 1, c.width, c.height, captured, const_cast<uint8_t*>(data.data()), size);
        return;
    }
    const RangeTables& t = RangeTables::get();
    std::vector<uint8_t> packed(static_cast<size_t>(c.width) * c.height * 2);
    for (int row = 0; row < c.height; ++row) {
        uint8_t* d = packed.data() + static_cast<size_t>(row) * c.width * 2;
        for (int x = 0; x < c.width; x += 2, d += 4) {
            d[0] = t.luma[img.yRow(row)[x]];
            d[1] = t.chroma[img.uRow(row)[x / 2]];
            d[2] = t.luma[img.yRow(row)[x + 1]];
            d[3] = t.chroma[img.vRow(row)[x / 2]];
        }
    }
    sink->onFrame(1, 0, 2, c.width, c.height, captured, packed.data(), static_cast<int>(packed.size()));
}

VirtualStream* VirtualCamera::liveStreamLocked(int stream) {
    for (auto& s : m_streams) {
        if (s->index() == stream)
            return s.get();
    }
    return nullptr;
}

bool VirtualCamera::setFps(int stream, int fps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || stream < 0 || stream >= static_cast<int>(m_profile.streams.size()))
        return false;
    StreamConfig& c = m_config[stream];
    if (c.mediaType == 0 || !formatOffered(m_profile.streams[stream], c.mediaType, c.width, c.height, fps))
        return false;
    std::lock_guard<std::mutex> streams(m_streamsMutex);
    VirtualStream* live = liveStreamLocked(stream);
    if (live && !supportsLocked(4))
        return false;
    c.fps = fps;
    if (live)
        live->setFps(fps);
    return true;
}

bool VirtualCamera::setBitrate(int stream, int bps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || stream < 0 || stream >= static_cast<int>(m_profile.streams.size()))
        return false;
    StreamConfig& c = m_config[stream];
    if (!supportsLocked(0) || (c.mediaType != 3 && c.mediaType != 4) || bps < 16000 || bps > 200000000)
        return false;
    c.bitrate = bps;
    std::lock_guard<std::mutex> streams(m_streamsMutex);
    if (VirtualStream* live = liveStreamLocked(stream))
        live->setEncoding(bps, 0);
    return true;
}

bool VirtualCamera::setGop(int stream, int frames) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || stream < 0 || stream >= static_cast<int>(m_profile.streams.size()))
        return false;
    StreamConfig& c = m_config[stream];
    if (!supportsLocked(1) || (c.mediaType != 3 && c.mediaType != 4) || frames < 1 || frames > 3000)
        return false;
    c.gop = frames;
    std::lock_guard<std::mutex> streams(m_streamsMutex);
    if (VirtualStream* live = liveStreamLocked(stream))
        live->setEncoding(0, frames);
    return true;
}

bool VirtualCamera::supportsLocked(int code) const {
    return std::find(m_profile.features.begin(), m_profile.features.end(), code) != m_profile.features.end();
}

bool VirtualCamera::euSupport(int code) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return supportsLocked(code);
}

bool VirtualCamera::propertyRange(int id, PropertyRange* range) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (id < 0 || id >= kPropertyCount)
        return false;
    *range = m_profile.properties[id];
    return true;
}

bool VirtualCamera::propertyGet(int id, int* value, bool* autoMode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || id < 0 || id >= kPropertyCount || !m_profile.properties[id].supported)
        return false;
    *value = m_propertyValue[id];
    *autoMode = m_propertyAuto[id];
    return true;
}

bool VirtualCamera::propertySet(int id, int value, bool autoMode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || id < 0 || id >= kPropertyCount)
        return false;
    const PropertyRange& r = m_profile.properties[id];
    if (!r.supported || value < r.min || value > r.max || (autoMode && !r.autoSupported))
        return false;
    m_propertyValue[id] = value;
    m_propertyAuto[id] = autoMode;
    sceneChangedLocked();
    return true;
}

bool VirtualCamera::frequencyGet(int* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !m_profile.frequency)
        return false;
    *value = m_frequency;
    return true;
}

bool VirtualCamera::frequencySet(int value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !m_profile.frequency || (value != 1 && value != 2))
        return false;
    m_frequency = value;
    return true;
}

bool VirtualCamera::featureGet(Feature feature, int* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !supportsLocked(featureCode(feature)))
        return false;
    if (feature == Feature::AutoFocusMode)
        *value = m_features[static_cast<int>(Feature::AutoFocus)] ? 1 : 0;
    else
        *value = m_features[static_cast<int>(feature)];
    return true;
}

bool VirtualCamera::featureSet(Feature feature, int value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || feature == Feature::AutoFocusMode || !supportsLocked(featureCode(feature)))
        return false;
    int mask = maskIndex(feature);
    if (feature == Feature::Sensor) {
        if (value < 0 || value >= static_cast<int>(m_profile.sensors.size()))
            return false;
    } else if (mask >= 0) {
        const std::vector<int>& offered = m_profile.masks[mask];
        if (value != 0 && (value < 1 || value > static_cast<int>(offered.size()) || offered[value - 1] != 1))
            return false;
    } else {
        value = value != 0 ? 1 : 0;
    }
    m_features[static_cast<int>(feature)] = value;
    sceneChangedLocked();
    return true;
}

bool VirtualCamera::featureMask(MaskFeature feature, std::vector<int>* values) {
    std::lock_guard<std::mutex> lock(m_mutex);
    int index = static_cast<int>(feature);
    if (!m_open || index < 0 || index >= kMaskFeatureCount)
        return false;
    static const int kCodes[kMaskFeatureCount] = {17, 21, 23, 22, -1, 25};
    if (kCodes[index] >= 0 && !supportsLocked(kCodes[index]))
        return false;
    *values = m_profile.masks[index];
    return true;
}

bool VirtualCamera::audioModeGet(int* on, int* on1, int* id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open)
        return false;
    *on = m_audio[0];
    *on1 = m_audio[1];
    *id = m_audio[2];
    return true;
}

bool VirtualCamera::audioModeSet(int on, int on1, int id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open)
        return false;
    const std::vector<int>& offered = m_profile.masks[static_cast<int>(MaskFeature::AudioMode)];
    auto allowed = [&offered](int option, int v) {
        return v == 0 || (v == 1 && static_cast<int>(offered.size()) >= option && offered[option - 1] == 1);
    };
    bool directionOk = id == 0 || std::find(m_profile.baffles.begin(), m_profile.baffles.end(), id) !=
                                      m_profile.baffles.end();
    if (!allowed(1, on) || !allowed(2, on1) || !directionOk)
        return false;
    m_audio[0] = on;
    m_audio[1] = on1;
    m_audio[2] = id;
    sceneChangedLocked();
    return true;
}

bool VirtualCamera::factoryTestSet(const int* values, int count) {
    if (!values || count < 1)
        return false;
    return featureSet(Feature::FactoryTest, values[0]);
}

bool VirtualCamera::sensorTypes(std::vector<int>* types) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open)
        return false;
    *types = m_profile.sensors;
    return true;
}

bool VirtualCamera::acousticBaffles(std::vector<int>* codes) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open)
        return false;
    *codes = m_profile.baffles;
    return true;
}

}  // namespace qelds
