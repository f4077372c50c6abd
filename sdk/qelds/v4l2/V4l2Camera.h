// One V4L2 camera: the capture nodes of one physical device, each node a stream.
#ifndef QELDS_V4L2_CAMERA_H
#define QELDS_V4L2_CAMERA_H

#include <atomic>
#include <memory>
#include <mutex>

#include "CameraDevice.h"
#include "V4l2Controls.h"
#include "V4l2Probe.h"
#include "V4l2Stream.h"
#include "XuMap.h"

namespace qelds {

class V4l2Io;

class V4l2Camera : public CameraDevice {
public:
    // onLost runs (on a capture thread) when streaming finds the device gone.
    V4l2Camera(std::shared_ptr<V4l2Io> io, V4l2CameraInfo info, std::shared_ptr<const XuMap> xuMap,
               std::function<void()> onLost = nullptr);
    ~V4l2Camera() override;

    const V4l2CameraInfo& info() const { return m_info; }
    // A capture thread found the device gone or broken (stays set until the camera is opened again).
    bool isLost() const { return m_lost.load(); }

    std::string uniqueId() const override { return m_info.uniqueId; }
    std::string name() const override { return m_info.name; }
    int vendorId() const override { return m_info.vendorId; }
    int productId() const override { return m_info.productId; }
    std::string firmwareVersion() const override { return m_info.firmware; }
    std::string mid() const override { return m_info.serial; }

    int streamCount() const override { return int(m_info.nodes.size()); }
    std::vector<MediaFormat> formats(int stream) const override;
    std::vector<MediaFormat> stillFormats() const override { return {}; }

    bool open() override;
    void close() override;

    bool setPreviewParams(int stream, bool enable, int mediaType, int width, int height, int fps) override;
    bool setStillParams(bool enable, int mediaType, int width, int height, int fps) override;
    bool start(FrameSink* sink) override;
    void stop() override;
    bool captureStill() override { return false; }
    bool setFps(int stream, int fps) override;
    bool setBitrate(int stream, int bitsPerSecond) override;
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
    struct Choice {
        bool enable = false;
        V4l2Stream::Config config;
    };

    void stopLocked();
    void attachExtensionUnit();
    // The V4L2 control standing in for an on/off feature (flip, mirror, auto focus); 0 if none.
    uint32_t standardControl(Feature feature) const;
    const XuField* xuFeature(Feature feature) const;
    bool validStream(int stream) const { return stream >= 0 && stream < streamCount(); }

    std::shared_ptr<V4l2Io> m_io;
    const V4l2CameraInfo m_info;
    std::shared_ptr<const XuMap> m_xuMap;
    const std::function<void()> m_onLost;

    // Open/close/start/stop/frame-rate changes; held while capture threads are joined.
    std::mutex m_lifecycle;
    // The descriptors and everything reached through them (controls, extension unit).
    mutable std::mutex m_control;
    std::vector<int> m_fds;
    V4l2Controls m_controls;
    const XuDeviceMap* m_xu = nullptr;
    std::unique_ptr<XuAccess> m_xuAccess;

    std::vector<Choice> m_choices;
    std::vector<std::unique_ptr<V4l2Stream>> m_streams;  // the running ones
    std::unique_ptr<CaptureSession> m_session;
    std::atomic<bool> m_lost{false};
};

}  // namespace qelds

#endif
