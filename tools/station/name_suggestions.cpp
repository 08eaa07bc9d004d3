// Typo suggestions (optimal string alignment distance).
#include "station/name_suggestions.hpp"

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

size_t name_distance(const std::string& a0, const std::string& b0) {
    const std::string a = lower(a0), b = lower(b0);
    const size_t m = b.size();
    // Three rolling rows: the swap of neighbours looks two rows back.
    std::vector<size_t> before(m + 1), prev(m + 1), cur(m + 1);
    for (size_t j = 0; j <= m; ++j) prev[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        cur[0] = i;
        for (size_t j = 1; j <= m; ++j) {
            const size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            cur[j] = std::min({prev[j] + 1, cur[j - 1] + 1, prev[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1]) cur[j] = std::min(cur[j], before[j - 2] + 1);
        }
        std::swap(before, prev);
        std::swap(prev, cur);
    }
    return prev[m];
}

std::string closest_name(const std::string& name, const std::vector<std::string>& candidates) {
    // Nobody mistypes a name this long; comparing it would only cost time.
    if (name.size() > max_suggested_name) return {};
    std::string best;
    size_t best_d = SIZE_MAX;
    for (const std::string& c : candidates) {
        if (c.size() > max_suggested_name) continue;
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
