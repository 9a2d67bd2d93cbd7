#pragma once

namespace platform {

// What a parent can hand down through exec and the launcher cannot live with. Both are called
// first thing in main, in this order, before anything is opened or started.

// An ignored SIGCHLD makes the kernel reap every child, so each wait would fail with ECHILD.
void restoreDefaultChildSignal();
// A closed 0, 1 or 2 would be taken by the next file opened and handed to every child as a
// standard stream; /dev/null takes its place.
void fillClosedStandardStreams();

} // namespace platform
