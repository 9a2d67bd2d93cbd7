// Stands in for a launcher that is killed mid-command: starts its arguments as a setup command,
// tied to this process's life, prints the command's pid and waits to be killed.
//     vlmr_tied_command EXECUTABLE [ARGUMENT…]
#include "platform/process.h"

#include <QStringList>

#include <cstdio>
#include <exception>
#include <unistd.h>

int main(int argc, char *argv[])
{
    if (argc < 2)
        return 2;
    platform::SpawnOptions options;
    options.executable = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i)
        options.arguments << QString::fromLocal8Bit(argv[i]);
    options.endsWithLauncher = true;
    try {
        const auto command = platform::Process::spawn(options);
        std::printf("%d\n", static_cast<int>(command->pid()));
        std::fflush(stdout);
        for (;;)
            ::pause();
    } catch (const std::exception &error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
