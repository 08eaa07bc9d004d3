// The bounded log: a thousand refusals' worth of lines never leave more than
// two files of about the limit, the newest lines are always in the current
// file, and the line before a rotation is in the old one.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/bounded_log.hpp"

namespace quilbet {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BoundedLog, RotatesOnceAtTheLimit) {
    const fs::path dir = fs::temp_directory_path() / ("quilbet_bounded_log_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string log = (dir / "quilbet.log").string(), old = (dir / "quilbet.old.log").string();
    constexpr std::size_t limit = 1000;
    std::string previous;
    for (int i = 0; i < 1000; ++i) {
        const std::string line = "quilbet: make_vessel: refusal number " + std::to_string(i) + "\r\n";
        ASSERT_TRUE(append_bounded_log(log, old, line, limit));
        const std::string now = read(log);
        ASSERT_LT(now.size(), limit + line.size());
        ASSERT_EQ(now.substr(now.size() - line.size()), line);
        if (now == line && i > 0) EXPECT_EQ(read(old).substr(read(old).size() - previous.size()), previous);
        previous = line;
    }
    EXPECT_LT(fs::file_size(old), limit + previous.size());
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2);
    fs::remove_all(dir);
    // A log that cannot be created is reported, not thrown.
    EXPECT_FALSE(append_bounded_log((dir / "missing" / "quilbet.log").string(), old, "x", limit));
}

}  // namespace
}  // namespace quilbet
