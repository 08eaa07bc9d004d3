// Pass and fail counts of the Windows test host; failed checks are printed.
#pragma once

#include <cstdio>
#include <string>

namespace host {

class Report {
public:
    // Counts one check; prints what failed.
    void check(bool ok, const std::string& what) {
        if (ok) {
            ++passed_;
        } else {
            ++failed_;
            std::printf("FAILED: %s\n", what.c_str());
        }
    }
    int passed() const { return passed_; }
    int failed() const { return failed_; }

private:
    int passed_ = 0;
    int failed_ = 0;
};

}  // namespace host
