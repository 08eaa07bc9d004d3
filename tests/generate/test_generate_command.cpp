// `quilbet generate` as a user runs it: the file it writes is the library's
// description and passes `describe` silently; --build writes the glb and PNG
// beside it; bad options end with a message and a usage exit code, and
// outputs that cannot be written with exit code 1, in every case with
// nothing written.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sys/wait.h>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "generate/generated_text.hpp"

namespace quilbet {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int code = -1;
    std::string out, err;
};

// Runs the tool with args in a fresh folder of its own.
class GenerateCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("quilbet_generate_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                            "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    ToolRun run(const std::string& args) const {
        const fs::path out = dir_ / "stdout.txt", err = dir_ / "stderr.txt";
        const std::string cmd = "cd '" + dir_.string() + "' && '" + QUILBET_CLI_BINARY + "' " + args + " >'" + out.string() +
                                "' 2>'" + err.string() + "'";
        ToolRun r;
        const int status = std::system(cmd.c_str());
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = read(out);
        r.err = read(err);
        fs::remove(out);
        fs::remove(err);
        return r;
    }
    static std::string read(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path dir_;
};

TEST_F(GenerateCommandTest, WritesTheLibrarysDescriptionWhichDescribesSilently) {
    GenerateOptions o;
    o.seed = 77;
    o.blocks = 14;
    o.style = StationStyle::spine;
    const std::string expected = generated_json(generate_station(o).station, o);

    const ToolRun file = run("generate --seed 77 --blocks 14 --style spine -o s.json");
    EXPECT_EQ(file.code, 0) << file.err;
    EXPECT_EQ(read(dir_ / "s.json"), expected);
    const ToolRun piped = run("generate --seed 77 --blocks 14 --style spine");
    EXPECT_EQ(piped.code, 0);
    EXPECT_EQ(piped.out, expected);
    EXPECT_NE(piped.err.find("seed 77"), std::string::npos) << piped.err;

    const ToolRun check = run("describe s.json");
    EXPECT_EQ(check.code, 0);
    EXPECT_EQ(check.err, "");
}

TEST_F(GenerateCommandTest, WithoutASeedItDrawsOneAndSaysWhich) {
    const ToolRun r = run("generate --blocks 6 --style ring -o r.json");
    ASSERT_EQ(r.code, 0) << r.err;
    const std::string text = read(dir_ / "r.json");
    const size_t at = text.find("--seed ");
    ASSERT_NE(at, std::string::npos);
    const std::string seed = text.substr(at + 7, text.find(' ', at + 7) - at - 7);
    EXPECT_NE(r.err.find("seed " + seed), std::string::npos) << r.err;
    EXPECT_EQ(run("generate --blocks 6 --style ring --seed " + seed).out, text);
}

TEST_F(GenerateCommandTest, BuildWritesGlbAndPngBesideTheDescription) {
    const ToolRun r = run("generate --seed 4 --blocks 8 --style core --build --size 64x48 -o station.json");
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(files(), (std::vector<std::string>{"station.glb", "station.json", "station.png"}));
    EXPECT_EQ(read(dir_ / "station.glb").substr(0, 4), "glTF");
    EXPECT_EQ(read(dir_ / "station.png").substr(1, 3), "PNG");
}

TEST_F(GenerateCommandTest, BadInputEndsWithAMessageAndNothingWritten) {
    fs::create_directories(dir_ / "folder");
    std::ofstream(dir_ / "folder" / "faulty.json") << R"({"blocks": [{"id": "a", "type": "Hab_Q"}], "links": {}})";
    struct Case {
        const char* args;
        int code;
        const char* says;
    } cases[] = {
        {"generate --style square -o x.json", 2, "square"},
        {"generate --blocks 0 -o x.json", 2, "--blocks"},
        {"generate --blocks 201 -o x.json", 2, "--blocks"},
        {"generate --blocks many -o x.json", 2, "--blocks"},
        {"generate --seed -3 -o x.json", 2, "--seed"},
        {"generate --build", 2, "--build needs -o"},
        {"generate --build --size 9x9 -o x.json", 2, "--size"},
        {"generate -o missing/x.json", 1, "missing"},
        {"generate -o folder", 1, "folder"},
        {"generate --build -o folder/../missing/x.json", 1, "missing"},
        {"generate --from folder/faulty.json -o x.json", 1, "Hab_Q"},
        {"generate --from folder/none.json -o x.json", 1, "none.json"},
    };
    for (const Case& c : cases) {
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(files(), std::vector<std::string>{"folder"}) << c.args;
        EXPECT_EQ(fs::directory_iterator(dir_ / "folder")->path().filename(), "faulty.json") << c.args;
    }
}

TEST(ParseSeed, DigitsWithin64BitsOnly) {
    uint64_t seed = 7;
    EXPECT_TRUE(parse_seed("0", seed));
    EXPECT_EQ(seed, 0u);
    EXPECT_TRUE(parse_seed("18446744073709551615", seed));
    EXPECT_EQ(seed, UINT64_MAX);
    for (const char* bad : {"", "-3", "+3", "1.5", "18446744073709551616", "99999999999999999999", "1e3", " 4"}) {
        EXPECT_FALSE(parse_seed(bad, seed)) << bad;
    }
    EXPECT_EQ(seed, UINT64_MAX);
}

TEST(SiblingPath, ReplacesTheJsonEnding) {
    EXPECT_EQ(sibling_path("out/s.json", ".glb"), "out/s.glb");
    EXPECT_EQ(sibling_path("s", ".png"), "s.png");
    EXPECT_EQ(sibling_path(".json", ".png"), ".json.png");
    EXPECT_EQ(sibling_path("a.json.txt", ".glb"), "a.json.txt.glb");
}

}  // namespace
}  // namespace quilbet
