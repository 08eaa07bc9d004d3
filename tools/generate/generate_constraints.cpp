// Reading the generator's constraints.
#include "generate/generate_constraints.hpp"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace quilbet {
namespace {

bool same_name(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

bool whole(const std::string& text, int32_t& out) {
    if (text.empty() || text.size() > 4) return false;
    out = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        out = 10 * out + (c - '0');
    }
    return true;
}

}  // namespace

bool Requirement::counts(BlockType type) const {
    if (!category) return static_cast<int32_t>(type) == type_or_category;
    return static_cast<int32_t>(find_block_type(static_cast<int32_t>(type))->category) == type_or_category;
}

bool parse_requirement(const std::string& text, Requirement& r, std::string& why) {
    const size_t eq = text.find('=');
    if (eq == std::string::npos) {
        why = "expects TYPE=N or TYPE=MIN..MAX, not \"" + text + "\"";
        return false;
    }
    const std::string name = text.substr(0, eq), range = text.substr(eq + 1);
    r = Requirement{};
    if (const BlockTypeSpec* t = find_block_type_named(name)) {
        r.name = t->name;
        r.type_or_category = t->btype();
    } else {
        const std::vector<std::string>& cats = category_names();
        for (size_t i = 0; i < cats.size(); ++i) {
            // The category's name, with _ for its spaces, or its first word: "Solar_power", "solar".
            std::string underscored = cats[i];
            for (char& c : underscored) c = c == ' ' ? '_' : c;
            if (same_name(cats[i], name) || same_name(underscored, name) || same_name(cats[i].substr(0, cats[i].find(' ')), name)) {
                r.name = cats[i];
                r.category = true;
                r.type_or_category = static_cast<int32_t>(i);
            }
        }
        if (r.name.empty()) {
            why = "\"" + name + "\" is neither a block type nor a category (`quilbet catalogue` lists both)";
            return false;
        }
    }
    const size_t dots = range.find("..");
    const bool ok = dots == std::string::npos
                        ? whole(range, r.min) && whole(range, r.max)
                        : whole(range.substr(0, dots), r.min) && whole(range.substr(dots + 2), r.max);
    if (!ok || r.min > r.max) {
        why = "expects a count N or MIN..MAX (whole numbers, MIN <= MAX) after \"" + name + "=\", not \"" + range + "\"";
        return false;
    }
    return true;
}

bool parse_max_size(const std::string& text, Vec3& size) {
    double v[3];
    const char* p = text.c_str();
    for (int i = 0; i < 3; ++i) {
        char* end = nullptr;
        v[i] = std::strtod(p, &end);
        if (end == p || !std::isfinite(v[i]) || v[i] <= 0) return false;
        p = end;
        if (i < 2) {
            if (*p != ',') return false;
            ++p;
        }
    }
    if (*p != '\0') return false;
    size = {v[0], v[1], v[2]};
    return true;
}

}  // namespace quilbet
