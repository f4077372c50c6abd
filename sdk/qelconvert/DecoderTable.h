// The decoders of the process, addressed by key text. Lookups hand out shared references, so a
// decoder released on one thread while another thread decodes with it is freed after that frame.
#ifndef QEL_DECODER_TABLE_H
#define QEL_DECODER_TABLE_H

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

class VideoDecoder;

class DecoderTable {
public:
    // Stores the decoder and writes its new key into keyOut (QEL_TEXT_BUFFER_SIZE bytes).
    void add(std::shared_ptr<VideoDecoder> decoder, char* keyOut);
    // Null for a null, unterminated (within the key buffer size) or unknown key.
    std::shared_ptr<VideoDecoder> find(const char* key) const;
    bool remove(const char* key);
    void clear();
    size_t size() const;

private:
    static bool validKey(const char* key, std::string_view* view);

    mutable std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<VideoDecoder>, std::less<>> m_decoders;
    unsigned long long m_nextId = 1;
};

#endif
