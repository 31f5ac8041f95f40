#pragma once

namespace wordlark {

class TfrmMain;

// For the start-up benchmark, when the environment variable
// WORDLARK_STARTUP_PROBE is set: the moments of a start as lines on standard
// output, each printed the moment it happens ("mark NAME"), so that the
// reader can time them.
bool StartupProbeArmed();
void StartupMark(const char* name);

// Marks the window's first paint ("paint"), the moment the first step takes
// typing ("typing": painted, the focus in its field, the event loop turning),
// and each editor holding its document ("editor1", ...). Once every editor
// (and the welcome view, when there is one) is ready, prints "ready" with the
// memory of the whole process tree (proportional set size, KiB), whether the
// letter is modified and the window's title, and ends the application.
void ArmStartupProbe(TfrmMain* window);

}  // namespace wordlark
