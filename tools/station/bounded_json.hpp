// JSON text from outside (description files, the designer's request bodies),
// bounded before any work is done on it.
//
// The ordered JSON objects the descriptions are read into look each key up
// one by one, so an object of n keys costs n^2 to build, and anything that
// walks a value recursively (dump, comparison) follows its nesting on the
// stack. check_json_text reads the text once, in linear time and without
// building anything, and refuses nesting deeper than max_json_depth, an object
// or array with more than max_json_members entries and more than
// max_json_keys keys in all; only then may the text be parsed into a value.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace quilbet {

// A description nests four levels deep (station, blocks, block, params).
inline constexpr int max_json_depth = 64;
// Entries of one object or array: the blocks of the largest station (1,024)
// and the links joining them.
inline constexpr size_t max_json_members = 1024;
// Object keys in the whole text: the largest station, every block with every
// key and 64 parameters, has fewer than 80,000.
inline constexpr size_t max_json_keys = size_t{1} << 17;

struct JsonCheck {
    enum Kind { ok, syntax, bounds };
    Kind kind = ok;
    // For syntax: the parser's message, position and the start of what it read;
    // for bounds: what is too deep or too large and where ("blocks[3].params").
    std::string message;
};

// The text without a leading UTF-8 byte-order mark.
std::string_view without_bom(std::string_view text);

// Reads text (comments allowed, as the descriptions' reader allows them) once
// in linear time and small memory. `syntax` for text that is not JSON,
// `bounds` for text past the limits above (reported at the first entry past
// them, so a huge text is not read to its end), `ok` otherwise. A number too
// large for a double counts as ok: the reader that follows names its place.
JsonCheck check_json_text(std::string_view text);

// At most about max_chars characters of v's JSON text, "…" where it was cut.
// Walks only as much of v as it writes, so a huge value costs no more than a
// small one; a value nested deeper than max_json_depth is cut there.
std::string json_excerpt(const nlohmann::ordered_json& v, size_t max_chars = 60);

// Names and keys quoted in messages are cut to this many bytes.
inline constexpr size_t max_name_shown = 80;

// text cut to at most max_bytes bytes (not through a UTF-8 sequence), "…"
// where it was cut.
std::string text_excerpt(const std::string& text, size_t max_bytes = max_name_shown);

// A parser's exception text with what it quotes ("last read: '...'") cut to
// a short prefix.
std::string short_parse_message(const std::string& what);

}  // namespace quilbet
