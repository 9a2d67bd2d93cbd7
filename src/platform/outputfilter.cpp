#include "platform/outputfilter.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace platform {

namespace {

// A line longer than this is passed on in pieces rather than held whole.
constexpr qsizetype longestLine = qsizetype(64) * 1024;
// What a full disk may hold back; beyond it the oldest lines go, so the end of the output survives.
constexpr qsizetype heldBack = qsizetype(1024) * 1024;
// How often the thread looks at the clock: once the command has ended, something it left running may
// hold the pipe open without writing.
constexpr int deadlineCheckMs = 100;

std::int64_t nowNanoseconds()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

FilteredOutput::FilteredOutput(int logFd, Filter filter) : logFd_(logFd), filter_(std::move(filter))
{
    int ends[2];
    createPipe(ends, false, QStringLiteral("the command's output"));
    readEnd_ = FileHandle(ends[0]);
    writeEnd_ = FileHandle(ends[1]);
    thread_ = std::thread([this] { pump(); });
}

FilteredOutput::~FilteredOutput()
{
    finish(std::chrono::milliseconds(0));
}

void FilteredOutput::finish(std::chrono::milliseconds lingering)
{
    writeEnd_.close();
    if (!thread_.joinable())
        return;
    deadline_ = nowNanoseconds() + std::chrono::duration_cast<std::chrono::nanoseconds>(lingering).count();
    thread_.join();
}

bool FilteredOutput::pastDeadline() const
{
    const std::int64_t deadline = deadline_;
    return deadline != 0 && nowNanoseconds() >= deadline;
}

void FilteredOutput::pump()
{
    char buffer[65536];
    while (!pastDeadline()) {
        pollfd ready{readEnd_.fd(), POLLIN, 0};
        const int polled = ::poll(&ready, 1, deadlineCheckMs);
        if (polled == 0 || (polled < 0 && errno == EINTR))
            continue;
        const ssize_t n = ::read(readEnd_.fd(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // every writer has closed the pipe
        take(buffer, static_cast<std::size_t>(n));
    }
    if (!partial_.isEmpty())
        passOn(partial_);
    partial_.clear();
    writePending();   // the last chance for what a full disk held back
    readEnd_.close(); // a straggler that writes on gets EPIPE rather than blocking forever
}

void FilteredOutput::take(const char *data, std::size_t size)
{
    partial_.append(data, static_cast<qsizetype>(size));
    qsizetype start = 0;
    for (qsizetype at = 0; at < partial_.size(); ++at) {
        if (partial_[at] == '\n' || partial_[at] == '\r') {
            passOn(partial_.mid(start, at + 1 - start));
            start = at + 1;
        }
    }
    partial_.remove(0, start);
    if (partial_.size() >= longestLine) {
        passOn(partial_);
        partial_.clear();
    }
}

void FilteredOutput::passOn(const QByteArray &line)
{
    pending_.append(filter_(line));
    if (pending_.size() > heldBack) {
        // Whole lines go, oldest first.
        const qsizetype cut = pending_.indexOf('\n', pending_.size() - heldBack);
        pending_.remove(0, cut < 0 ? pending_.size() - heldBack : cut + 1);
    }
    writePending();
}

void FilteredOutput::writePending()
{
    qsizetype written = 0;
    while (written < pending_.size()) {
        const ssize_t n =
            ::write(logFd_, pending_.constData() + written, static_cast<std::size_t>(pending_.size() - written));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // kept for the next line, which may find room again
        written += n;
    }
    pending_.remove(0, written);
}

} // namespace platform
