#include "Emoji.h"

#include <QString>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <iterator>

namespace {

struct Range
{
    char32_t first;
    char32_t last;
};

// The code points drawn as emoji by default (Emoji_Presentation=Yes of
// Unicode 15.0's emoji-data.txt), in order.
constexpr Range emojiPresentation[] = {
    { 0x231A, 0x231B }, { 0x23E9, 0x23EC }, { 0x23F0, 0x23F0 }, { 0x23F3, 0x23F3 },
    { 0x25FD, 0x25FE }, { 0x2614, 0x2615 }, { 0x2648, 0x2653 }, { 0x267F, 0x267F },
    { 0x2693, 0x2693 }, { 0x26A1, 0x26A1 }, { 0x26AA, 0x26AB }, { 0x26BD, 0x26BE },
    { 0x26C4, 0x26C5 }, { 0x26CE, 0x26CE }, { 0x26D4, 0x26D4 }, { 0x26EA, 0x26EA },
    { 0x26F2, 0x26F3 }, { 0x26F5, 0x26F5 }, { 0x26FA, 0x26FA }, { 0x26FD, 0x26FD },
    { 0x2705, 0x2705 }, { 0x270A, 0x270B }, { 0x2728, 0x2728 }, { 0x274C, 0x274C },
    { 0x274E, 0x274E }, { 0x2753, 0x2755 }, { 0x2757, 0x2757 }, { 0x2795, 0x2797 },
    { 0x27B0, 0x27B0 }, { 0x27BF, 0x27BF }, { 0x2B1B, 0x2B1C }, { 0x2B50, 0x2B50 },
    { 0x2B55, 0x2B55 }, { 0x1F004, 0x1F004 }, { 0x1F0CF, 0x1F0CF }, { 0x1F18E, 0x1F18E },
    { 0x1F191, 0x1F19A }, { 0x1F1E6, 0x1F1FF }, { 0x1F201, 0x1F201 }, { 0x1F21A, 0x1F21A },
    { 0x1F22F, 0x1F22F }, { 0x1F232, 0x1F236 }, { 0x1F238, 0x1F23A }, { 0x1F250, 0x1F251 },
    { 0x1F300, 0x1F320 }, { 0x1F32D, 0x1F335 }, { 0x1F337, 0x1F37C }, { 0x1F37E, 0x1F393 },
    { 0x1F3A0, 0x1F3CA }, { 0x1F3CF, 0x1F3D3 }, { 0x1F3E0, 0x1F3F0 }, { 0x1F3F4, 0x1F3F4 },
    { 0x1F3F8, 0x1F43E }, { 0x1F440, 0x1F440 }, { 0x1F442, 0x1F4FC }, { 0x1F4FF, 0x1F53D },
    { 0x1F54B, 0x1F54E }, { 0x1F550, 0x1F567 }, { 0x1F57A, 0x1F57A }, { 0x1F595, 0x1F596 },
    { 0x1F5A4, 0x1F5A4 }, { 0x1F5FB, 0x1F64F }, { 0x1F680, 0x1F6C5 }, { 0x1F6CC, 0x1F6CC },
    { 0x1F6D0, 0x1F6D2 }, { 0x1F6D5, 0x1F6D7 }, { 0x1F6DC, 0x1F6DF }, { 0x1F6EB, 0x1F6EC },
    { 0x1F6F4, 0x1F6FC }, { 0x1F7E0, 0x1F7EB }, { 0x1F7F0, 0x1F7F0 }, { 0x1F90C, 0x1F93A },
    { 0x1F93C, 0x1F945 }, { 0x1F947, 0x1F9FF }, { 0x1FA70, 0x1FA7C }, { 0x1FA80, 0x1FA88 },
    { 0x1FA90, 0x1FABD }, { 0x1FABF, 0x1FAC5 }, { 0x1FACE, 0x1FADB }, { 0x1FAE0, 0x1FAE8 },
    { 0x1FAF0, 0x1FAF8 },
};

constexpr char16_t textPresentation = 0xFE0E;
constexpr char16_t emojiPresentationSelector = 0xFE0F;
constexpr char32_t firstSkinTone = 0x1F3FB;
constexpr char32_t lastSkinTone = 0x1F3FF;

bool presentsAsEmoji(char32_t codePoint)
{
    const auto after = std::upper_bound(std::begin(emojiPresentation), std::end(emojiPresentation),
        codePoint, [](char32_t c, const Range &range) { return c < range.first; });
    return after != std::begin(emojiPresentation) && codePoint <= std::prev(after)->last;
}

// The first code point of the text, whole where it is a surrogate pair.
char32_t codePointAt(QStringView text, qsizetype at)
{
    if (text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate())
        return QChar::surrogateToUcs4(text[at], text[at + 1]);
    return text[at].unicode();
}

// No emoji has a code point below U+00A9 (©) but the keycaps, whose digit,
// "#" or "*" asks for emoji presentation; text made of such code points has
// no emoji, and most text is, so it is not cut into characters at all.
bool mayHoldEmoji(QStringView text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0xA9 || c.unicode() == emojiPresentationSelector;
    });
}

} // namespace

namespace Emoji {

bool isEmoji(QStringView character)
{
    if (character.isEmpty() || character.contains(QChar(textPresentation)))
        return false;
    if (character.contains(QChar(emojiPresentationSelector)) || presentsAsEmoji(codePointAt(character, 0)))
        return true;
    for (qsizetype at = 0; at < character.size(); ++at) {
        const char32_t codePoint = codePointAt(character, at);
        if (codePoint >= firstSkinTone && codePoint <= lastSkinTone)
            return true;
        if (codePoint > 0xFFFF)
            ++at;
    }
    return false;
}

QList<std::pair<qsizetype, qsizetype>> runs(QStringView text)
{
    QList<std::pair<qsizetype, qsizetype>> found;
    if (!mayHoldEmoji(text))
        return found;
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text.data(), text.size());
    for (qsizetype start = 0, end = characters.toNextBoundary(); end > 0;
         start = end, end = characters.toNextBoundary()) {
        // Only a character that holds a code point from U+00A9 on can be one.
        if (text[end - 1].unicode() < 0xA9 && text[start].unicode() < 0xA9)
            continue;
        if (!isEmoji(text.sliced(start, end - start)))
            continue;
        if (!found.isEmpty() && found.last().second == start)
            found.last().second = end;
        else
            found.append({ start, end });
    }
    return found;
}

} // namespace Emoji
