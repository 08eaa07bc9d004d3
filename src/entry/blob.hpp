// The station description blob: its plain records, its one reader and its
// exact encoding.
//
// A blob is a run of 32-bit little-endian signed words, length / 4 of them
// (length in bytes): the magic 0x01010101, the block count N, then one record
// per block until the words run out:
//   block id, type id, parameter count P, port count Q,
//   P x (parameter id, value as a 64-bit float in two words, low word first),
//   Q x (linked flag; when non-zero also linked block id, linked port index).
// The first record's block id becomes the root. Both sides of a link are written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "blocks/block_types.hpp"

namespace quilbet {

inline constexpr int32_t blob_magic = 0x01010101;

// A parameter entry: id, then the value.
using BlobParam = ParamValue;

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
    int32_t word = 0;      // where the record starts in the blob, for messages
};

struct BlobStation {
    int32_t block_count = 0;             // N: the slots 0 .. N - 1
    std::vector<BlobRecord> records;     // in blob order; the first is the root
};

// What the reader made of a blob.
struct BlobRead {
    bool ok = false;
    bool wrong_magic = false;       // word 0 is not the magic (or the blob is too short to hold it)
    std::string reason;             // when not ok: names the record and field
    bool stopped_at_unknown_type = false;  // reading ended at a record whose type id no block type has
    int32_t trailing_bytes = 0;     // bytes after the last whole word (ignored)
};

// Reads the blob into st. Accepted: the magic; N within 0 .. max_block_count;
// at least one record; every record complete within the words; block ids
// within 0 .. N - 1 and none twice; P and Q within their limits; link targets
// within 0 .. N - 1 and link ports within 0 .. max_record_ports - 1. Counts are
// checked against the words left before anything is sized by them. With
// stop_at_unknown_type, reading ends after the header of the first record
// whose type id is not in the block-type table (that record is kept, without
// entries; nothing after it is read). A null blob or a negative length is
// refused. Parameter values are not judged here.
BlobRead read_blob(const void* blob, int64_t length, bool stop_at_unknown_type, BlobStation& st);

// Encodes the station word by word, little-endian. Never fails.
// read_blob(encode_blob(s)) gives s back for every s it accepts.
std::vector<uint8_t> encode_blob(const BlobStation& st);

}  // namespace quilbet
