// The designer's server on cpp-httplib.
#include "design/design_server.hpp"

#include <cctype>
#include <filesystem>
#include <random>

#include <httplib.h>

#include "design/deadline_server.hpp"
#include "station/files.hpp"

namespace quilbet {
namespace {

std::string content_type_of(const std::filesystem::path& p) {
    const std::string ext = p.extension().string();
    if (ext == ".html") return "text/html; charset=utf-8";
    if (ext == ".js" || ext == ".mjs") return "text/javascript; charset=utf-8";
    if (ext == ".css") return "text/css; charset=utf-8";
    if (ext == ".json") return "application/json";
    if (ext == ".png") return "image/png";
    if (ext == ".svg") return "image/svg+xml";
    return "application/octet-stream";
}

void send(httplib::Response& res, const ApiResponse& r) {
    res.status = r.status;
    res.set_content(r.body, r.content_type.c_str());
}

void send_error(httplib::Response& res, int status, const std::string& text) {
    nlohmann::json doc = {{"error", text}};
    res.status = status;
    res.set_content(doc.dump(), "application/json");
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// application/json, in any letter case, with or without parameters (charset).
bool is_json_content_type(const std::string& value) {
    std::string type = lower(value.substr(0, value.find(';')));
    while (!type.empty() && (type.back() == ' ' || type.back() == '\t')) type.pop_back();
    return type == "application/json";
}

// Compares in time that depends on the length only, not on where the texts differ.
bool same_token(const std::string& given, const std::string& token) {
    if (given.size() != token.size() || token.empty()) return false;
    unsigned char differ = 0;
    for (size_t i = 0; i < token.size(); ++i) differ |= static_cast<unsigned char>(given[i] ^ token[i]);
    return differ == 0;
}

// Why a request that may change or build something does not come from the
// designer's own page; "" when it does. Reads and the page's files (GET, HEAD)
// pass: another site's page cannot read their answers.
std::string foreign_request_problem(const httplib::Request& req, const std::string& token) {
    if (req.method == "GET" || req.method == "HEAD") return "";
    for (const char* name : {"Content-Type", "Origin", "Sec-Fetch-Site", token_header}) {
        if (req.get_header_value_count(name) > 1) return std::string("the header ") + name + " is given twice";
    }
    if (!is_json_content_type(req.get_header_value("Content-Type"))) {
        return "requests that change or build anything must be JSON (Content-Type: application/json)";
    }
    if (req.has_header("Origin") && req.get_header_value("Origin") != "http://" + req.get_header_value("Host")) {
        return "requests from pages of another origin are refused";
    }
    if (req.has_header("Sec-Fetch-Site") && req.get_header_value("Sec-Fetch-Site") != "same-origin") {
        return "requests from pages of another site are refused";
    }
    if (!same_token(req.get_header_value(token_header), token)) {
        return "the designer's session token is missing or out of date: reload the page";
    }
    return "";
}

}  // namespace

std::string make_session_token() {
    std::random_device source;
    static const char digits[] = "0123456789abcdef";
    std::string token;
    for (int word = 0; word < 4; ++word) {
        uint32_t v = source();
        for (int k = 0; k < 8; ++k, v >>= 4) token += digits[v & 15];
    }
    return token;
}

std::string page_with_token(const std::string& html, const std::string& token) {
    static const std::string slot = "<meta name=\"quilbet-token\" content=\"\">";
    const size_t at = html.find(slot);
    if (at == std::string::npos) return html;
    std::string page = html;
    page.insert(at + slot.size() - 2, token);
    return page;
}

bool host_header_allowed(const std::string& host, int port) {
    const std::string p = ":" + std::to_string(port);
    return host == "127.0.0.1" + p || host == "localhost" + p;
}

std::string static_file(const std::string& web_root, const std::string& url_path) {
    namespace fs = std::filesystem;
    std::string rel = url_path == "/" || url_path.empty() ? std::string("index.html") : url_path.substr(1);
    if (url_path.empty() || url_path[0] != '/') return {};
    if (rel.find('\\') != std::string::npos || rel.find('\0') != std::string::npos) return {};
    for (const auto& part : fs::path(rel)) {
        if (part == ".." || part == ".") return {};
    }
    if (fs::path(rel).is_absolute()) return {};
    std::error_code ec;
    const fs::path root = fs::canonical(web_root, ec);
    if (ec) return {};
    const fs::path file = fs::canonical(root / rel, ec);
    if (ec || !fs::is_regular_file(file, ec)) return {};
    // A link inside the folder may not lead out of it.
    const auto [end, _] = std::mismatch(root.begin(), root.end(), file.begin(), file.end());
    if (end != root.end()) return {};
    return file.string();
}

struct DesignServer::Impl {
    DeadlineServer http;
    DesignApi& api;
    std::string web_root;
    explicit Impl(DesignApi& a, std::string root) : api(a), web_root(std::move(root)) {}
};

DesignServer::DesignServer(DesignApi& api, std::string web_root)
    : impl_(std::make_unique<Impl>(api, std::move(web_root))), token_(make_session_token()) {
    DeadlineServer& http = impl_->http;
    Impl* impl = impl_.get();
    // A longer body is read past without being kept and answered with 413.
    http.set_payload_max_length(max_body_bytes);
    // Answers are small and wanted at once: no waiting to fill a packet.
    http.set_tcp_nodelay(true);
    // No answer is to be sniffed as another type, embedded by another site or framed.
    http.set_default_headers({{"X-Content-Type-Options", "nosniff"},
                              {"Cross-Origin-Resource-Policy", "same-origin"},
                              {"Content-Security-Policy", "frame-ancestors 'none'"}});
    http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        // No answer is compressed: cpp-httplib picks brotli at its highest
        // quality when the browser accepts it, which took 120 ms for a 55 KB
        // edit answer and 5 s for three.js on every page load, and on the
        // loopback there is nothing to save. The library decides from the
        // request's Accept-Encoding, so the header goes (the request object
        // is the library's own, not const; only the handler's view of it is).
        const_cast<httplib::Request&>(req).headers.erase("Accept-Encoding");
        if (!host_header_allowed(req.get_header_value("Host"), port_)) {
            send_error(res, 403, "this server answers only requests for 127.0.0.1:" + std::to_string(port_));
            return httplib::Server::HandlerResponse::Handled;
        }
        if (const std::string problem = foreign_request_problem(req, token_); !problem.empty()) {
            send_error(res, 403, problem + "; nothing was changed");
            return httplib::Server::HandlerResponse::Handled;
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });
    http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.status == 413) send_error(res, 413, "request bodies are limited to 1 MiB");
    });
    http.Get("/api/catalogue", [impl](const httplib::Request&, httplib::Response& res) { send(res, impl->api.catalogue()); });
    http.Get("/api/station", [impl](const httplib::Request&, httplib::Response& res) { send(res, impl->api.station()); });
    http.Get(R"(/api/mesh/([0-9a-f]{16})\.glb)", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.mesh(req.matches[1].str()));
    });
    http.Post("/api/validate", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.validate(req.body));
    });
    http.Post("/api/edit", [impl](const httplib::Request& req, httplib::Response& res) { send(res, impl->api.edit(req.body)); });
    http.Post("/api/build", [impl](const httplib::Request& req, httplib::Response& res) { send(res, impl->api.build(req.body)); });
    http.Post("/api/export/glb", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.export_glb(req.body));
    });
    http.Post("/api/export/blob", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.export_blob(req.body));
    });
    http.Post("/api/export/host", [impl](const httplib::Request& req, httplib::Response& res) {
        const bool rgba = req.get_param_value("textures") == "rgba";
        send(res, impl->api.export_host(req.body, rgba ? DdsFormat::rgba : DdsFormat::dxt1));
    });
    http.Post("/api/save", [impl](const httplib::Request& req, httplib::Response& res) { send(res, impl->api.save(req.body, req.get_header_value("X-Quilbet-Base-Version"))); });
    http.Post("/api/symmetry", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.symmetry(req.body));
    });
    http.Post("/api/variations", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.variations(req.body));
    });
    http.Post("/api/generate", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.generate(req.body));
    });
    http.Get(R"(/(.*))", [this, impl](const httplib::Request& req, httplib::Response& res) {
        if (req.path.rfind("/api/", 0) == 0) return send_error(res, 404, "no such API call: " + req.path);
        const std::string file = static_file(impl->web_root, req.path);
        std::vector<uint8_t> bytes;
        std::string error;
        if (file.empty() || !read_file_bytes(file, bytes, error)) return send_error(res, 404, "not found: " + req.path);
        std::string content(bytes.begin(), bytes.end());
        if (std::filesystem::path(file).extension() == ".html") content = page_with_token(content, token_);
        res.set_content(content, content_type_of(file).c_str());
        res.set_header("Cache-Control", "no-store");
    });
}

DesignServer::~DesignServer() = default;

bool DesignServer::bind(int port, std::string& error) {
    httplib::Server& http = impl_->http;
    if (port == 0) {
        port_ = http.bind_to_any_port("127.0.0.1");
    } else {
        port_ = http.bind_to_port("127.0.0.1", port) ? port : -1;
    }
    if (port_ <= 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + " (in use?)";
        return false;
    }
    return true;
}

bool DesignServer::run() { return impl_->http.listen_after_bind(); }

void DesignServer::stop() { impl_->http.stop(); }

void DesignServer::set_request_deadline(std::chrono::milliseconds deadline) { impl_->http.set_request_deadline(deadline); }

}  // namespace quilbet
