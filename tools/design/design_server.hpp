// The designer's HTTP server: the API and the page's files on 127.0.0.1 only.
//
// Every request must name the address it was sent to in its Host header
// (127.0.0.1:PORT or localhost:PORT), so a page of another site that a DNS
// trick points at this port is refused (403). Request bodies are limited to
// max_body_bytes (413); static files come only from the web folder, by
// relative paths without "..", and never as a folder listing.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "design/design_api.hpp"

namespace quilbet {

inline constexpr size_t max_body_bytes = size_t{1} << 20;

// True when host (a Host header) names the loopback address and this port.
bool host_header_allowed(const std::string& host, int port);

// The file under web_root that url_path names, or "" when it names none that
// may be served: "..", a backslash or NUL anywhere, a folder, or a path that
// leaves the folder through a link. "/" is index.html.
std::string static_file(const std::string& web_root, const std::string& url_path);

class DesignServer {
public:
    DesignServer(DesignApi& api, std::string web_root);
    ~DesignServer();

    // Binds 127.0.0.1:port (0: a free port). False with a reason on failure.
    bool bind(int port, std::string& error);
    // The bound port.
    int port() const { return port_; }
    // Serves until stop(); returns false when serving failed.
    bool run();
    // Makes run() return; safe from another thread.
    void stop();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ = 0;
};

}  // namespace quilbet
