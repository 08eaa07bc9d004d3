// The three exported entry points and the load-time start-up, all on the one
// Module instance of the loaded library. On Windows they use the platform's
// standard calling convention (the callee removes its arguments) and the DLL
// is linked with --kill-at so the names stay undecorated.
#include "entry/module.hpp"
#include "platform/fpu.hpp"

#if defined(_WIN32)
#include <windows.h>
#define QUILBET_EXPORT extern "C" __declspec(dllexport)
// A host built with another compiler may enter with the stack aligned to 4
// bytes only; GCC's SSE spills assume 16, so every entry realigns it.
#define QUILBET_STDCALL __stdcall __attribute__((force_align_arg_pointer))
#else
#define QUILBET_EXPORT extern "C" __attribute__((visibility("default")))
#define QUILBET_STDCALL
#endif

namespace {

quilbet::Module& plugin() {
    static quilbet::Module instance;
    return instance;
}

// The module's own methods keep everything they meet; this catches what could
// still escape around them (the instance's first construction) so that nothing
// ever unwinds into the host. The host's x87 and SSE state is saved, the
// module's set and the host's put back around the whole call, the instance's
// construction included: a host may unmask exceptions or lower the x87
// precision between calls.
template <typename Call>
void barrier(Call&& call) noexcept {
    const quilbet::FpuScope fpu;
    try {
        call(plugin());
    } catch (...) {
    }
}

}  // namespace

QUILBET_EXPORT void QUILBET_STDCALL initint(void* table) {
    barrier([&](quilbet::Module& m) { m.initint(table); });
}

QUILBET_EXPORT void QUILBET_STDCALL make_vessel(void* p, void* vessel) {
    barrier([&](quilbet::Module& m) { m.make_vessel(p, vessel); });
}

QUILBET_EXPORT void QUILBET_STDCALL make_vesselmesh(void* mesh) {
    barrier([&](quilbet::Module& m) { m.make_vesselmesh(mesh); });
}

#if defined(_WIN32)
extern "C" __attribute__((force_align_arg_pointer)) BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) barrier([](quilbet::Module& m) { m.startup(); });
    return TRUE;
}
#else
// Runs when the shared library is loaded, after its static objects exist.
__attribute__((constructor)) static void quilbet_load() {
    barrier([](quilbet::Module& m) { m.startup(); });
}
#endif
