#pragma once

#include <QtGlobal>

#include <functional>

// How an animated value travels to a new target: for how long, along which
// curve of progress, and whether it starts over each time it arrives.
struct Motion
{
    int durationMs = 0;
    // Maps the elapsed fraction of the duration (0 to 1) to the fraction of
    // the way travelled; a spring's curve swings past 1 before it settles.
    std::function<qreal(qreal)> curve;
    bool repeats = false;

    // A spring, given as its response (the period of its undamped swing, in
    // seconds) and its damping fraction (1 settles without swinging past the
    // target, less swings past it). It runs for one response, by which time
    // it is within about 1.5 % of its target, and then lands there.
    static Motion spring(qreal response, qreal dampingFraction);
    // The standard cubic Bézier curves: ease-out (0, 0, 0.58, 1) and
    // ease-in-out (0.42, 0, 0.58, 1).
    static Motion easeOut(qreal seconds);
    static Motion easeInOut(qreal seconds);
    static Motion linear(qreal seconds);
    // Linear, starting over from the start each time it arrives, for ever.
    static Motion repeatingLinear(qreal seconds);
};

// Where a spring released at 0 towards 1 stands after the time (seconds).
qreal springPosition(qreal seconds, qreal response, qreal dampingFraction);
