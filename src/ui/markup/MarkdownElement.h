#pragma once

#include <QHashFunctions>
#include <QString>
#include <QUuid>

#include <optional>

// The kinds of block that light markup is made of. The parser never produces
// `code`; the renderer still knows how to draw it.
enum class MarkdownElementType { heading, subheading, bullet, numberedList, paragraph, code };

// One block of parsed markup. Each element gets a fresh random identifier when
// it is made, and identity is all that equality compares: two parses of the
// same text give elements that are alike field by field but never equal.
struct MarkdownElement
{
    MarkdownElement(
        MarkdownElementType type, const QString &text, std::optional<qint64> number = std::nullopt)
        : id(QUuid::createUuid())
        , type(type)
        , text(text)
        , number(number)
    { }

    QUuid id;
    MarkdownElementType type;
    // The block's text without its markup prefix; it may still hold bold markers.
    QString text;
    // The item number; present for numbered items only.
    std::optional<qint64> number;

    friend bool operator==(const MarkdownElement &a, const MarkdownElement &b) { return a.id == b.id; }
};

inline size_t qHash(const MarkdownElement &element, size_t seed = 0)
{
    return qHash(element.id, seed);
}
