#include "PulseLibrary.h"

#include <dlfcn.h>

#include <cstdio>
#include <mutex>

namespace wavelark::pulse {
namespace {

Api bound{};
bool loaded = false;
std::once_flag loadOnce;

template <typename F>
bool find(void *library, const char *name, F &function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

bool open()
{
    void *library = dlopen("libpulse.so.0", RTLD_LAZY | RTLD_LOCAL);
    if (!library) {
        std::fprintf(stderr, "pulse: %s\n", dlerror());
        return false;
    }
    Api a{};
    bool all = true;
#define WAVELARK_PULSE_FIND(name) all = all && find(library, #name, a.name);
    WAVELARK_PULSE_FUNCTIONS(WAVELARK_PULSE_FIND)
#undef WAVELARK_PULSE_FIND
    if (!all) {
        std::fprintf(stderr, "pulse: libpulse.so.0 lacks an entry point\n");
        return false; // left loaded: it may have started nothing, but costs nothing more
    }
    bound = a;
    return true;
}

} // namespace

bool load()
{
    std::call_once(loadOnce, [] { loaded = open(); });
    return loaded;
}

const Api &api()
{
    return bound;
}

} // namespace wavelark::pulse
