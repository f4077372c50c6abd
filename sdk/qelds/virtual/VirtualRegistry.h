// The process-wide set of virtual cameras ("plugged in" until removed), and the camera family
// that lists them to the library.
#ifndef QELDS_VIRTUAL_REGISTRY_H
#define QELDS_VIRTUAL_REGISTRY_H

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "CameraDevice.h"
#include "VirtualCamera.h"

namespace qelds {

class VirtualRegistry {
public:
    static VirtualRegistry& instance();

    // Handle > 0, or 0 when the profile is not valid (the reason goes to the log).
    int add(const std::string& profileJson);
    bool remove(int handle);
    bool setProfile(int handle, const std::string& profileJson);
    std::shared_ptr<VirtualCamera> find(int handle);
    // Unplugs every camera; QEL_VIRTUAL_CAMERAS is read again by the next addFromEnvironment().
    void reset();
    // Adds the cameras QEL_VIRTUAL_CAMERAS asks for, once after start or reset. False when the
    // variable is set but cannot be used (logged).
    bool addFromEnvironment();
    // What QEL_VIRTUAL_CAMERAS asks for, without adding anything: one profile text per camera
    // ("" = default profile; a count over 16 gives 16). False with the reason when the value is
    // neither a count nor a readable JSON file, or when the file holds a refused profile (the valid
    // ones are still listed).
    static bool readEnvironment(std::vector<std::string>* profiles, std::string* error);
    // Cameras present now, in the order they were added.
    std::vector<std::shared_ptr<CameraDevice>> present();

private:
    std::mutex m_mutex;
    std::map<int, std::shared_ptr<VirtualCamera>> m_cameras;
    int m_nextHandle = 1;
    bool m_environmentDone = false;
};

class VirtualSource : public DeviceSource {
public:
    std::vector<std::shared_ptr<CameraDevice>> enumerate() override {
        return VirtualRegistry::instance().present();
    }
    // Virtual cameras come and go through the scripting calls, which tell the library directly.
    bool startMonitor(std::function<void()>) override { return true; }
    void stopMonitor() override {}
};

}  // namespace qelds

#endif
