/*
 * lsan_suppressions.cpp - linked into every test program of a sanitizer
 * build: the buffers that Mesa's GL driver and libdbus (loaded by SDL) keep
 * until the process ends are not leaks of ours.
 */
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:_dri.so\nleak:libdbus-1.so\n";
}
