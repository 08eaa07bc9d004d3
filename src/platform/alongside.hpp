// Runs two independent pieces of work at once: one on a second thread, the
// other on the calling thread. Both have finished when the call returns; an
// exception from either is passed on (the background's first, if both throw).
#pragma once

#include <exception>
#include <system_error>
#include <thread>

namespace quilbet {

// With use_thread false (or when no thread can be started) the background
// work runs first, then the foreground work, on the calling thread.
template <typename Background, typename Foreground>
void run_alongside(bool use_thread, Background&& background, Foreground&& foreground) {
    if (!use_thread || std::thread::hardware_concurrency() < 2) {
        background();
        foreground();
        return;
    }
    std::exception_ptr background_failure;
    std::thread helper;
    try {
        helper = std::thread([&] {
            try {
                background();
            } catch (...) {
                background_failure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        background();
        foreground();
        return;
    }
    std::exception_ptr foreground_failure;
    try {
        foreground();
    } catch (...) {
        foreground_failure = std::current_exception();
    }
    helper.join();
    if (background_failure) std::rethrow_exception(background_failure);
    if (foreground_failure) std::rethrow_exception(foreground_failure);
}

}  // namespace quilbet
