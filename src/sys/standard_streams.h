#pragma once

namespace dravik::sys {

// Keeps a closed standard stream (0, 1 or 2) closed in effect and its number
// taken, so that no file the program opens later gets it: what is written to
// standard error must never land in a script or a picture. The number goes
// to a handle on the root folder that can neither read nor write, so using
// the stream still fails as on a closed one, and /dev/stdin, /dev/stdout and
// /dev/stderr name a folder, which no tool reads or writes either. Called
// first thing in main.
void TakeClosedStandardStreams();

// Flushes what went to standard output (std::cout and stdio); gives 0, or the
// errno of the write that failed.
int FlushStandardOutput();

}  // namespace dravik::sys
