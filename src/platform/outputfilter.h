#pragma once

#include "platform/files.h"

#include <QByteArray>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

namespace platform {

// Carries a command's standard output and error into a log through `filter`, a line at a time, on a
// thread of its own, so that nothing reaches the log unfiltered. A line ends at '\n' or '\r' (a
// progress meter redraws with '\r' alone). The thread never stops reading while the command runs, so
// a log that cannot be written (a full disk) never stalls the command: what could not be written
// waits, up to a limit, for the next line to find room again.
class FilteredOutput
{
public:
    using Filter = std::function<QByteArray(const QByteArray &line)>;
    // Both ends of the pipe are close-on-exec; throws the platform's error.
    FilteredOutput(int logFd, Filter filter);
    ~FilteredOutput();
    FilteredOutput(const FilteredOutput &) = delete;
    FilteredOutput &operator=(const FilteredOutput &) = delete;

    // The end the command writes to, as its standard output and error.
    int commandEnd() const { return writeEnd_.fd(); }
    // Once the command has started (or failed to): the command holds the only write end.
    void commandStarted() { writeEnd_.close(); }
    // Once the command has ended: takes in whatever is still on its way, until the last writer has
    // closed the pipe or, for what the command left running, `lingering` has passed.
    void finish(std::chrono::milliseconds lingering = std::chrono::seconds(2));

private:
    void pump();
    void take(const char *data, std::size_t size);
    void passOn(const QByteArray &line);
    void writePending();
    bool pastDeadline() const;

    int logFd_;
    Filter filter_;
    FileHandle readEnd_;
    FileHandle writeEnd_;
    QByteArray partial_;                    // a line still waiting for its end
    QByteArray pending_;                    // filtered bytes the log has not taken yet
    std::atomic<std::int64_t> deadline_{0}; // steady-clock nanoseconds; 0 while the command runs
    std::thread thread_;
};

} // namespace platform
