// Writes that cannot destroy: what a write replaces stays whole whatever
// happens to the write, links planted beside it are never followed, the
// target's mode and a link at its place are kept.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <thread>

#include "station/files.hpp"

namespace quilbet {
namespace {

namespace fs = std::filesystem;

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::set<std::string> names_in(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
    return names;
}

bool write_text(const fs::path& p, const std::string& text, std::string& error) {
    return write_file_bytes(p.string(), text.data(), text.size(), error);
}

fs::path fresh_folder(const char* name) {
    const fs::path dir = fs::path(::testing::TempDir()) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

TEST(Files, WritesReplaceTheTargetOnlyAndKeepItsModeAndLinks) {
    const fs::path dir = fresh_folder("quilbet_files");
    const fs::path target = dir / "station.json", victim = dir / "victim.txt";
    std::ofstream(target) << "old";
    std::ofstream(victim) << "victim";
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write);
    // Links planted where a fixed temporary name used to be.
    fs::create_symlink(victim, dir / "station.json.part");
    fs::create_symlink(victim, dir / "station.json.tmp");
    const std::set<std::string> before = names_in(dir);
    std::string error;
    ASSERT_TRUE(write_text(target, "new", error)) << error;
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(contents(victim), "victim");
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(names_in(dir), before);

    // A station file that is a link (relative, through a second link, or
    // naming a file not there yet) is written through; the links stay.
    fs::create_directories(dir / "real");
    std::ofstream(dir / "real" / "a.json") << "old";
    fs::create_symlink("real/a.json", dir / "link1.json");
    fs::create_symlink("link1.json", dir / "link2.json");
    fs::create_symlink("real/b.json", dir / "dangling.json");
    for (const char* link : {"link1.json", "link2.json", "dangling.json"}) {
        ASSERT_TRUE(write_text(dir / link, link, error)) << error;
        EXPECT_TRUE(fs::is_symlink(dir / link)) << link;
        EXPECT_EQ(contents(dir / link), link);
    }
    EXPECT_EQ(names_in(dir / "real"), (std::set<std::string>{"a.json", "b.json"}));

    // What cannot be written says why and leaves nothing behind.
    const std::pair<fs::path, const char*> refused[] = {
        {dir / "real", "it is a folder"},
        {"/dev/null", "not a plain file"},
        {dir / "missing" / "x.json", std::strerror(ENOENT)},
    };
    for (const auto& [path, why] : refused) {
        EXPECT_FALSE(write_text(path, "x", error)) << path;
        EXPECT_NE(error.find(why), std::string::npos) << error;
        EXPECT_FALSE(can_write_file(path.string(), error)) << path;
    }
    EXPECT_TRUE(can_write_file((dir / "later.json").string(), error)) << error;
    const std::vector<OutputFile> together = {{target.string(), {'A'}}, {(dir / "missing" / "b").string(), {'B'}}};
    EXPECT_FALSE(write_files_together(together, error));
    EXPECT_EQ(contents(target), "new");
    EXPECT_EQ(names_in(dir), (std::set<std::string>{"station.json", "victim.txt", "station.json.part", "station.json.tmp",
                                                    "real", "link1.json", "link2.json", "dangling.json"}));
    fs::remove_all(dir);
}

// A child process rewrites a 1 MB file over and over, alternating two
// contents; SIGINT or SIGTERM ends it at a random moment. The file is always
// one of the two, whole, and no temporary file is left. A write past the
// file-size limit fails saying why, with the same guarantees.
TEST(Files, InterruptedOrFailedWritesLeaveTheOldFileWholeAndNoTemporaryFile) {
    const fs::path dir = fresh_folder("quilbet_interrupted");
    const fs::path target = dir / "station.glb";
    const std::string a(1 << 20, 'a'), b(1 << 20, 'b');
    std::string error;
    ASSERT_TRUE(write_text(target, a, error)) << error;
    std::mt19937 random(12345);
    for (int round = 0; round < 16; ++round) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string e;
            for (int i = 0;; ++i) {
                if (!write_text(target, i % 2 ? a : b, e)) _exit(3);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(1000 + random() % 30000));
        const int sig = round % 2 ? SIGINT : SIGTERM;
        kill(child, sig);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << "round " << round << " status " << status;
        const std::string now = contents(target);
        EXPECT_TRUE(now == a || now == b) << "round " << round << ": " << now.size() << " bytes";
        EXPECT_EQ(names_in(dir), std::set<std::string>{"station.glb"}) << "round " << round;
    }

    const std::string before = contents(target);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1 << 19, 1 << 19};
        setrlimit(RLIMIT_FSIZE, &limit);
        std::string e;
        const bool written = write_text(target, a, e);
        _exit(!written && e.find(std::strerror(EFBIG)) != std::string::npos ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the failed write did not say why";
    EXPECT_EQ(contents(target), before);
    EXPECT_EQ(names_in(dir), std::set<std::string>{"station.glb"});
    fs::remove_all(dir);
}

}  // namespace
}  // namespace quilbet
