// The read-back schedule of the GPU timer queries: every frame's results come back
// exactly once, in frame order, from the slot that frame wrote, before any later frame reuses
// that slot, and never in the frame that writes them.
#include "resources/query_ring.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// Runs frameCount frames against a fake query store: each frame first reads back what is due,
// then writes its own number into its slot. Returns the frames read back, in reading order,
// and counts the reads that found another frame's number in the slot.
std::vector<long> simulate(long frameCount, int& wrongSlotReads, int& sameFrameReads)
{
    std::array<long, QueryRing::kSlots> slots;
    slots.fill(-1);
    std::vector<long> read;
    const auto readBack = [&](long frame) {
        if (slots[std::size_t(QueryRing::slotOf(frame))] != frame)
            ++wrongSlotReads;
        read.push_back(frame);
    };
    for (long frame = 0; frame < frameCount; ++frame) {
        const long due = QueryRing::dueAt(frame);
        if (due >= 0) {
            if (due == frame)
                ++sameFrameReads;
            readBack(due);
        }
        slots[std::size_t(QueryRing::slotOf(frame))] = frame;
    }
    for (const long frame : QueryRing::pendingAfter(frameCount))
        readBack(frame);
    return read;
}

}  // namespace

TEST(QueryRingTest, EveryFrameReadOnceInOrderFromItsOwnSlot)
{
    for (const long frameCount : {1L, 2L, 3L, 4L, 300L}) {
        int wrongSlotReads = 0, sameFrameReads = 0;
        const std::vector<long> read = simulate(frameCount, wrongSlotReads, sameFrameReads);
        ASSERT_EQ(read.size(), std::size_t(frameCount)) << frameCount << " frames";
        for (long frame = 0; frame < frameCount; ++frame)
            EXPECT_EQ(read[std::size_t(frame)], frame) << frameCount << " frames";
        EXPECT_EQ(wrongSlotReads, 0) << frameCount << " frames";
        EXPECT_EQ(sameFrameReads, 0) << frameCount << " frames";
    }
}

TEST(QueryRingTest, ResultsComeBackTwoFramesLate)
{
    EXPECT_EQ(QueryRing::dueAt(0), -1);
    EXPECT_EQ(QueryRing::dueAt(1), -1);
    EXPECT_EQ(QueryRing::dueAt(2), 0);
    EXPECT_EQ(QueryRing::dueAt(10), 8);
    // The frame being read and the frame about to write never share a slot.
    for (long frame = 2; frame < 20; ++frame)
        EXPECT_NE(QueryRing::slotOf(QueryRing::dueAt(frame)), QueryRing::slotOf(frame));
}
