#include "platform/KeyRepeatFilter.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using Repeats = KeyRepeatFilter::Repeats;

// One event of the key: a press (P), a release (R), or the server saying the
// key is up (U), at a server time, with the sequence number of the last
// request the server had handled when it sent the event or answer.
struct Event
{
    char kind;
    quint32 time;
    quint16 sequence = 0;
};

struct Case
{
    const char *name;
    Repeats repeats;
    std::vector<Event> events;
    // For each press in order: new (N) or repeat (r).
    std::string presses;
};

std::string classify(const Case &c)
{
    KeyRepeatFilter filter(c.repeats);
    std::string presses;
    for (const Event &event : c.events) {
        if (event.kind == 'P')
            presses += filter.press(event.time, event.sequence) ? 'N' : 'r';
        else if (event.kind == 'R')
            filter.release(event.time);
        else
            filter.keyIsUp(event.sequence);
    }
    return presses;
}

} // namespace

TEST(KeyRepeatFilterTest, NewPressesAndRepeats)
{
    const Case cases[] = {
        { "a tap, then another", Repeats::AfterRelease, { { 'P', 100 }, { 'R', 180 }, { 'P', 400 } }, "NN" },
        { "held: each repeat follows a release of its own time", Repeats::AfterRelease,
            { { 'P', 100 }, { 'R', 760 }, { 'P', 760 }, { 'R', 800 }, { 'P', 800 }, { 'R', 830 } }, "Nrr" },
        { "releases that went elsewhere, presses 0.3 s apart", Repeats::AfterRelease,
            { { 'P', 100 }, { 'P', 400 }, { 'P', 700 } }, "NNN" },
        { "a quick second tap", Repeats::AfterRelease, { { 'P', 100 }, { 'R', 150 }, { 'P', 151 } }, "NN" },
        { "without releases: held", Repeats::WithoutRelease,
            { { 'P', 100 }, { 'P', 760 }, { 'P', 800 }, { 'R', 830 }, { 'P', 1200 } }, "NrrN" },
        { "without releases: a release elsewhere, found up by the server", Repeats::WithoutRelease,
            { { 'P', 100 }, { 'U', 0 }, { 'P', 400 }, { 'U', 0 }, { 'P', 700 } }, "NNN" },
        { "without releases: the key still down is a repeat", Repeats::WithoutRelease,
            { { 'P', 100 }, { 'P', 3100 } }, "Nr" },
        // The answer that the key is up overtakes a repeat sent while it was
        // still held, read only after the answer.
        { "without releases: a repeat sent before the key was found up", Repeats::WithoutRelease,
            { { 'P', 100, 7 }, { 'P', 760, 9 }, { 'U', 0, 12 }, { 'P', 800, 11 }, { 'P', 1200, 14 } },
            "NrrN" },
        { "without releases: the same across the wrap of the sequence numbers", Repeats::WithoutRelease,
            { { 'P', 100, 65530 }, { 'U', 0, 2 }, { 'P', 800, 65534 }, { 'P', 1200, 3 } }, "NrN" },
    };
    for (const Case &c : cases)
        EXPECT_EQ(classify(c), c.presses) << c.name;
}

TEST(KeyRepeatFilterTest, TheKeyStateIsWantedOnlyWhereReleasesCanHidePresses)
{
    KeyRepeatFilter afterRelease(Repeats::AfterRelease);
    afterRelease.press(100, 0);
    EXPECT_TRUE(afterRelease.isDown());
    EXPECT_FALSE(afterRelease.needsKeyState());

    KeyRepeatFilter withoutRelease(Repeats::WithoutRelease);
    EXPECT_FALSE(withoutRelease.needsKeyState());
    withoutRelease.press(100, 0);
    EXPECT_TRUE(withoutRelease.needsKeyState());
    withoutRelease.release(200);
    EXPECT_FALSE(withoutRelease.needsKeyState());
}
