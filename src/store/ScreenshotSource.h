#pragma once

#include <QByteArray>
#include <QString>

#include <memory>
#include <optional>

class ConversationTable;

// Where a saved conversation's screenshot is read from when someone needs
// it: its row in the store. The list of saved conversations holds this in
// place of the bytes, so that a long history does not keep every
// screenshot in memory; the bytes are read when the conversation is opened,
// copied, saved or sent, and dropped with whoever read them.
//
// The small picture that lists show is kept beside the row: made from the
// screenshot the first time it is asked for, and read from there after.
//
// Safe to use from any thread (the table's operations run one at a time).
// It keeps the store's connection open: a conversation has its screenshot
// for as long as it lives, also after the manager that listed it is gone.
class ScreenshotSource
{
public:
    // The side, in pixels, of the kept square picture: enough for the
    // largest list thumbnail at twice the scale.
    static constexpr int thumbnailPixels = 96;

    ScreenshotSource(std::shared_ptr<ConversationTable> table, const QString &rowId);

    const QString &rowId() const { return m_rowId; }

    // The PNG bytes as stored; absent when there are none or they cannot be
    // read now (the reason is logged).
    std::optional<QByteArray> screenshot() const;
    // The kept small picture's PNG bytes, made and kept first when there is
    // none yet; absent when the screenshot is none or no image.
    std::optional<QByteArray> thumbnail() const;

    // The square picture of a screenshot: scaled to fill the square, cropped
    // to its middle, as PNG; absent for bytes that are no image.
    static std::optional<QByteArray> makeThumbnail(const QByteArray &png);

private:
    std::shared_ptr<ConversationTable> m_table;
    QString m_rowId;
};
