// The designer's HTTP server: the API and the page's files on 127.0.0.1 only.
//
// Every request must name the address it was sent to in its Host header
// (127.0.0.1:PORT or localhost:PORT), so a page of another site that a DNS
// trick points at this port is refused (403). Request bodies are limited to
// max_body_bytes (413); static files come only from the web folder, by
// relative paths without "..", and never as a folder listing. Slow clients
// cannot hold the server: each request must arrive whole within a deadline
// (deadline_server.hpp).
//
// Any web page the person opens may send requests here. A request that
// changes or builds anything (every method but GET and HEAD) is answered only
// when it comes from the designer's own page: a JSON content type (a
// cross-site request with one needs a preflight, which is never granted), an
// Origin equal to the server's own and `Sec-Fetch-Site: same-origin` when
// the browser sends them, and the session token, made at random for each
// run and handed to the page in index.html, in the X-Quilbet-Token header.
// Anything else is refused with 403 before the API sees it.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>

#include "design/design_api.hpp"

namespace quilbet {

inline constexpr size_t max_body_bytes = size_t{1} << 20;

// The request header that carries the session token back.
inline constexpr const char* token_header = "X-Quilbet-Token";

// A new session token: 32 hex digits from the system's random source.
std::string make_session_token();

// The page with the session token filled in: the content of the first
// `<meta name="quilbet-token" content="">`; a page without one is returned as it is.
std::string page_with_token(const std::string& html, const std::string& token);

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
    // This run's session token (what the page sends back in token_header).
    const std::string& token() const { return token_; }
    // Serves until stop(); returns false when serving failed.
    bool run();
    // Makes run() return; safe from another thread.
    void stop();
    // How long a request (headers and body) may take to arrive; 5 s unless set
    // (before run). A request still arriving then is dropped with its connection.
    void set_request_deadline(std::chrono::milliseconds deadline);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    int port_ = 0;
    std::string token_;
};

}  // namespace quilbet
