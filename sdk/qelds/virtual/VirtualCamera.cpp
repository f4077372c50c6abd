#include "VirtualCamera.h"

#include <cstdio>

#include "../qelvirtual.h"

namespace qelds {

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
    m_configs.reset();
    m_controls.reset();
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
    if (fault == QELV_FAULT_VANISH) {
        unplug();
        return true;
    }
    return m_faults.inject(fault, param);
}

void VirtualCamera::unplug() {
    m_vanished = true;
    {
        std::lock_guard<std::mutex> streams(m_streamsMutex);
        for (auto& s : m_streams)
            s->wake();
    }
    m_still.requestStop();
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

SceneSettings VirtualCamera::sceneSettings() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_scene;
}

void VirtualCamera::sceneChangedLocked() {
    m_scene = m_controls.scene();
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
    if (m_faults.openFails()) {
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

bool VirtualCamera::setPreviewParams(int stream, bool enable, int mediaType, int width, int height, int fps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open && m_configs.setPreview(stream, enable, mediaType, width, height, fps);
}

bool VirtualCamera::setStillParams(bool enable, int mediaType, int width, int height, int fps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open && m_configs.setStill(enable, mediaType, width, height, fps);
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
            if (m_configs.stream(i).enable)
                streams.push_back(std::make_unique<VirtualStream>(this, i, m_configs.stream(i), sink));
        }
        m_sink = sink;
        m_still.arm();
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
    m_still.launch();
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
    m_still.requestStop();
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
    m_still.join();
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
    m_still.request();
    return true;
}

VirtualStillCapture::Job VirtualCamera::stillJob() {
    VirtualStillCapture::Job job;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        job.config = m_configs.stillToCapture();
        job.settings = m_scene;
        job.sink = m_sink;
    }
    job.notJpeg = m_faults.stillNotJpeg();
    return job;
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
    if (!m_open || !m_configs.fpsOffered(stream, fps))
        return false;
    std::lock_guard<std::mutex> streams(m_streamsMutex);
    VirtualStream* live = liveStreamLocked(stream);
    if (live && !m_controls.offers(4))
        return false;
    m_configs.setFps(stream, fps);
    if (live)
        live->setFps(fps);
    return true;
}

bool VirtualCamera::setBitrate(int stream, int bps) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !m_controls.offers(0) || !m_configs.setBitrate(stream, bps))
        return false;
    std::lock_guard<std::mutex> streams(m_streamsMutex);
    if (VirtualStream* live = liveStreamLocked(stream))
        live->setEncoding(bps, 0);
    return true;
}

bool VirtualCamera::setGop(int stream, int frames) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open)
        return false;
    if (frames == 0) {
        // A keyframe request alone: every encoded stream can answer it.
        if (!m_configs.encoded(stream))
            return false;
    } else if (!m_controls.offers(1) || !m_configs.setGop(stream, frames)) {
        return false;
    }
    std::lock_guard<std::mutex> streams(m_streamsMutex);
    if (VirtualStream* live = liveStreamLocked(stream)) {
        if (frames > 0)
            live->setEncoding(0, frames);
        live->requestKeyframe();
    }
    return true;
}

bool VirtualCamera::euSupport(int code) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_controls.offers(code);
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
    return m_open && m_controls.propertyGet(id, value, autoMode);
}

bool VirtualCamera::propertySet(int id, int value, bool autoMode) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !m_controls.propertySet(id, value, autoMode))
        return false;
    sceneChangedLocked();
    return true;
}

bool VirtualCamera::frequencyGet(int* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open && m_controls.frequencyGet(value);
}

bool VirtualCamera::frequencySet(int value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open && m_controls.frequencySet(value);
}

bool VirtualCamera::featureGet(Feature feature, int* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open && m_controls.featureGet(feature, value);
}

bool VirtualCamera::featureSet(Feature feature, int value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !m_controls.featureSet(feature, value))
        return false;
    sceneChangedLocked();
    return true;
}

bool VirtualCamera::featureMask(MaskFeature feature, std::vector<int>* values) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_open && m_controls.featureMask(feature, values);
}

bool VirtualCamera::audioModeGet(int* on, int* on1, int* id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open)
        return false;
    m_controls.audioModeGet(on, on1, id);
    return true;
}

bool VirtualCamera::audioModeSet(int on, int on1, int id) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_open || !m_controls.audioModeSet(on, on1, id))
        return false;
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
