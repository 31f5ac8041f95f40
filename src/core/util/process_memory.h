// The memory a process and the processes it started hold, as the kernel
// counts it (Linux /proc).
#pragma once

namespace wordlark {

// The proportional set size of process `pid` and all its descendants, in KiB:
// each shared page counted once across the processes that share it. 0 for a
// process that cannot be read.
long ProcessTreePssKiB(int pid);

}  // namespace wordlark
