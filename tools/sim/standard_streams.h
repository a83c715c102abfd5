#pragma once

namespace dravik::sim {

// Keeps a closed standard stream (0, 1 or 2) closed in effect and its number
// taken, so that no file the program opens later gets it: what is written to
// standard error must never land in a script or a picture. The stream is
// opened on /dev/null the wrong way round (standard input for writing, the
// others for reading), so that using it still fails as on a closed one.
// Called first thing in main.
void TakeClosedStandardStreams();

}  // namespace dravik::sim
