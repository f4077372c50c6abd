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

bool VirtualRegistry::readEnvironment(std::vector<std::string>* profiles, std::string* error) {
    profiles->clear();
    error->clear();
    const char* value = std::getenv("QEL_VIRTUAL_CAMERAS");
    if (!value || !*value)
        return true;
    const std::string text(value);
    // A number, signed or not, is a count ("-1" is a bad count, never a file name).
    const size_t digits = text[0] == '-' || text[0] == '+' ? 1 : 0;
    const bool isNumber =
        text.size() > digits && text.find_first_not_of("0123456789", digits) == std::string::npos;
    if (isNumber) {
        long count = text.size() - digits > 6 ? 1000000 : std::strtol(text.c_str(), nullptr, 10);
        if (count < 0) {
            *error = "QEL_VIRTUAL_CAMERAS=" + text + ": not a camera count (0 to 16)";
            return false;
        }
        if (count > 16) {
            std::fprintf(stderr, "qelds: QEL_VIRTUAL_CAMERAS=%s: at most 16 virtual cameras\n", text.c_str());
            count = 16;
        }
        profiles->assign(size_t(count), std::string());
        return true;
    }
    std::ifstream file(text);
    if (!file) {
        *error = "QEL_VIRTUAL_CAMERAS=" + text + ": neither a camera count nor a readable profile file";
        return false;
    }
    std::stringstream content;
    content << file.rdbuf();
    nlohmann::json j = nlohmann::json::parse(content.str(), nullptr, false);
    if (j.is_discarded()) {
        *error = "QEL_VIRTUAL_CAMERAS: " + text + " is not valid JSON";
        return false;
    }
    if (!j.is_array())
        j = nlohmann::json::array({j});
    // The valid profiles of the file are kept; the first refusal is the answer.
    for (const auto& profile : j) {
        VirtualProfile parsed;
        std::string reason;
        if (VirtualProfile::parse(profile.dump(), &parsed, &reason))
            profiles->push_back(profile.dump());
        else if (error->empty())
            *error = "QEL_VIRTUAL_CAMERAS: " + text + ": profile refused: " + reason;
    }
    return error->empty();
}

bool VirtualRegistry::addFromEnvironment() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_environmentDone)
            return true;
        m_environmentDone = true;
    }
    std::vector<std::string> profiles;
    std::string error;
    const bool ok = readEnvironment(&profiles, &error);
    if (!ok)
        std::fprintf(stderr, "qelds: %s\n", error.c_str());
    for (const auto& profile : profiles)
        add(profile);
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
