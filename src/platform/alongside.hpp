// Runs two independent pieces of work at once: one on a second thread, the
// other on the calling thread, both under the caller's floating-point
// control registers. Both have finished when the call returns; an
// exception from either is passed on (the background's first, if both throw).
#pragma once

#include <exception>
#include <system_error>
#include <thread>

#include "platform/fpu.hpp"

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
    // A new thread starts with the system's floating-point state (53-bit x87
    // precision on Windows); the helper computes under the caller's.
    const FpuControl control = fpu_control();
    try {
        helper = std::thread([&] {
            const FpuScope fpu(control);
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
