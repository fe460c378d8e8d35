#include "KeyRepeatFilter.h"

namespace {

// Sequence numbers are the low 16 bits of a count that wraps around.
bool sentBefore(quint16 sequence, quint16 other)
{
    return qint16(quint16(sequence - other)) < 0;
}

} // namespace

bool KeyRepeatFilter::press(quint32 time, quint16 sequence)
{
    if (m_upAtSequence && sentBefore(sequence, *m_upAtSequence))
        return false;
    m_upAtSequence.reset();
    bool repeated = false;
    switch (m_repeats) {
    case Repeats::AfterRelease:
        // A release that went to another program does not matter here: a
        // press that is not paired with a release of its own time stamp is
        // new, whatever came before it.
        repeated = m_releaseTime && *m_releaseTime == time;
        break;
    case Repeats::WithoutRelease:
        repeated = m_down;
        break;
    }
    m_down = true;
    m_releaseTime.reset();
    return !repeated;
}

void KeyRepeatFilter::release(quint32 time)
{
    m_down = false;
    m_releaseTime = time;
}

void KeyRepeatFilter::keyIsUp(quint16 sequence)
{
    m_down = false;
    m_upAtSequence = sequence;
}
