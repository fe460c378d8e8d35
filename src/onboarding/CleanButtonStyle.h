#pragma once

// How an onboarding button looks: the primary look (white text on blue) or
// the secondary one (text on translucent grey), and whether it looks enabled.
// The look alone: whether the button reacts is its owner's to decide.
struct CleanButtonStyle
{
    bool isPrimary = true;
    bool isEnabled = true;
};
