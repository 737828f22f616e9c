#pragma once

// Thrown by a fault hook or a recording file seam to stop a run where a kill would, without the program catching
// it as a disk error.
struct Crash
{};
