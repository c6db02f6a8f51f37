// The last kFrames frame times, for the overlay's graph and its figures: a ring of floats that
// ImGui's plot reads in place (oldest at `next` once full), with the median, the 95th
// percentile and the frame rate over what it holds. Pure logic; no GL.
#pragma once

#include <array>

struct FrameHistory {
    static constexpr int kFrames = 240;

    std::array<float, kFrames> ms{};  // frame times in milliseconds
    int count = 0;                    // filled entries, up to kFrames
    int next = 0;                     // where the next time goes; the oldest once the ring is full

    // Adds one frame's time; negative and non-finite times are ignored.
    void add(double milliseconds);
    // The graph's offset: the index of the oldest entry.
    int oldest() const { return count < kFrames ? 0 : next; }

    struct Figures {
        double median = 0.0, p95 = 0.0, fps = 0.0;  // all 0 while empty
    };
    Figures figures() const;
};
