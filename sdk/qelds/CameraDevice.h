// Inside qelds: what every camera behind the library offers. The C functions of qelds.h
// look up the camera by index and call these; the V4L2 cameras and the virtual cameras
// implement them.
#ifndef QELDS_CAMERA_DEVICE_H
#define QELDS_CAMERA_DEVICE_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qelds {

// One frame size with its frame rates (whole frames per second, highest first).
struct FrameSize {
    int width = 0;
    int height = 0;
    std::vector<int> fps;
};

// One media type (qeldefine.h code) with its frame sizes, in the order they are listed.
struct MediaFormat {
    int mediaType = 0;
    std::vector<FrameSize> sizes;
};

// The range of one image property (ids 0-16 of the property list).
struct PropertyRange {
    bool supported = false;
    int min = 0;
    int max = 0;
    int step = 1;
    int def = 0;
    bool autoSupported = false;
};

// Where a running camera delivers its frames; called on the camera's capture threads.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    // pin 0: preview stream `stream`; pin 1: still pin. data is valid during the call only.
    virtual void onFrame(int pin, int stream, int mediaType, int width, int height, int64_t timestampUs,
                         uint8_t* data, int size) = 0;
    // The camera went away while running (cable pulled). Capture threads end by themselves.
    virtual void onVanished() = 0;
};

// Extension-unit feature ids for the get/set pair below (option and on/off features).
enum class Feature {
    Flip,
    Mirror,
    FaceTracking,
    SoundTracking,
    Pip,
    HideMode,
    DoaTest,
    Sensor,
    HandGesture,
    Canvas,
    Sub1Ai,
    Mosaic,
    FactoryTest,
    AutoFocus,
    AutoFocusMode  // read only
};

// Features that have an option mask.
enum class MaskFeature { HandGesture, Canvas, Sub1Ai, Mosaic, AudioMode, FactoryTest };

class CameraDevice {
public:
    virtual ~CameraDevice() = default;

    // Identity, stable across enumerations while the device stays plugged in
    // (sysfs path of the USB device, or "virtual:<handle>").
    virtual std::string uniqueId() const = 0;
    virtual std::string name() const = 0;
    virtual int vendorId() const = 0;
    virtual int productId() const = 0;
    virtual std::string firmwareVersion() const = 0;  // empty: not available
    virtual std::string mid() const = 0;              // empty: not available

    // Formats. Streams are 0 .. streamCount()-1; the still pin has its own list (empty: no still pin).
    virtual int streamCount() const = 0;
    virtual std::vector<MediaFormat> formats(int stream) const = 0;
    virtual std::vector<MediaFormat> stillFormats() const = 0;

    virtual bool open() = 0;
    virtual void close() = 0;

    // Streaming. start() runs every enabled stream (all or none) and delivers to sink until stop(),
    // which joins every capture thread before it returns.
    virtual bool setPreviewParams(int stream, bool enable, int mediaType, int width, int height, int fps) = 0;
    virtual bool setStillParams(bool enable, int mediaType, int width, int height, int fps) = 0;
    virtual bool start(FrameSink* sink) = 0;
    virtual void stop() = 0;
    virtual bool captureStill() = 0;
    virtual bool setFps(int stream, int fps) = 0;
    virtual bool setBitrate(int stream, int bitsPerSecond) = 0;
    // GOP length in frames; the stream's next frame is a keyframe where the camera can be asked
    // for one. frames 0 keeps the GOP and only asks for the keyframe.
    virtual bool setGop(int stream, int frames) = 0;

    // Extension-unit support codes (0, 1, 4, 5, 7, 9, 10, 12, 13, 15-23, 25).
    virtual bool euSupport(int code) const = 0;

    // Properties (ids 0-16) and power-line frequency (1 = 50 Hz, 2 = 60 Hz).
    virtual bool propertyRange(int id, PropertyRange* range) = 0;
    virtual bool propertyGet(int id, int* value, bool* autoMode) = 0;
    virtual bool propertySet(int id, int value, bool autoMode) = 0;
    virtual bool frequencyGet(int* value) = 0;
    virtual bool frequencySet(int value) = 0;

    // Vendor features. Unsupported ones answer false.
    virtual bool featureGet(Feature feature, int* value) = 0;
    virtual bool featureSet(Feature feature, int value) = 0;
    virtual bool featureMask(MaskFeature feature, std::vector<int>* values) = 0;
    virtual bool audioModeGet(int* on, int* on1, int* id) = 0;
    virtual bool audioModeSet(int on, int on1, int id) = 0;
    virtual bool factoryTestSet(const int* values, int count) = 0;
    virtual bool sensorTypes(std::vector<int>* types) = 0;
    virtual bool acousticBaffles(std::vector<int>* codes) = 0;
};

// A family of cameras (the V4L2 cameras, the virtual cameras).
class DeviceSource {
public:
    virtual ~DeviceSource() = default;
    // The cameras present now. A device still present keeps its uniqueId().
    virtual std::vector<std::shared_ptr<CameraDevice>> enumerate() = 0;
    // Starts watching for cameras coming and going; `changed` runs on a source thread, once per
    // change of this source's camera list (debounced). stopMonitor() joins that thread.
    virtual bool startMonitor(std::function<void()> changed) = 0;
    virtual void stopMonitor() = 0;
};

}  // namespace qelds

#endif
