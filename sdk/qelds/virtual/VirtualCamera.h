// A virtual camera: a CameraDevice that renders a test scene, offers what its profile says,
// keeps its feature and property state and can be given faults by tests.
#ifndef QELDS_VIRTUAL_CAMERA_H
#define QELDS_VIRTUAL_CAMERA_H

#include <atomic>
#include <memory>
#include <mutex>

#include "CameraDevice.h"
#include "SceneSettings.h"
#include "VirtualControlState.h"
#include "VirtualFaults.h"
#include "VirtualProfile.h"
#include "VirtualStillCapture.h"
#include "VirtualStream.h"
#include "VirtualStreamConfigs.h"

namespace qelds {

class VirtualCamera : public CameraDevice {
public:
    VirtualCamera(int handle, const VirtualProfile& profile);
    ~VirtualCamera() override;

    int handle() const { return m_handle; }
    // Replaces the profile: at once while closed, otherwise at the next open.
    void setProfile(const VirtualProfile& profile);
    // fault: a QELVirtualFault value. False for an unknown fault.
    bool injectFault(int fault, int param);
    // The camera is pulled out: running streams end and the sink hears about it.
    void unplug();

    // For the stream threads.
    uint64_t sceneGeneration() const { return m_sceneGeneration.load(); }
    SceneSettings sceneSettings() const;
    bool stalled(int64_t nowUs) const { return m_faults.stalled(nowUs); }
    // A VirtualFaults::JpegFault for the next MJPEG frame.
    int takeJpegFault() { return m_faults.takeJpegFault(); }
    bool vanished() const { return m_vanished.load(); }
    void reportVanished();

    // CameraDevice
    std::string uniqueId() const override;
    std::string name() const override;
    int vendorId() const override;
    int productId() const override;
    std::string firmwareVersion() const override;
    std::string mid() const override;
    int streamCount() const override;
    std::vector<MediaFormat> formats(int stream) const override;
    std::vector<MediaFormat> stillFormats() const override;
    bool open() override;
    void close() override;
    bool setPreviewParams(int stream, bool enable, int mediaType, int width, int height, int fps) override;
    bool setStillParams(bool enable, int mediaType, int width, int height, int fps) override;
    bool start(FrameSink* sink) override;
    void stop() override;
    bool captureStill() override;
    bool setFps(int stream, int fps) override;
    bool setBitrate(int stream, int bitsPerSecond) override;
    // Also makes the stream's next frame a keyframe; frames 0 only does that.
    bool setGop(int stream, int frames) override;
    bool euSupport(int code) const override;
    bool propertyRange(int id, PropertyRange* range) override;
    bool propertyGet(int id, int* value, bool* autoMode) override;
    bool propertySet(int id, int value, bool autoMode) override;
    bool frequencyGet(int* value) override;
    bool frequencySet(int value) override;
    bool featureGet(Feature feature, int* value) override;
    bool featureSet(Feature feature, int value) override;
    bool featureMask(MaskFeature feature, std::vector<int>* values) override;
    bool audioModeGet(int* on, int* on1, int* id) override;
    bool audioModeSet(int on, int on1, int id) override;
    bool factoryTestSet(const int* values, int count) override;
    bool sensorTypes(std::vector<int>* types) override;
    bool acousticBaffles(std::vector<int>* codes) override;

private:
    void resetStateLocked();
    void sceneChangedLocked();
    VirtualStream* liveStreamLocked(int stream);
    VirtualStillCapture::Job stillJob();

    const int m_handle;
    mutable std::mutex m_mutex;  // profile and state below
    VirtualProfile m_profile;
    VirtualProfile m_pendingProfile;
    bool m_hasPending = false;
    bool m_open = false;
    VirtualStreamConfigs m_configs{m_profile};
    VirtualControlState m_controls{m_profile};
    SceneSettings m_scene;
    std::atomic<uint64_t> m_sceneGeneration{1};

    // Streaming; m_runMutex serialises start/stop and guards the streams.
    std::mutex m_runMutex;
    std::mutex m_streamsMutex;  // guards m_streams (taken after m_mutex, never while joining)
    std::vector<std::unique_ptr<VirtualStream>> m_streams;
    FrameSink* m_sink = nullptr;  // under m_mutex
    std::atomic<bool> m_running{false};
    VirtualStillCapture m_still{[this] { return stillJob(); }};

    VirtualFaults m_faults;
    std::atomic<bool> m_vanished{false};
    std::atomic<bool> m_vanishReported{false};
};

}  // namespace qelds

#endif
