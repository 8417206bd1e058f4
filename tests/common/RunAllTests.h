#pragma once

// Runs the tests and, in a build with LeakSanitizer, checks for leaks before
// the process exits. At exit a thread that Qt owns (the D-Bus thread) may
// have finished without having released its per-thread data yet, which the
// check would report as leaked; now it is still running and holds it.
int runAllTests();
