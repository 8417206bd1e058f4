#pragma once

#include <dlfcn.h>

#include <mutex>

// A system library opened at run time by the one feature that needs it, so
// that a program not using that feature never maps it. No Qt: the audio
// backends use it too.
namespace wavelark {

// Looks up `name` in `library` into `function`; false when it is missing.
template <typename F>
bool bindSymbol(void *library, const char *name, F &function)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    return function != nullptr;
}

// Opens a library once, from whichever thread first asks. Lazily bound and
// local; never closed, since handles and threads it made may outlive any
// owner.
class SharedLibrary
{
public:
    explicit SharedLibrary(const char *soname) : soname_(soname) {}

    // Opens the library and runs `bind(handle)` once; afterwards the result
    // of that first call. When the library cannot be opened, `missing` gets
    // the loader's reason instead, once.
    template <typename Bind, typename Missing>
    bool load(Bind bind, Missing missing)
    {
        std::call_once(once_, [&] {
            if (void *handle = dlopen(soname_, RTLD_LAZY | RTLD_LOCAL))
                loaded_ = bind(handle);
            else
                missing(dlerror());
        });
        return loaded_;
    }
    template <typename Bind>
    bool load(Bind bind)
    {
        return load(bind, [](const char *) {});
    }

private:
    const char *const soname_;
    std::once_flag once_;
    bool loaded_ = false;
};

} // namespace wavelark
