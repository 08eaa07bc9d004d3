// The blob reader and encoder.
#include "entry/blob.hpp"

#include <cstdio>
#include <cstring>

#include "blocks/block_types.hpp"
#include "entry/limits.hpp"

namespace quilbet {

namespace {

// Reads 32-bit little-endian words of the blob in order; the caller checks
// left() before every read.
class WordReader {
public:
    WordReader(const uint8_t* data, int64_t words) : data_(data), words_(words) {}
    int64_t left() const { return words_ - at_; }
    int32_t position() const { return static_cast<int32_t>(at_); }
    int32_t next() {
        uint32_t w;
        std::memcpy(&w, data_ + 4 * at_, 4);
        ++at_;
        return static_cast<int32_t>(w);
    }
    double next_real() {
        const uint64_t lo = static_cast<uint32_t>(next());
        const uint64_t hi = static_cast<uint32_t>(next());
        const uint64_t bits = lo | (hi << 32);
        double v;
        std::memcpy(&v, &bits, 8);
        return v;
    }

private:
    const uint8_t* data_;
    int64_t words_;
    int64_t at_ = 0;
};

void put_word(std::vector<uint8_t>& out, uint32_t w) {
    out.push_back(static_cast<uint8_t>(w));
    out.push_back(static_cast<uint8_t>(w >> 8));
    out.push_back(static_cast<uint8_t>(w >> 16));
    out.push_back(static_cast<uint8_t>(w >> 24));
}

BlobRead refuse(std::string reason) {
    BlobRead r;
    r.reason = std::move(reason);
    return r;
}

}  // namespace

BlobRead read_blob(const void* blob, int64_t length, bool stop_at_unknown_type, BlobStation& st) {
    st = BlobStation{};
    if (blob == nullptr) return refuse("blob: no blob address");
    if (length < 0) return refuse("blob: negative length " + std::to_string(length));
    WordReader in(static_cast<const uint8_t*>(blob), length / 4);
    const int32_t magic = in.left() < 1 ? 0 : in.next();
    if (magic != blob_magic) {
        BlobRead r;
        if (length < 4) {
            r.reason = "blob: too short for the magic";
        } else {
            char text[80];
            std::snprintf(text, sizeof text, "blob: wrong magic 0x%08X (expected 0x01010101)", static_cast<uint32_t>(magic));
            r.reason = text;
        }
        r.wrong_magic = true;
        return r;
    }
    if (in.left() < 1) return refuse("blob: block count N cut by the end of the blob");
    const int32_t n = in.next();
    if (n < 0 || n > max_block_count) {
        return refuse("blob: block count N = " + std::to_string(n) + " outside 0 .. " + std::to_string(max_block_count));
    }
    if (in.left() < 1) return refuse("blob: no block record after the block count");
    st.block_count = n;

    BlobRead result;
    result.trailing_bytes = static_cast<int32_t>(length % 4);
    std::vector<uint8_t> seen(static_cast<std::size_t>(n), 0);
    while (in.left() > 0) {
        const std::size_t index = st.records.size();
        const std::string where = "record " + std::to_string(index) + " (word " + std::to_string(in.position()) + ")";
        if (in.left() < 4) return refuse(where + ": record header cut by the end of the blob");
        BlobRecord r;
        r.word = in.position();
        r.id = in.next();
        r.btype = in.next();
        const int32_t np = in.next();
        const int32_t nq = in.next();
        if (r.id < 0 || r.id >= n) {
            return refuse(where + ": block id " + std::to_string(r.id) + " outside 0 .. N - 1 (N = " + std::to_string(n) + ")");
        }
        if (seen[static_cast<std::size_t>(r.id)]) return refuse(where + ": block id " + std::to_string(r.id) + " repeated");
        seen[static_cast<std::size_t>(r.id)] = 1;
        if (stop_at_unknown_type && find_block_type(r.btype) == nullptr) {
            st.records.push_back(std::move(r));
            result.stopped_at_unknown_type = true;
            break;
        }
        if (np < 0 || np > max_record_params) {
            return refuse(where + ": parameter count P = " + std::to_string(np) + " outside 0 .. " +
                          std::to_string(max_record_params));
        }
        if (nq < 0 || nq > max_record_ports) {
            return refuse(where + ": port count Q = " + std::to_string(nq) + " outside 0 .. " +
                          std::to_string(max_record_ports));
        }
        if (in.left() / 3 < np) return refuse(where + ": parameter entries cut by the end of the blob");
        r.params.resize(static_cast<std::size_t>(np));
        for (BlobParam& p : r.params) {
            p.id = in.next();
            p.value = in.next_real();
        }
        if (in.left() < nq) return refuse(where + ": port entries cut by the end of the blob");
        r.ports.resize(static_cast<std::size_t>(nq));
        for (std::size_t k = 0; k < r.ports.size(); ++k) {
            // Messages are only put together for a refusal: a blob may hold
            // hundreds of thousands of entries.
            auto field = [&] { return where + ", port entry " + std::to_string(k); };
            if (in.left() < 1) return refuse(field() + ": linked flag cut by the end of the blob");
            BlobPort& q = r.ports[k];
            q.flag = in.next();
            if (q.flag == 0) continue;
            if (in.left() < 2) return refuse(field() + ": link cut by the end of the blob");
            q.block = in.next();
            q.port = in.next();
            if (q.block < 0 || q.block >= n) {
                return refuse(field() + ": link target block " + std::to_string(q.block) + " outside 0 .. N - 1 (N = " +
                              std::to_string(n) + ")");
            }
            if (q.port < 0 || q.port >= max_record_ports) {
                return refuse(field() + ": link target port " + std::to_string(q.port) + " outside 0 .. " +
                              std::to_string(max_record_ports - 1));
            }
        }
        st.records.push_back(std::move(r));
    }
    result.ok = true;
    return result;
}

std::vector<uint8_t> encode_blob(const BlobStation& st) {
    std::vector<uint8_t> out;
    put_word(out, static_cast<uint32_t>(blob_magic));
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

}  // namespace quilbet
