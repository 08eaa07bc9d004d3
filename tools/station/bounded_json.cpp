// The bounds check before JSON text is parsed into a value, and short
// excerpts of values and parser messages for diagnostics.
#include "station/bounded_json.hpp"

#include <vector>

#include "entry/limits.hpp"

namespace quilbet {
namespace {

using json = nlohmann::json;
using ojson = nlohmann::ordered_json;

// Keys quoted in a place are cut to this many bytes.
constexpr size_t max_key_shown = 40;

// A SAX reader that builds nothing: it keeps one frame per open object or
// array (at most max_json_depth) and stops at the first entry past a limit.
class BoundsReader {
public:
    bool null() { return entry(); }
    bool boolean(bool) { return entry(); }
    bool number_integer(json::number_integer_t) { return entry(); }
    bool number_unsigned(json::number_unsigned_t) { return entry(); }
    bool number_float(json::number_float_t, const json::string_t&) { return entry(); }
    bool string(json::string_t&) { return entry(); }
    bool binary(json::binary_t&) { return entry(); }
    bool start_object(std::size_t) { return open(true); }
    bool start_array(std::size_t) { return open(false); }
    bool end_object() { return close(); }
    bool end_array() { return close(); }

    bool key(json::string_t& k) {
        Frame& f = frames_.back();
        f.key = k.size() > max_key_shown ? k.substr(0, max_key_shown) + "\u2026" : k;
        if (++f.count > max_json_members) {
            return refuse(place(false) + ": more than " + std::to_string(max_json_members) + " keys in one object");
        }
        if (++keys_ > max_json_keys) {
            return refuse("station: more than " + std::to_string(max_json_keys) +
                          " keys in all; the largest station needs fewer than 80000");
        }
        return true;
    }

    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) {
        // 406: a number beyond a double; the description reader names its block and field.
        if (e.id != 406) result_ = {JsonCheck::syntax, short_parse_message(e.what())};
        return false;
    }

    const JsonCheck& result() const { return result_; }

private:
    struct Frame {
        bool object = false;
        size_t count = 0;   // keys or elements so far
        std::string key;    // the object's last key, cut short
    };

    // A value starts: in an array it is one more element.
    bool entry() {
        if (frames_.empty() || frames_.back().object) return true;
        Frame& f = frames_.back();
        if (++f.count <= max_json_members) return true;
        const bool station_blocks = frames_.size() == 2 && frames_[0].object && frames_[0].key == "blocks";
        if (station_blocks) {
            return refuse("station, blocks: more than " + std::to_string(max_block_count) +
                          " blocks (the most a station may have)");
        }
        return refuse(place(false) + ": more than " + std::to_string(max_json_members) + " elements in one list");
    }

    bool open(bool object) {
        if (!entry()) return false;
        if (frames_.size() >= static_cast<size_t>(max_json_depth)) {
            return refuse(place(true) + ": nested deeper than " + std::to_string(max_json_depth) +
                          " levels (a description needs 4)");
        }
        frames_.push_back({object, 0, {}});
        return true;
    }

    bool close() {
        frames_.pop_back();
        return true;
    }

    // Where the reader stands, "blocks[3].params", with the entry being read
    // when with_current is set; cut after a few steps when deeper.
    std::string place(bool with_current) const {
        std::string at;
        size_t steps = 0;
        for (size_t i = 0; i < frames_.size(); ++i) {
            const Frame& f = frames_[i];
            if (f.count == 0 || (i + 1 == frames_.size() && !with_current)) continue;
            if (++steps > 6) {
                at += "\u2026";
                break;
            }
            if (f.object) {
                if (!at.empty()) at += '.';
                at += f.key;
            } else {
                at += '[';
                at += std::to_string(f.count - 1);
                at += ']';
            }
        }
        return at.empty() ? std::string("station") : at;
    }

    bool refuse(std::string message) {
        result_ = {JsonCheck::bounds, std::move(message)};
        return false;
    }

    std::vector<Frame> frames_;
    size_t keys_ = 0;
    JsonCheck result_;
};

void excerpt_into(const ojson& v, std::string& out, size_t limit, int depth) {
    if (out.size() > limit) return;
    if (depth > max_json_depth) {
        out += "\u2026";
        return;
    }
    if (v.is_object() || v.is_array()) {
        out += v.is_object() ? '{' : '[';
        bool first = true;
        for (auto it = v.begin(); it != v.end() && out.size() <= limit; ++it) {
            if (!first) out += ',';
            first = false;
            if (v.is_object()) {
                excerpt_into(ojson(it.key().substr(0, limit)), out, limit, depth + 1);
                out += ':';
            }
            excerpt_into(it.value(), out, limit, depth + 1);
        }
        out += v.is_object() ? '}' : ']';
    } else if (v.is_string()) {
        // Cut before quoting: a string may be megabytes long. A cut through a
        // UTF-8 sequence is written as U+FFFD.
        out += ojson(v.get_ref<const std::string&>().substr(0, limit + 1)).dump(-1, ' ', false, ojson::error_handler_t::replace);
    } else {
        out += v.dump();
    }
}

// s cut to at most n bytes, not through a UTF-8 sequence.
std::string cut_utf8(const std::string& s, size_t n) {
    if (s.size() <= n) return s;
    while (n > 0 && (static_cast<unsigned char>(s[n]) & 0xC0) == 0x80) --n;
    return s.substr(0, n);
}

}  // namespace

std::string_view without_bom(std::string_view text) {
    return text.substr(0, 3) == "\xEF\xBB\xBF" ? text.substr(3) : text;
}

JsonCheck check_json_text(std::string_view text) {
    BoundsReader reader;
    const std::string_view body = without_bom(text);
    json::sax_parse(body.data(), body.data() + body.size(), &reader, nlohmann::detail::input_format_t::json, true, true);
    return reader.result();
}

std::string json_excerpt(const ojson& v, size_t max_chars) {
    std::string out;
    excerpt_into(v, out, max_chars, 0);
    return out.size() > max_chars ? cut_utf8(out, max_chars) + "\u2026" : out;
}

std::string text_excerpt(const std::string& text, size_t max_bytes) {
    return text.size() > max_bytes ? cut_utf8(text, max_bytes) + "\u2026" : text;
}

std::string short_parse_message(const std::string& what) {
    static const std::string quote = "last read: '";
    const size_t at = what.find(quote);
    if (at == std::string::npos) return cut_utf8(what, 300);
    const size_t start = at + quote.size();
    const size_t end = what.rfind('\'');
    std::string read = end != std::string::npos && end >= start ? what.substr(start, end - start) : what.substr(start);
    if (read.size() > max_key_shown) {
        size_t from = read.size() - max_key_shown;
        while (from < read.size() && (static_cast<unsigned char>(read[from]) & 0xC0) == 0x80) ++from;
        read.erase(0, from);
        read.insert(0, "\u2026");
    }
    // The token's last characters are where the parser stopped.
    const size_t tail = end != std::string::npos && end >= start ? end : what.size();
    return what.substr(0, start) + read + what.substr(tail);
}

}  // namespace quilbet
