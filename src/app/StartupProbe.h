#pragma once

namespace wordlark {

class TfrmMain;

// For the start-up benchmark: when the environment variable
// WORDLARK_STARTUP_PROBE is set, waits until the main window is shown and
// every editor holds its document, prints "ready" with the memory of the
// whole process tree (proportional set size, KiB), whether the letter is
// modified and the window's title to standard output, and ends the
// application.
void ArmStartupProbe(TfrmMain* window);

// The proportional set size of a process and all its descendants, in KiB.
long ProcessTreePssKiB(int pid);

}  // namespace wordlark
