#include "KeyRepeatFilter.h"

bool KeyRepeatFilter::press(quint32 time)
{
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
