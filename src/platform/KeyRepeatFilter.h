#pragma once

#include <QtGlobal>

#include <optional>

// Tells a new press of one key from the keyboard's auto-repeat while it is
// held, by the events the X server sends and, where they cannot tell, by the
// key's state as the server reports it. Time stamps are the server's.
//
// Which of the two ways the server reports a repeat depends on the client:
// by default each repeated press follows a release with the same time stamp;
// with detectable auto-repeat switched on, repeated presses follow one
// another with no release between them.
class KeyRepeatFilter
{
public:
    enum class Repeats {
        // Each repeat is a release and a press carrying the same time stamp.
        AfterRelease,
        // Each repeat is a press; the one release comes when the key goes up.
        WithoutRelease,
    };

    explicit KeyRepeatFilter(Repeats repeats = Repeats::AfterRelease)
        : m_repeats(repeats)
    { }

    Repeats repeats() const { return m_repeats; }

    // A press of the key arrived; true when it is a new press rather than a
    // repeat. `sequence` is the event's sequence number: that of the last
    // request of ours the server had handled when it sent the event.
    bool press(quint32 time, quint16 sequence);
    // A release of the key arrived.
    void release(quint32 time);
    // The server says the key is up, although no release arrived: the
    // release went to another program. `sequence` is that of the request the
    // server answered. Its answer can overtake presses the server sent
    // before it (repeats of the key while it was still held) which have not
    // been read yet; those stay repeats.
    void keyIsUp(quint16 sequence);

    // A press arrived and no release since. Only with repeats without
    // release does a release that went elsewhere hide a new press; the key's
    // state is then worth asking for until it is seen up.
    bool isDown() const { return m_down; }
    bool needsKeyState() const { return m_down && m_repeats == Repeats::WithoutRelease; }

private:
    Repeats m_repeats;
    bool m_down = false;
    // The time stamp of a release when it is the key's last event.
    std::optional<quint32> m_releaseTime;
    // The request in answer to which the server last found the key up.
    std::optional<quint16> m_upAtSequence;
};
