// Station description blob: word-exact encoding and a bounds-checked decoder.
#include "blob.hpp"

#include <cstdio>
#include <cstring>

namespace quilbet {
namespace {

void put_word(std::vector<uint8_t>& out, uint32_t w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
    out.push_back(static_cast<uint8_t>(w >> 16));
    out.push_back(static_cast<uint8_t>(w >> 24));
}

uint32_t get_word(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

class WordReader {
public:
    WordReader(const uint8_t* data, size_t words) : data_(data), words_(words) {}
    size_t left() const { return words_ - at_; }
    size_t position() const { return at_; }
    int32_t next() {
        const uint32_t w = get_word(data_ + 4 * at_);
        ++at_;
        return static_cast<int32_t>(w);
    }

private:
    const uint8_t* data_;
    size_t words_;
    size_t at_ = 0;
};

std::string record_name(size_t index, int32_t id) {
    return "record " + std::to_string(index) + " (block id " + std::to_string(id) + ")";
}

}  // namespace

std::vector<uint8_t> encode_blob(const BlobStation& st) {
    std::vector<uint8_t> out;
    put_word(out, blob_magic);
    put_word(out, static_cast<uint32_t>(st.block_count));
    for (const BlobRecord& r : st.records) {
        put_word(out, static_cast<uint32_t>(r.id));
        put_word(out, static_cast<uint32_t>(r.btype));
        put_word(out, static_cast<uint32_t>(r.params.size()));
        put_word(out, static_cast<uint32_t>(r.ports.size()));
        for (const BlobParam& p : r.params) {
            uint64_t bits;
            std::memcpy(&bits, &p.value, sizeof bits);
            put_word(out, static_cast<uint32_t>(p.id));
            put_word(out, static_cast<uint32_t>(bits));
            put_word(out, static_cast<uint32_t>(bits >> 32));
        }
        for (const BlobPort& q : r.ports) {
            put_word(out, static_cast<uint32_t>(q.flag));
            if (q.flag != 0) {
                put_word(out, static_cast<uint32_t>(q.block));
                put_word(out, static_cast<uint32_t>(q.port));
            }
        }
    }
    return out;
}

bool decode_blob(const uint8_t* data, size_t size, BlobStation& st, std::string& error) {
    st = BlobStation{};
    if (size % 4 != 0) {
        error = "blob length " + std::to_string(size) + " bytes is not a whole number of 32-bit words";
        return false;
    }
    WordReader in(data, size / 4);
    if (in.left() < 2) {
        error = "blob of " + std::to_string(size) + " bytes is too short for the magic and the block count";
        return false;
    }
    const uint32_t magic = static_cast<uint32_t>(in.next());
    if (magic != blob_magic) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "wrong magic 0x%08X (expected 0x01010101)", magic);
        error = buf;
        return false;
    }
    st.block_count = in.next();
    if (in.left() == 0) {
        error = "blob has no block record";
        return false;
    }
    while (in.left() > 0) {
        const size_t index = st.records.size();
        if (in.left() < 4) {
            error = "record " + std::to_string(index) + ": header runs past the end of the blob (" +
                    std::to_string(in.left()) + " of 4 words left)";
            return false;
        }
        BlobRecord r;
        r.id = in.next();
        r.btype = in.next();
        const int32_t p_count = in.next();
        const int32_t q_count = in.next();
        const std::string name = record_name(index, r.id);
        if (p_count < 0 || static_cast<uint64_t>(p_count) * 3 > in.left()) {
            error = name + ", parameter count " + std::to_string(p_count) +
                    ": the parameter entries run past the end of the blob";
            return false;
        }
        r.params.resize(static_cast<size_t>(p_count));
        for (BlobParam& p : r.params) {
            p.id = in.next();
            const uint64_t lo = static_cast<uint32_t>(in.next());
            const uint64_t hi = static_cast<uint32_t>(in.next());
            const uint64_t bits = lo | hi << 32;
            std::memcpy(&p.value, &bits, sizeof bits);
        }
        if (q_count < 0 || static_cast<uint64_t>(q_count) > in.left()) {
            error = name + ", port count " + std::to_string(q_count) +
                    ": the port entries run past the end of the blob";
            return false;
        }
        r.ports.resize(static_cast<size_t>(q_count));
        for (size_t k = 0; k < r.ports.size(); ++k) {
            BlobPort& q = r.ports[k];
            if (in.left() < 1) {
                error = name + ", port " + std::to_string(k) + ": the entry runs past the end of the blob";
                return false;
            }
            q.flag = in.next();
            if (q.flag != 0) {
                if (in.left() < 2) {
                    error = name + ", port " + std::to_string(k) +
                            ": the linked block and port run past the end of the blob";
                    return false;
                }
                q.block = in.next();
                q.port = in.next();
            }
        }
        st.records.push_back(std::move(r));
    }
    return true;
}

}  // namespace quilbet
