#pragma once
// How the process keeps its memory between pictures.

namespace rt {

// Frames and pages are buffers of several megabytes, one after another;
// keeping them in the heap instead of mapping fresh memory every time spares
// a page fault for every 4 KB of every picture. Called first thing by the
// program and by every benchmark, so both measure the same allocator.
void KeepPictureBuffers();

}  // namespace rt
