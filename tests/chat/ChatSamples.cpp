#include "ChatSamples.h"

#include "platform/ImageData.h"
#include "platform/UserDefaults.h"
#include "store/ConversationJson.h"

#include <QPainter>

namespace ChatSamples {

QImage screenshot(const QSize &size, int seed)
{
    QImage image(size, QImage::Format_RGB32);
    const QColor accent = QColor::fromHsv((seed * 47) % 360, 160, 220);
    image.fill(QColor(246, 247, 249));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillRect(QRect(0, 0, size.width(), size.height() / 8), accent.darker(120));
    painter.setPen(QColor(60, 64, 72));
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), qMax(6, size.height() / 24)));
    for (int line = 0; line < 4; ++line)
        painter.drawText(QPoint(size.width() / 20, size.height() / 4 + line * size.height() / 12),
            QStringLiteral("Quarterly figures, line %1").arg(line + 1));
    const int bars = 5;
    const int barWidth = size.width() / (2 * bars + 4);
    for (int bar = 0; bar < bars; ++bar) {
        const int height = size.height() / 3 * (bar + 1 + seed % 3) / (bars + 2);
        painter.fillRect(QRect(size.width() / 2 + bar * barWidth, size.height() * 9 / 10 - height,
                             barWidth * 2 / 3, height),
            accent);
    }
    return image;
}

QList<AIResponse> responses(int count, const QDateTime &last)
{
    QList<AIResponse> answers;
    for (int i = 0; i < count; ++i)
        answers.append(AIResponse {
            QStringLiteral("Answer %1: the chart shows revenue rising each quarter, with the largest step "
                           "between the second and the third. <b>Tags</b> and **markup** stay as written.")
                .arg(i + 1),
            last.addSecs(60 * (i - count + 1)), std::nullopt,
            QStringLiteral("Question %1 about the chart?").arg(i + 1) });
    return answers;
}

QList<Conversation> conversations(int count, const QDateTime &now)
{
    static const QStringList topics { QStringLiteral("What does this error message mean?"),
        QStringLiteral("Summarize this article about renewable energy and its effects on the grid in "
                       "northern Europe over the last ten years"),
        QStringLiteral("Extract the table"), QStringLiteral("Explain this chart"),
        QStringLiteral("Identify this plant") };
    QList<Conversation> list;
    for (int i = 0; i < count; ++i) {
        const QDateTime created = now.addSecs(-qint64(i) * 3 * 3600);
        std::optional<QByteArray> png;
        if (i % 11 == 10)
            png = QByteArray("not an image");
        else if (i % 7 != 6)
            png = ImageData::pngData(screenshot(QSize(240, 150), i));
        QList<SavedMessage> messages;
        const int pairs = 1 + i % 3;
        for (int pair = 0; pair < pairs; ++pair) {
            messages.append(SavedMessage(topics.at(i % topics.size()), true, created));
            messages.append(SavedMessage(QStringLiteral("An answer."), false, created));
        }
        list.append(Conversation(topics.at(i % topics.size()), created, png, messages));
    }
    return list;
}

void storeConversations(const QList<Conversation> &conversations)
{
    UserDefaults::standard().setData(
        QStringLiteral("SavedConversations"), ConversationJson::encode(conversations).value_or(QByteArray()));
}

} // namespace ChatSamples
