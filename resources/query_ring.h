// The read-back schedule of the GPU timer queries: each frame writes its queries into one slot
// of a small ring and reads back the frame kLag frames older as it begins, so a result is
// asked for only after the driver has long finished it and reading never waits on rendering.
// A slot is read before the frame that reuses it writes it. Pure logic; no GL.
#pragma once

#include <vector>

struct QueryRing {
    static constexpr int kSlots = 3;
    static constexpr int kLag = 2;
    static_assert(kLag > 0 && kLag < kSlots, "a frame must be read after it ends and before its slot is reused");

    // The slot frame (0, 1, 2, ...) writes its queries into.
    static int slotOf(long frame) { return int(frame % kSlots); }
    // The frame whose results are read as frame begins, before it writes its own; -1 for none.
    static long dueAt(long frame) { return frame >= kLag ? frame - kLag : -1; }
    // The frames still unread once frameCount frames have run, oldest first.
    static std::vector<long> pendingAfter(long frameCount)
    {
        std::vector<long> pending;
        for (long frame = frameCount - kLag < 0 ? 0 : frameCount - kLag; frame < frameCount; ++frame)
            pending.push_back(frame);
        return pending;
    }
};
