#pragma once

#include "SavedMessage.h"
#include "store/DateEnvironment.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUuid>

#include <memory>
#include <optional>

class ScreenshotSource;

// A saved conversation: one screenshot with the questions asked about it and
// the answers received. Immutable; its identifier is new whenever a record is
// made, also when it is read back, so it is not stable across runs.
//
// The screenshot is held either as bytes (a conversation just made, or one
// whose save has not reached the store yet) or as where it is stored (one
// the store has): the store's list then costs a few hundred bytes per
// conversation, not a megabyte, and the bytes are read each time someone
// asks for them. Either way screenshotData() gives the same bytes.
class Conversation
{
public:
    Conversation(const QString &title, const QDateTime &createdAt,
        const std::optional<QByteArray> &screenshotData, const QList<SavedMessage> &messages);

    QUuid id() const { return m_id; }
    QString title() const { return m_title; }
    QDateTime createdAt() const { return m_createdAt; }
    // PNG bytes of the screenshot; absent when there was none to keep (or,
    // for a stored one, when the store cannot be read now). Reads the store
    // for a stored screenshot: keep the bytes no longer than they are shown.
    std::optional<QByteArray> screenshotData() const;
    // Whether it has a screenshot, without reading it.
    bool hasScreenshot() const;
    // Whether the screenshot is held as bytes rather than read from the store.
    bool holdsScreenshotBytes() const { return !m_screenshotSource; }
    // The PNG bytes of a small square picture of the screenshot (kept beside
    // a stored one); absent without a screenshot that is an image. May take
    // tens of milliseconds: for a worker thread.
    std::optional<QByteArray> thumbnailData() const;
    // Question and answer, pair after pair, oldest first.
    const QList<SavedMessage> &messages() const { return m_messages; }

    // The same conversation (identifier, title, creation date, screenshot)
    // holding these messages instead.
    Conversation withMessages(const QList<SavedMessage> &messages) const;
    // The same conversation with these screenshot bytes instead.
    Conversation withScreenshotData(const std::optional<QByteArray> &screenshotData) const;
    // The same conversation with its screenshot read from the store instead;
    // `hasScreenshot` says whether the store holds one.
    Conversation withStoredScreenshot(std::shared_ptr<const ScreenshotSource> source, bool hasScreenshot) const;

    // The creation time as the locale's medium date followed by its short time.
    QString formattedDate(const DateEnvironment &environment = DateEnvironment::current()) const;
    // The date of the conversation lists: the short time for today,
    // "Yesterday", else the abbreviated month and the day ("MMM d").
    QString shortDate(const DateEnvironment &environment = DateEnvironment::current()) const;

private:
    QUuid m_id;
    QString m_title;
    QDateTime m_createdAt;
    std::optional<QByteArray> m_screenshotData;
    // Set when the screenshot is read from the store; m_screenshotData is
    // then empty and m_hasStoredScreenshot says whether there is one.
    std::shared_ptr<const ScreenshotSource> m_screenshotSource;
    bool m_hasStoredScreenshot = false;
    QList<SavedMessage> m_messages;
};
