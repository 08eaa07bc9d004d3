// An HTTP server (cpp-httplib) whose requests must arrive whole in time.
//
// cpp-httplib's read timeout restarts with every byte, so a client that sends
// one byte every few seconds holds a worker for as long as it likes, and a
// handful of such clients hold all of them. Here each request, from its first
// byte to the end of its body, must arrive within one deadline; a request
// that is late is dropped with its connection. An idle kept-alive connection
// is closed after the keep-alive timeout, and there are more workers than a
// handful of slow clients can hold.
#pragma once

#include <chrono>

#include <httplib.h>

namespace quilbet {

// Workers that serve connections; connections beyond them wait in a queue.
inline constexpr size_t server_workers = 32;
// How long a request (headers and body) may take to arrive.
inline constexpr std::chrono::milliseconds default_request_deadline{5000};

class DeadlineServer : public httplib::Server {
public:
    DeadlineServer();

    // Sets how long a request may take to arrive (default_request_deadline).
    void set_request_deadline(std::chrono::milliseconds deadline) { deadline_ = deadline; }

private:
    // Serves one connection: requests as long as it keeps them coming, each
    // within the deadline. Replaces cpp-httplib's own loop, which it calls back
    // for everything but the reading of the socket.
    bool process_and_close_socket(socket_t sock) override;

    std::chrono::milliseconds deadline_ = default_request_deadline;
};

}  // namespace quilbet
