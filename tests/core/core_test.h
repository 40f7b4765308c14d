/*
 * core_test.h - what the core tests share under the sanitizers: the leak
 * check must not count the buffers that Mesa's GL driver and libdbus (loaded
 * by SDL) keep until the process ends.
 */
#ifndef CORE_TEST_H
#define CORE_TEST_H

#include "test_gl.h"

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>  /* dlopen: keeping the GL driver loaded */
#include <link.h>   /* dl_iterate_phdr */
#include <string.h>

extern "C" __attribute__((weak)) const char *__lsan_default_suppressions()
{
    return "leak:_dri.so\nleak:libdbus-1.so\n";
}

/* The driver is unloaded before the leak check runs, which would leave its
 * allocations as leaks of an unknown module; pinned, they can be suppressed. */
static int pinGlDriver(struct dl_phdr_info *info, size_t, void *)
{
    if (strstr(info->dlpi_name, "_dri.so") != NULL)
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

static inline void keepGlDriverLoaded()
{
    dl_iterate_phdr(pinGlDriver, NULL);
}
#else
static inline void keepGlDriverLoaded() {}
#endif

/* The test window of testGlContext, with the GL driver kept loaded. */
static inline void coreGlContext(int width, int height)
{
    testGlContext(width, height);
    keepGlDriverLoaded();
}

#endif
