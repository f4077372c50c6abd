#include "VirtualRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

namespace qelds {

VirtualRegistry& VirtualRegistry::instance() {
    static VirtualRegistry registry;
    return registry;
}

int VirtualRegistry::add(const std::string& profileJson) {
    VirtualProfile profile;
    std::string error;
    if (!VirtualProfile::parse(profileJson, &profile, &error)) {
        std::fprintf(stderr, "qelds: virtual camera profile refused: %s\n", error.c_str());
        return 0;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    int handle = m_nextHandle++;
    m_cameras[handle] = std::make_shared<VirtualCamera>(handle, profile);
    return handle;
}

bool VirtualRegistry::remove(int handle) {
    std::shared_ptr<VirtualCamera> camera;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_cameras.find(handle);
        if (it == m_cameras.end())
            return false;
        camera = it->second;
        m_cameras.erase(it);
    }
    camera->unplug();
    return true;
}

bool VirtualRegistry::setProfile(int handle, const std::string& profileJson) {
    std::shared_ptr<VirtualCamera> camera = find(handle);
    if (!camera)
        return false;
    VirtualProfile profile;
    std::string error;
    if (!VirtualProfile::parse(profileJson, &profile, &error)) {
        std::fprintf(stderr, "qelds: virtual camera profile refused: %s\n", error.c_str());
        return false;
    }
    camera->setProfile(profile);
    return true;
}

std::shared_ptr<VirtualCamera> VirtualRegistry::find(int handle) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_cameras.find(handle);
    return it == m_cameras.end() ? nullptr : it->second;
}

void VirtualRegistry::reset() {
    std::map<int, std::shared_ptr<VirtualCamera>> cameras;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        cameras.swap(m_cameras);
        m_environmentDone = false;
    }
    for (auto& c : cameras)
        c.second->unplug();
}

bool VirtualRegistry::addFromEnvironment() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_environmentDone)
            return true;
        m_environmentDone = true;
    }
    const char* value = std::getenv("QEL_VIRTUAL_CAMERAS");
    if (!value || !*value)
        return true;
    std::string text(value);
    bool isCount = text.find_first_not_of("0123456789") == std::string::npos;
    if (isCount) {
        long count = std::strtol(text.c_str(), nullptr, 10);
        if (count > 16) {
            std::fprintf(stderr, "qelds: QEL_VIRTUAL_CAMERAS=%ld: at most 16 virtual cameras\n", count);
            count = 16;
        }
        for (long i = 0; i < count; ++i)
            add("");
        return true;
    }
    std::ifstream file(text);
    if (!file) {
        std::fprintf(stderr, "qelds: QEL_VIRTUAL_CAMERAS: cannot read %s\n", text.c_str());
        return false;
    }
    std::stringstream content;
    content << file.rdbuf();
    nlohmann::json j = nlohmann::json::parse(content.str(), nullptr, false);
    if (j.is_discarded()) {
        std::fprintf(stderr, "qelds: QEL_VIRTUAL_CAMERAS: %s is not valid JSON\n", text.c_str());
        return false;
    }
    bool ok = true;
    if (j.is_array()) {
        for (const auto& profile : j)
            ok = add(profile.dump()) != 0 && ok;
    } else {
        ok = add(j.dump()) != 0;
    }
    return ok;
}

std::vector<std::shared_ptr<CameraDevice>> VirtualRegistry::present() {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<std::shared_ptr<CameraDevice>> list;
    for (auto& c : m_cameras)
        list.push_back(c.second);
    return list;
}

}  // namespace qelds
