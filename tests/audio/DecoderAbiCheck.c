/* Compiled as C, not run: the module header must be plain C, and with
 * -m32 its own layout assertions for 32-bit pointers are checked. */
#include <wavelark/decoder.h>

#ifdef WAVELARK_CHECK_32BIT
_Static_assert(sizeof(void *) == 4, "this check must be compiled for 32-bit pointers");
_Static_assert(sizeof(DecoderInfo) == 168, "168 bytes on a 32-bit target");
#endif

/* Every entry point has the type a module defines it with. */
WAVELARK_MODULE_EXPORT int init(int verbosity);
static WavelarkInitFn const checkInit = init;

int wavelark_abi_check(void)
{
    DecoderInfo info = {0};
    return (int)info.flags + (checkInit != 0);
}
