#include "PulseLibrary.h"

#include "SharedLibrary.h"

#include <cstdio>

namespace wavelark::pulse {
namespace {

Api bound{};
SharedLibrary library("libpulse.so.0");

bool bind(void *handle)
{
    Api a{};
    bool all = true;
#define WAVELARK_PULSE_FIND(name) all = all && bindSymbol(handle, #name, a.name);
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
    return library.load(bind, [](const char *why) { std::fprintf(stderr, "pulse: %s\n", why); });
}

const Api &api()
{
    return bound;
}

} // namespace wavelark::pulse
