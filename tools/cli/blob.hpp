// The station description blob as plain records, and its exact encoding.
//
// A blob is a run of 32-bit little-endian words: the magic 0x01010101, the
// block count N, then one record per block (id, type id, P parameter entries of
// id + 64-bit value as two words low word first, Q port entries of a flag word
// and, when the flag is non-zero, the linked block id and port index).
// encode_blob(decode_blob(b)) == b for every blob that decodes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quilbet {

inline constexpr uint32_t blob_magic = 0x01010101u;

struct BlobParam {
    int32_t id = 0;
    double value = 0;
};

struct BlobPort {
    int32_t flag = 0;      // 0 = free; any other value = linked
    int32_t block = -1;    // linked block id (meaningful when flag != 0)
    int32_t port = -1;     // port index on the linked block
};

struct BlobRecord {
    int32_t id = 0;        // slot in the block table
    int32_t btype = 0;     // catalogue type id
    std::vector<BlobParam> params;
    std::vector<BlobPort> ports;
};

struct BlobStation {
    int32_t block_count = 0;             // N: the slots 0 .. N - 1
    std::vector<BlobRecord> records;     // in blob order; the first is the root
};

// Encodes the station word by word, little-endian. Never fails.
std::vector<uint8_t> encode_blob(const BlobStation& st);

// Decodes a blob. On success returns true and fills st. On a wrong magic, a
// length that is not a whole number of words, a record that runs past the end,
// or no record at all, returns false with a reason naming the record and field
// in `error`; st is then unspecified. Counts are checked against the bytes that
// are left before anything is allocated, so hostile counts cost nothing.
bool decode_blob(const uint8_t* data, size_t size, BlobStation& st, std::string& error);

}  // namespace quilbet
