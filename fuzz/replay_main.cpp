// Replays saved fuzz inputs through a target's LLVMFuzzerTestOneInput without
// libFuzzer, so the corpus runs in the ordinary sanitizer build (any compiler).
//
//   replay_<target> DIR_OR_FILE...
//
// Every file of each folder runs once, in name order. Prints one line per
// input that took longer than a second, so slow seeds show up. Like libFuzzer,
// fails when the process's peak memory passes 2048 MB.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <sys/resource.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

constexpr long rss_limit_mb = 2048;

long peak_rss_mb() {
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_maxrss / 1024;   // kilobytes on Linux
}

int usage(const char* program) {
    std::fprintf(stderr, "usage: %s DIR_OR_FILE...\n", program);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<fs::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (fs::is_directory(arg)) {
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(arg))
                if (entry.is_regular_file()) files.push_back(entry.path());
            std::sort(files.begin(), files.end());
            inputs.insert(inputs.end(), files.begin(), files.end());
        } else if (fs::is_regular_file(arg)) {
            inputs.emplace_back(arg);
        } else {
            std::fprintf(stderr, "%s: no such file or folder: %s\n", argv[0], arg.c_str());
            return 2;
        }
    }
    if (inputs.empty()) return usage(argv[0]);

    for (const fs::path& input : inputs) {
        const std::vector<uint8_t> data = read_file(input);
        const auto start = std::chrono::steady_clock::now();
        LLVMFuzzerTestOneInput(data.data(), data.size());
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (seconds > 1.0) std::printf("%.1f s  %s\n", seconds, input.filename().c_str());
        if (peak_rss_mb() > rss_limit_mb) {
            std::fprintf(stderr, "%s: peak memory %ld MB passes the limit of %ld MB after %s\n", argv[0],
                         peak_rss_mb(), rss_limit_mb, input.c_str());
            return 1;
        }
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
