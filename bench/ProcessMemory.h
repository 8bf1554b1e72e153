#pragma once

// The process's own memory as the kernel counts it in /proc/self/status, for the open
// benchmarks: the resident size now and at its peak since the last reset.

// A field of /proc/self/status in KiB ("VmRSS:", "VmHWM:"); -1 when it cannot be read.
long statusKilobytes(const char *field);

// Starts the peak ("VmHWM:") anew from the resident size now; false where the kernel refuses.
bool resetPeakResident();
