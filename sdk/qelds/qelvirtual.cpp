// Scripting the virtual cameras.
#include "qelvirtual.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Library.h"
#include "virtual/VirtualRegistry.h"

using namespace qelds;

namespace {

// The camera list follows at once; the hot-plug callback follows on the library's thread.
void cameraListChanged(bool notify) {
    Library& lib = Library::instance();
    if (!lib.initialized())
        return;
    lib.refresh();
    if (notify)
        lib.notifyChanged();
}

}  // namespace

int qelvirtual_add_camera(const char* profileJson) {
    int handle = VirtualRegistry::instance().add(profileJson ? profileJson : "");
    if (handle)
        cameraListChanged(true);
    return handle;
}

int qelvirtual_remove_camera(int handle) {
    if (!VirtualRegistry::instance().remove(handle))
        return 0;
    cameraListChanged(true);
    return 1;
}

int qelvirtual_set_profile(int handle, const char* profileJson) {
    return VirtualRegistry::instance().setProfile(handle, profileJson ? profileJson : "") ? 1 : 0;
}

int qelvirtual_inject_fault(int handle, int fault, int param) {
    if (fault == QELV_FAULT_VANISH)
        return qelvirtual_remove_camera(handle);
    auto camera = VirtualRegistry::instance().find(handle);
    return camera && camera->injectFault(fault, param) ? 1 : 0;
}

int qelvirtual_reset(void) {
    VirtualRegistry::instance().reset();
    cameraListChanged(false);
    return 1;
}

int qelvirtual_handle_of(int cam) {
    auto e = Library::instance().entry(cam);
    if (!e)
        return 0;
    const std::string& id = e->uniqueId();
    const std::string prefix = "virtual:";
    if (id.compare(0, prefix.size(), prefix) != 0)
        return 0;
    return std::stoi(id.substr(prefix.size()));
}

int qelvirtual_check_environment(char* reason, int size) {
    std::vector<std::string> profiles;
    std::string error;
    const bool ok = VirtualRegistry::readEnvironment(&profiles, &error);
    if (reason && size > 0) {
        const size_t n = std::min(error.size(), size_t(size - 1));
        std::memcpy(reason, error.data(), n);
        reason[n] = '\0';
    }
    return ok ? 1 : 0;
}
