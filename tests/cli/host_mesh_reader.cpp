// The tests' own reader of the host's text mesh format.
#include "cli/host_mesh_reader.hpp"

#include <cstdlib>
#include <sstream>

namespace quilbet::test {
namespace {

class Lines {
public:
    explicit Lines(const std::string& text) : text_(text) {}

    // The next line without its CR LF; false at the end or on a line that ends otherwise.
    bool next(std::string& line, std::string& error) {
        if (at_ >= text_.size()) return fail("the file ends early", error);
        const std::size_t lf = text_.find('\n', at_);
        if (lf == std::string::npos || lf == at_ || text_[lf - 1] != '\r') return fail("line does not end with CR LF", error);
        ++number_;
        line = text_.substr(at_, lf - 1 - at_);
        at_ = lf + 1;
        return true;
    }
    bool at_end() const { return at_ == text_.size(); }
    bool fail(const std::string& what, std::string& error) const {
        error = "line " + std::to_string(number_ + 1) + ": " + what;
        return false;
    }

private:
    const std::string& text_;
    std::size_t at_ = 0;
    int64_t number_ = 0;
};

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

// Plain decimal numbers only: digits, a sign and a point, no exponent.
bool to_float(const std::string& w, float& v) {
    if (w.find_first_not_of("0123456789-.") != std::string::npos) return false;
    char* end = nullptr;
    v = std::strtof(w.c_str(), &end);
    return end == w.c_str() + w.size() && !w.empty();
}

bool to_count(const std::string& w, int64_t& v) {
    if (w.empty() || w.find_first_not_of("0123456789") != std::string::npos || w.size() > 9) return false;
    v = std::stoll(w);
    return true;
}

// "KEYWORD n" with a whole number n.
bool keyword_count(Lines& lines, const std::string& keyword, int64_t& n, std::string& error) {
    std::string line;
    if (!lines.next(line, error)) return false;
    const auto w = words(line);
    if (w.size() != 2 || w[0] != keyword || !to_count(w[1], n)) return lines.fail("expected " + keyword + " n: " + line, error);
    return true;
}

bool numbers(Lines& lines, std::size_t least, std::size_t most, std::vector<float>& out, std::string& error) {
    std::string line;
    if (!lines.next(line, error)) return false;
    const auto w = words(line);
    out.resize(w.size());
    if (w.size() < least || w.size() > most) return lines.fail("wrong count of numbers: " + line, error);
    for (std::size_t i = 0; i < w.size(); ++i) {
        if (!to_float(w[i], out[i])) return lines.fail("not a number: " + w[i], error);
    }
    return true;
}

}  // namespace

bool read_msh(const std::string& text, MshFile& out, std::string& error) {
    Lines lines(text);
    std::string line;
    if (!lines.next(line, error)) return false;
    if (line != "MSHX1") return lines.fail("not MSHX1", error);
    int64_t n = 0;
    if (!keyword_count(lines, "GROUPS", n, error)) return false;
    out.groups.assign(static_cast<std::size_t>(n), {});
    std::vector<float> f;
    for (MshGroup& g : out.groups) {
        int64_t nv = 0, nt = 0;
        if (!keyword_count(lines, "MATERIAL", g.material, error) || !keyword_count(lines, "TEXTURE", g.texture, error) ||
            !lines.next(line, error)) {
            return false;
        }
        const auto geom = words(line);
        if (geom.size() != 3 || geom[0] != "GEOM" || !to_count(geom[1], nv) || !to_count(geom[2], nt)) {
            return lines.fail("expected GEOM v t: " + line, error);
        }
        g.vertices.resize(static_cast<std::size_t>(nv));
        for (auto& v : g.vertices) {
            if (!numbers(lines, 8, 8, f, error)) return false;
            std::copy(f.begin(), f.end(), v.begin());
        }
        g.triangles.resize(static_cast<std::size_t>(nt));
        for (auto& t : g.triangles) {
            if (!lines.next(line, error)) return false;
            const auto w = words(line);
            if (w.size() != 3 || !to_count(w[0], t[0]) || !to_count(w[1], t[1]) || !to_count(w[2], t[2])) {
                return lines.fail("expected three vertex numbers: " + line, error);
            }
        }
    }
    if (!keyword_count(lines, "MATERIALS", n, error)) return false;
    out.materials.assign(static_cast<std::size_t>(n), {});
    for (MshMaterial& m : out.materials) {
        if (!lines.next(m.name, error)) return false;
    }
    for (MshMaterial& m : out.materials) {
        if (!lines.next(line, error)) return false;
        if (line != "MATERIAL " + m.name) return lines.fail("expected MATERIAL " + m.name + ": " + line, error);
        for (int c = 0; c < 4; ++c) {
            if (!numbers(lines, 4, c == 2 ? 5 : 4, f, error)) return false;
            std::copy(f.begin(), f.begin() + 4, m.colours[static_cast<std::size_t>(c)].begin());
            if (f.size() == 5) {
                m.has_power = true;
                m.power = f[4];
            }
        }
    }
    if (!keyword_count(lines, "TEXTURES", n, error)) return false;
    out.textures.assign(static_cast<std::size_t>(n), {});
    for (std::string& t : out.textures) {
        if (!lines.next(t, error)) return false;
    }
    if (!lines.at_end()) return lines.fail("text after the texture list", error);
    return true;
}

}  // namespace quilbet::test
