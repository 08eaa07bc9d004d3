// Messages about a station description: errors refuse it, warnings do not.
// At most max_kept errors and max_kept warnings are kept for printing; the
// rest are only counted, so a description with a hundred thousand faults
// cannot flood the terminal or the memory.
#pragma once

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace quilbet {

struct Diagnostic {
    bool error = true;
    std::string text;   // "<where>: <what>", naming the block and the field
};

class Diagnostics {
public:
    static constexpr size_t max_kept = 50;

    void error(std::string text) { add(true, std::move(text)); }
    void warning(std::string text) { add(false, std::move(text)); }
    bool has_errors() const { return errors_ > 0; }
    size_t error_count() const { return errors_; }
    // At most max_kept messages in the order they came; errors are kept
    // before warnings, so a flood of warnings never hides an error.
    std::vector<Diagnostic> list() const {
        std::vector<Diagnostic> out;
        const size_t warnings = std::min(kept_warnings_.size(), max_kept - kept_errors_.size());
        size_t e = 0, w = 0;
        while (e < kept_errors_.size() || w < warnings) {
            const bool take_error = w >= warnings || (e < kept_errors_.size() && kept_errors_[e].first < kept_warnings_[w].first);
            out.push_back(take_error ? kept_errors_[e++].second : kept_warnings_[w++].second);
        }
        return out;
    }
    // Messages beyond those list() gives.
    size_t dropped() const { return count_ - list_size(); }
    // True once max_kept errors are kept: callers may skip work that only
    // makes a message longer.
    bool full() const { return kept_errors_.size() >= max_kept; }

private:
    size_t list_size() const { return kept_errors_.size() + std::min(kept_warnings_.size(), max_kept - kept_errors_.size()); }
    void add(bool is_error, std::string text) {
        errors_ += is_error ? 1 : 0;
        auto& kept = is_error ? kept_errors_ : kept_warnings_;
        if (kept.size() < max_kept) kept.emplace_back(count_, Diagnostic{is_error, std::move(text)});
        ++count_;
    }

    std::vector<std::pair<size_t, Diagnostic>> kept_errors_, kept_warnings_;   // (arrival, message)
    size_t errors_ = 0;
    size_t count_ = 0;
};

// Prints the kept messages, one per line prefixed by the file, then how many
// more there were.
inline void print_diagnostics(std::ostream& out, const std::string& file, const Diagnostics& diag) {
    for (const Diagnostic& d : diag.list()) out << file << ": " << (d.error ? "error: " : "warning: ") << d.text << "\n";
    if (diag.dropped() > 0) out << file << ": \u2026 and " << diag.dropped() << " more\n";
}

}  // namespace quilbet
