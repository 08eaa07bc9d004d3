// The design command: server start, browser start, clean stop on a signal.
#include "cli/design_command.hpp"

#include <pthread.h>
#include <spawn.h>
#include <unistd.h>

#include <fcntl.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <thread>

#include "design/design_server.hpp"

extern char** environ;

namespace quilbet {
namespace {

namespace fs = std::filesystem;

std::string default_web_root() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string("design-web") : (exe.parent_path() / "design-web").string();
}

// Starts the desktop's browser on url and does not wait for it; a failure only
// means the person opens the printed address themselves.
void open_browser(const std::string& url) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    std::string program = "xdg-open";
    char* argv[] = {program.data(), const_cast<char*>(url.c_str()), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", &actions, nullptr, argv, environ) != 0) {
        std::cerr << "quilbet design: could not start a browser (xdg-open); open the address above\n";
    }
    posix_spawn_file_actions_destroy(&actions);
}

}  // namespace

int run_design(const DesignOptions& options) {
    const std::string web_root = options.web_root.empty() ? default_web_root() : options.web_root;
    if (!fs::is_regular_file(fs::path(web_root) / "index.html")) {
        std::cerr << "quilbet design: the designer's page is missing (" << web_root << "/index.html)\n";
        return 1;
    }
    if (!options.station.empty() && fs::exists(options.station) && !fs::is_regular_file(options.station)) {
        std::cerr << "quilbet design: " << options.station << " is not a file\n";
        return 1;
    }
    StationBuilder builder;
    if (!builder.started()) {
        std::cerr << "quilbet design: the module did not start: " << builder.start_error() << "\n";
        return 1;
    }
    DesignApi api(builder, options.station);
    DesignServer server(api, web_root);
    std::string error;

    // Signals go to one waiting thread, never into the server's threads.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    if (!server.bind(options.port, error)) {
        std::cerr << "quilbet design: " << error << "; --port 0 picks a free port\n";
        return 1;
    }
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
    std::cout << "quilbet design: serving " << url << " (Ctrl-C stops)" << std::endl;
    if (!options.station.empty() && !fs::exists(options.station)) {
        std::cout << "quilbet design: " << options.station << " does not exist yet; saving creates it" << std::endl;
    }

    std::thread waiter([&] {
        int sig = 0;
        sigwait(&stop_signals, &sig);
        server.stop();
    });
    if (options.open_browser) open_browser(url);
    const bool served = server.run();
    // run() also returns when serving failed: release the waiter either way.
    pthread_kill(waiter.native_handle(), SIGUSR1);
    waiter.join();
    std::cout << "quilbet design: stopped" << std::endl;
    return served ? 0 : 1;
}

}  // namespace quilbet
