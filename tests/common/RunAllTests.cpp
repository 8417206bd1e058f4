#include "RunAllTests.h"

#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define WAVELARK_LEAK_CHECK 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define WAVELARK_LEAK_CHECK 1
#endif

#ifdef WAVELARK_LEAK_CHECK
#include <sanitizer/lsan_interface.h>
#endif

int runAllTests()
{
    const int status = RUN_ALL_TESTS();
#ifdef WAVELARK_LEAK_CHECK
    // Ends the process with the sanitizer's exit code when something leaked,
    // and keeps it from checking again at exit.
    __lsan_do_leak_check();
#endif
    return status;
}
