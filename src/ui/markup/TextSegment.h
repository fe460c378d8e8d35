#pragma once

#include <QString>
#include <QUuid>

// One inline run of a block's text, with its markers removed.
struct TextSegment
{
    explicit TextSegment(const QString &text, bool isBold = false, bool isItalic = false)
        : id(QUuid::createUuid())
        , text(text)
        , isBold(isBold)
        , isItalic(isItalic)
    { }

    QUuid id;
    QString text;
    bool isBold = false;
    bool isItalic = false;
};
