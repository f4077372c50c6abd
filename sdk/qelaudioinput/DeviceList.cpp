#include "DeviceList.h"

#include <portaudio.h>

#include <cstdlib>
#include <cstring>

namespace qelaudioinput {

namespace {

constexpr int kMaxVirtual = 4;

bool setAndNotZero(const char* value) {
    return value && *value && std::strcmp(value, "0") != 0;
}

}  // namespace

int virtualMicrophoneCount() {
    const char* mics = std::getenv("QEL_VIRTUAL_MICROPHONES");
    if (mics && *mics) {
        if (std::strcmp(mics, "0") == 0) {
            return 0;
        }
        char* end = nullptr;
        long n = std::strtol(mics, &end, 10);
        if (end && *end == '\0' && n > 0) {
            return n > kMaxVirtual ? kMaxVirtual : int(n);
        }
        return 1;
    }
    return setAndNotZero(std::getenv("QEL_VIRTUAL_CAMERAS")) ? 1 : 0;
}

std::vector<Device> listDevices(bool portAudioReady) {
    std::vector<Device> devices;
    int count = portAudioReady ? Pa_GetDeviceCount() : 0;
    for (int i = 0; i < count; ++i) {
        const PaDeviceInfo* info = Pa_GetDeviceInfo(i);
        if (info && info->maxInputChannels > 0 && info->name) {
            devices.push_back({info->name, i});
        }
    }
    int virtualCount = virtualMicrophoneCount();
    for (int i = 0; i < virtualCount; ++i) {
        std::string name = "Corvix Virtual Microphone";
        if (i > 0) {
            name += " " + std::to_string(i + 1);
        }
        devices.push_back({name, -1});
    }
    return devices;
}

}  // namespace qelaudioinput
