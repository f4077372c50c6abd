// The plain-C face of the microphone library: one capture at a time, from a PortAudio input
// device or a virtual microphone, delivered to the installed callback.
#include "qelaudioinput.h"

#include <portaudio.h>
#include <time.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

#include "DeviceList.h"
#include "PlaybackSink.h"
#include "PortAudioInput.h"
#include "VirtualMicrophone.h"
#include "VolumeMeter.h"

namespace qelaudioinput {

int64_t monotonicUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

}  // namespace qelaudioinput

using namespace qelaudioinput;

namespace {

std::atomic<qelaudioinput_callback> g_callback{nullptr};
// True on a capture thread while the callback runs: stopping from there would wait for itself.
thread_local bool t_inCallback = false;

void deliverBlock(uint8_t* data, int size, int64_t timestampUs) {
    qelaudioinput_callback fn = g_callback.load(std::memory_order_acquire);
    if (fn) {
        t_inCallback = true;
        fn(data, size, long(timestampUs));
        t_inCallback = false;
    }
}

struct Library {
    std::mutex mutex;
    bool initialised = false;
    bool portAudioReady = false;
    std::vector<Device> devices;
    std::unique_ptr<CaptureSource> capture;

    // With the mutex held.
    void ensureInitialised() {
        if (!initialised) {
            portAudioReady = PortAudioInput::initialise();
            devices = listDevices(portAudioReady);
            initialised = true;
        }
    }
    ~Library() {
        std::lock_guard<std::mutex> lock(mutex);
        if (capture) {
            capture->stop();
            capture.reset();
        }
        stopPlayback();
        PortAudioInput::terminate();
    }
};

Library& library() {
    static Library lib;
    return lib;
}

}  // namespace

int qelaudioinput_init(void) {
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.ensureInitialised();
    return lib.portAudioReady || !lib.devices.empty() ? 1 : 0;
}

int qelaudioinput_get_version(char* buf) {
    if (!buf) {
        return 0;
    }
    std::snprintf(buf, QEL_TEXT_BUFFER_SIZE, "qelaudioinput 1.0 (%s)", Pa_GetVersionText());
    return 1;
}

int qelaudioinput_get_device_count(int* count) {
    if (!count) {
        return 0;
    }
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (!lib.initialised) {
        lib.ensureInitialised();
    } else if (!lib.capture && !playbackRunning()) {
        // PortAudio lists devices only when it starts: start it again to see new microphones.
        lib.portAudioReady = PortAudioInput::rescan();
        lib.devices = listDevices(lib.portAudioReady);
    }
    *count = int(lib.devices.size());
    return 1;
}

int qelaudioinput_get_device_name(int index, char* buf) {
    if (!buf) {
        return 0;
    }
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.ensureInitialised();
    if (index < 0 || index >= int(lib.devices.size())) {
        return 0;
    }
    std::snprintf(buf, QEL_TEXT_BUFFER_SIZE, "%s", lib.devices[size_t(index)].name.c_str());
    return 1;
}

int qelaudioinput_set_callback(qelaudioinput_callback fn) {
    g_callback.store(fn, std::memory_order_release);
    return 1;
}

int qelaudioinput_start_recording(int index, int channels, int sampleRate, int bits) {
    if (t_inCallback) {
        std::fprintf(stderr, "qelaudioinput: start_recording called from the capture callback\n");
        return 0;
    }
    if (bits != 16 || channels < 1 || channels > 8 || sampleRate < 8000 || sampleRate > 192000) {
        std::fprintf(stderr, "qelaudioinput: unsupported format %d ch, %d Hz, %d bits\n", channels,
                     sampleRate, bits);
        return 0;
    }
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    lib.ensureInitialised();
    if (lib.capture) {
        std::fprintf(stderr, "qelaudioinput: a capture is already running\n");
        return 0;
    }
    if (index < 0 || index >= int(lib.devices.size())) {
        std::fprintf(stderr, "qelaudioinput: no input device %d\n", index);
        return 0;
    }
    const Device& device = lib.devices[size_t(index)];
    std::unique_ptr<CaptureSource> source;
    CaptureFormat format;
    format.channels = channels;
    format.sampleRate = sampleRate;
    try {
        if (device.paIndex < 0) {
            source = std::make_unique<VirtualMicrophone>();
        } else {
            source = std::make_unique<PortAudioInput>(device.paIndex);
        }
        if (!source->start(format, &deliverBlock)) {
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qelaudioinput: cannot start capturing: %s\n", e.what());
        return 0;
    }
    lib.capture = std::move(source);
    return 1;
}

int qelaudioinput_stop_recording(void) {
    if (t_inCallback) {
        std::fprintf(stderr, "qelaudioinput: stop_recording called from the capture callback\n");
        return 0;
    }
    Library& lib = library();
    std::lock_guard<std::mutex> lock(lib.mutex);
    if (lib.capture) {
        lib.capture->stop();
        lib.capture.reset();
    }
    return 1;
}

int qelaudioinput_calculate_volume(const unsigned char* data, int size, int* level) {
    if (!level) {
        return 0;
    }
    int v = volumeLevel(data, size);
    if (v < 0) {
        return 0;
    }
    *level = v;
    return 1;
}
