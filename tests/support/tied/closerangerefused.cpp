// Preloaded into a process, stands in for a kernel or a seccomp profile that refuses close_range:
//     LD_PRELOAD=.../libvlmr_refuse_close_range.so COMMAND…
#include <cerrno>

extern "C" int close_range(unsigned int, unsigned int, int);

extern "C" int close_range(unsigned int, unsigned int, int)
{
    errno = ENOSYS;
    return -1;
}
