// Preloaded into a process, stands in for a kernel or a seccomp profile that refuses close_range:
//     LD_PRELOAD=.../libvlmr_refuse_close_range.so COMMAND…
// In the launcher stand-in it also plays a thread that dup2s far above every other descriptor
// just before each fork.
#include <cerrno>
#include <cstring>
#include <dlfcn.h>
#include <unistd.h>

extern "C" int close_range(unsigned int, unsigned int, int) noexcept;

extern "C" int close_range(unsigned int, unsigned int, int) noexcept
{
    errno = ENOSYS;
    return -1;
}

extern "C" pid_t fork() noexcept
{
    static const auto next = reinterpret_cast<pid_t (*)()>(::dlsym(RTLD_NEXT, "fork"));
    if (std::strcmp(program_invocation_short_name, "vlmr_tied_command") == 0)
        ::dup2(STDIN_FILENO, 1000);
    return next();
}
