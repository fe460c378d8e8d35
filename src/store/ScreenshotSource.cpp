#include "ScreenshotSource.h"

#include "platform/ConversationTable.h"
#include "platform/ImageData.h"
#include "platform/Log.h"

#include <QBuffer>
#include <QImage>

ScreenshotSource::ScreenshotSource(std::shared_ptr<ConversationTable> table, const QString &rowId)
    : m_table(std::move(table))
    , m_rowId(rowId)
{ }

std::optional<QByteArray> ScreenshotSource::screenshot() const
{
    ConversationTable *table = m_table.get();
    QString error;
    const std::optional<std::optional<QByteArray>> stored = table->screenshot(m_rowId, &error);
    if (!stored) {
        Log::line(QStringLiteral("❌ Failed to read the screenshot of the conversation %1: %2").arg(m_rowId, error));
        return std::nullopt;
    }
    return *stored;
}

std::optional<QByteArray> ScreenshotSource::thumbnail() const
{
    ConversationTable *table = m_table.get();
    if (std::optional<QByteArray> kept = table->thumbnail(m_rowId))
        return kept;
    const std::optional<QByteArray> png = screenshot();
    if (!png)
        return std::nullopt;
    std::optional<QByteArray> made = makeThumbnail(*png);
    // Kept for the next start; one that cannot be kept now is made again then.
    if (made)
        table->setThumbnail(m_rowId, *made);
    return made;
}

std::optional<QByteArray> ScreenshotSource::makeThumbnail(const QByteArray &png)
{
    const QImage image = ImageData::imageFromPng(png);
    if (image.isNull())
        return std::nullopt;
    const int side = thumbnailPixels;
    const QImage filled = image.scaled(side, side, Qt::KeepAspectRatioByExpanding, Qt::SmoothTransformation);
    const QImage square = filled.copy((filled.width() - side) / 2, (filled.height() - side) / 2, side, side);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!square.save(&buffer, "PNG"))
        return std::nullopt;
    return bytes;
}
