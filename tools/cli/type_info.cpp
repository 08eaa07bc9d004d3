// Type lookups and the typo suggestions (optimal string alignment distance).
#include "type_info.hpp"

#include <algorithm>
#include <cctype>

namespace quilbet {
namespace {

std::string lower(const std::string& s) {
    std::string out = s;
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace

int32_t TypeSource::find_btype(int32_t btype) const {
    const auto& t = types();
    for (size_t i = 0; i < t.size(); ++i) {
        if (t[i].btype == btype) return static_cast<int32_t>(i);
    }
    return -1;
}

int32_t TypeSource::find_name(const std::string& name) const {
    const auto& t = types();
    const std::string key = lower(name);
    for (size_t i = 0; i < t.size(); ++i) {
        if (lower(t[i].name) == key) return static_cast<int32_t>(i);
    }
    return -1;
}

size_t name_distance(const std::string& a0, const std::string& b0) {
    const std::string a = lower(a0), b = lower(b0);
    const size_t n = a.size(), m = b.size();
    std::vector<std::vector<size_t>> d(n + 1, std::vector<size_t>(m + 1));
    for (size_t i = 0; i <= n; ++i) d[i][0] = i;
    for (size_t j = 0; j <= m; ++j) d[0][j] = j;
    for (size_t i = 1; i <= n; ++i) {
        for (size_t j = 1; j <= m; ++j) {
            const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[n][m];
}

std::string closest_name(const std::string& name, const std::vector<std::string>& candidates) {
    std::string best;
    size_t best_d = SIZE_MAX;
    for (const std::string& c : candidates) {
        const size_t d = name_distance(name, c);
        if (d < best_d) {
            best_d = d;
            best = c;
        }
    }
    // A typo changes a few letters; beyond about a third of the name it is another word.
    const size_t allowed = std::max<size_t>(2, (name.size() + 2) / 3);
    return best_d <= allowed ? best : std::string();
}

}  // namespace quilbet
