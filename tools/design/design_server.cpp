// The designer's server on cpp-httplib.
#include "design/design_server.hpp"

#include <filesystem>

#include <httplib.h>

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

}  // namespace

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
    httplib::Server http;
    DesignApi& api;
    std::string web_root;
    explicit Impl(DesignApi& a, std::string root) : api(a), web_root(std::move(root)) {}
};

DesignServer::DesignServer(DesignApi& api, std::string web_root)
    : impl_(std::make_unique<Impl>(api, std::move(web_root))) {
    httplib::Server& http = impl_->http;
    Impl* impl = impl_.get();
    // A longer body is read past without being kept and answered with 413.
    http.set_payload_max_length(max_body_bytes);
    // Answers are small and wanted at once: no waiting to fill a packet.
    http.set_tcp_nodelay(true);
    http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (!host_header_allowed(req.get_header_value("Host"), port_)) {
            send_error(res, 403, "this server answers only requests for 127.0.0.1:" + std::to_string(port_));
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
    http.Post("/api/save", [impl](const httplib::Request& req, httplib::Response& res) { send(res, impl->api.save(req.body)); });
    http.Post("/api/symmetry", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.symmetry(req.body));
    });
    http.Post("/api/generate", [impl](const httplib::Request& req, httplib::Response& res) {
        send(res, impl->api.generate(req.body));
    });
    http.Get(R"(/(.*))", [impl](const httplib::Request& req, httplib::Response& res) {
        if (req.path.rfind("/api/", 0) == 0) return send_error(res, 404, "no such API call: " + req.path);
        const std::string file = static_file(impl->web_root, req.path);
        std::vector<uint8_t> bytes;
        std::string error;
        if (file.empty() || !read_file_bytes(file, bytes, error)) return send_error(res, 404, "not found: " + req.path);
        res.set_content(std::string(bytes.begin(), bytes.end()), content_type_of(file).c_str());
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

}  // namespace quilbet
