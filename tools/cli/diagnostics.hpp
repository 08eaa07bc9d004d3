// Messages about a station description: errors refuse it, warnings do not.
#pragma once

#include <string>
#include <vector>

namespace quilbet {

struct Diagnostic {
    bool error = true;
    std::string text;   // "<where>: <what>", naming the block and the field
};

class Diagnostics {
public:
    void error(std::string text) { list_.push_back({true, std::move(text)}); }
    void warning(std::string text) { list_.push_back({false, std::move(text)}); }
    bool has_errors() const {
        for (const Diagnostic& d : list_) {
            if (d.error) return true;
        }
        return false;
    }
    size_t error_count() const {
        size_t n = 0;
        for (const Diagnostic& d : list_) n += d.error ? 1 : 0;
        return n;
    }
    const std::vector<Diagnostic>& list() const { return list_; }

private:
    std::vector<Diagnostic> list_;
};

}  // namespace quilbet
