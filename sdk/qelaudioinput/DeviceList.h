// The microphones offered: PortAudio's input devices as it names them, then the virtual
// microphones when QEL_VIRTUAL_MICROPHONES (a count, or any other non-empty text for one) or
// QEL_VIRTUAL_CAMERAS asks for them. QEL_VIRTUAL_MICROPHONES=0 turns them off.
#ifndef QELAUDIOINPUT_DEVICE_LIST_H
#define QELAUDIOINPUT_DEVICE_LIST_H

#include <string>
#include <vector>

namespace qelaudioinput {

struct Device {
    std::string name;
    int paIndex = -1;  // -1: virtual
};

// How many virtual microphones the environment asks for (0-4).
int virtualMicrophoneCount();
// Lists the devices; PortAudio must be initialised for real ones to appear.
std::vector<Device> listDevices(bool portAudioReady);

}  // namespace qelaudioinput

#endif
