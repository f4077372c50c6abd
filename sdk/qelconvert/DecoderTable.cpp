#include "DecoderTable.h"

#include <cstdio>
#include <cstring>

#include "VideoDecoder.h"
#include "qelexport.h"

bool DecoderTable::validKey(const char* key, std::string_view* view) {
    if (!key) {
        return false;
    }
    const size_t length = strnlen(key, QEL_TEXT_BUFFER_SIZE);
    if (length == 0 || length >= QEL_TEXT_BUFFER_SIZE) {
        return false;
    }
    *view = std::string_view(key, length);
    return true;
}

void DecoderTable::add(std::shared_ptr<VideoDecoder> decoder, char* keyOut) {
    std::lock_guard<std::mutex> lock(m_mutex);
    char key[32];
    std::snprintf(key, sizeof key, "dec-%llu", m_nextId++);
    m_decoders.emplace(key, std::move(decoder));
    std::memcpy(keyOut, key, std::strlen(key) + 1);
}

std::shared_ptr<VideoDecoder> DecoderTable::find(const char* key) const {
    std::string_view view;
    if (!validKey(key, &view)) {
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_decoders.find(view);
    return it == m_decoders.end() ? nullptr : it->second;
}

bool DecoderTable::remove(const char* key) {
    std::string_view view;
    if (!validKey(key, &view)) {
        return false;
    }
    std::shared_ptr<VideoDecoder> removed;  // destroyed outside the lock
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_decoders.find(view);
    if (it == m_decoders.end()) {
        return false;
    }
    removed = std::move(it->second);
    m_decoders.erase(it);
    return true;
}

void DecoderTable::clear() {
    std::map<std::string, std::shared_ptr<VideoDecoder>, std::less<>> removed;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        removed.swap(m_decoders);
    }
}

size_t DecoderTable::size() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_decoders.size();
}
