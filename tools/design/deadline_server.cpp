// The connection loop with a whole-request deadline, and the socket stream
// it reads through.
#include "design/deadline_server.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace quilbet {
namespace {

using Clock = std::chrono::steady_clock;

// Waits until fd is ready for events, at most ms milliseconds; true when ready.
bool wait_for(int fd, short events, long long ms) {
    if (ms < 0) ms = 0;
    pollfd p{fd, events, 0};
    for (;;) {
        const int n = poll(&p, 1, static_cast<int>(std::min<long long>(ms, 1 << 30)));
        if (n < 0 && errno == EINTR) continue;
        return n > 0;
    }
}

void address_of(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    if ((peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&addr), &len)
              : getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len)) != 0) {
        return;
    }
    char text[INET6_ADDRSTRLEN] = {};
    if (addr.ss_family == AF_INET) {
        const auto* a = reinterpret_cast<const sockaddr_in*>(&addr);
        inet_ntop(AF_INET, &a->sin_addr, text, sizeof text);
        port = ntohs(a->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* a = reinterpret_cast<const sockaddr_in6*>(&addr);
        inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text);
        port = ntohs(a->sin6_port);
    }
    ip = text;
}

// A connection's socket, read through a small buffer (the request parser
// reads header lines a byte at a time); every read fails once the current
// request's deadline has passed.
class DeadlineStream : public httplib::Stream {
public:
    DeadlineStream(int sock, std::chrono::milliseconds write_timeout) : sock_(sock), write_timeout_(write_timeout) {}

    void start_request(std::chrono::milliseconds deadline) { deadline_ = Clock::now() + deadline; }

    bool is_readable() const override { return buffered() > 0 || wait_for(sock_, POLLIN, left_ms()); }
    bool is_writable() const override { return wait_for(sock_, POLLOUT, write_timeout_.count()); }

    ssize_t read(char* ptr, size_t size) override {
        if (buffered() == 0) {
            if (!wait_for(sock_, POLLIN, left_ms())) return -1;
            ssize_t n;
            do {
                n = recv(sock_, buffer_, sizeof buffer_, 0);
            } while (n < 0 && errno == EINTR);
            if (n <= 0) return n;
            begin_ = 0;
            end_ = static_cast<size_t>(n);
        }
        const size_t n = std::min(size, buffered());
        std::memcpy(ptr, buffer_ + begin_, n);
        begin_ += n;
        return static_cast<ssize_t>(n);
    }

    ssize_t write(const char* ptr, size_t size) override {
        if (!is_writable()) return -1;
        ssize_t n;
        do {
            n = send(sock_, ptr, size, MSG_NOSIGNAL);
        } while (n < 0 && errno == EINTR);
        return n;
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { address_of(sock_, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { address_of(sock_, false, ip, port); }
    socket_t socket() const override { return sock_; }

    // Bytes received and not yet read.
    size_t buffered() const { return end_ - begin_; }

private:
    long long left_ms() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now()).count();
    }

    int sock_;
    std::chrono::milliseconds write_timeout_;
    Clock::time_point deadline_ = Clock::now();
    char buffer_[4096];
    size_t begin_ = 0, end_ = 0;
};

}  // namespace

DeadlineServer::DeadlineServer() {
    new_task_queue = [] { return new httplib::ThreadPool(server_workers); };
}

bool DeadlineServer::process_and_close_socket(socket_t sock) {
    const auto write_timeout = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::seconds(write_timeout_sec_) + std::chrono::microseconds(write_timeout_usec_));
    DeadlineStream stream(sock, write_timeout);
    bool ok = true;
    for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
        // A kept-alive connection waits for its next request only so long.
        if (stream.buffered() == 0 && !wait_for(sock, POLLIN, keep_alive_timeout_sec_ * 1000)) break;
        stream.start_request(deadline_);
        bool connection_closed = false;
        ok = process_request(stream, left == 1, connection_closed, nullptr);
        if (!ok || connection_closed) break;
    }
    shutdown(sock, SHUT_RDWR);
    close(sock);
    return ok;
}

}  // namespace quilbet
