#pragma once

#include <filesystem>
#include <string>

namespace bildheber::bench {

// How one picture is re-encoded in the measured process.
enum class ResizeWay {
    Idle,         // start and exit: the process's own floor (program, libraries)
    ResizeJpg,    // resizeJpg: rows decoded one by one, only the sampled ones kept
    FullPicture,  // decodeJpeg, scaleNearest, encodeJpeg: the full-size picture in memory
};

// Runs this program again to re-encode `file` once the given way and returns the peak resident
// set size of that process in KiB, or -1 when it failed. The process reports its own VmHWM:
// wait4's ru_maxrss would also count the memory of this (large) process that it was spawned from.
long peakRssKiB(ResizeWay way, const std::filesystem::path& file);

// The measured process's side: when the arguments ask for one measured re-encoding, does it and
// returns the exit status; otherwise returns -1.
int runMeasuredResizeIfAsked(int argc, char** argv);

}  // namespace bildheber::bench
