// seed-conversations [--user-name <name>]: leaves in the defaults file (under
// $XDG_CONFIG_HOME) what a user who finished onboarding and asked about two
// screenshots would have: "hasCompletedOnboarding" and "showKeyboardShortcuts"
// true, the name if given, and two conversations saved through the store's
// own save, each with its screenshot. The newer one asks about code, the
// older one about a chart.

#include "ai/AIManager.h"
#include "app/AppWiring.h"
#include "onboarding/OnboardingManager.h"
#include "platform/SettingsKeys.h"
#include "platform/UserDefaults.h"
#include "store/ConversationManager.h"
#include "store/CurrentConversation.h"

#include <QGuiApplication>
#include <QPainter>

namespace {

QImage chartPicture()
{
    QImage image(480, 300, QImage::Format_ARGB32);
    image.fill(QColor(245, 247, 250));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 16, QFont::Bold));
    painter.drawText(QRect(20, 12, 440, 30), QStringLiteral("Quarterly revenue"));
    const int heights[] = { 60, 95, 180, 210 };
    for (int quarter = 0; quarter < 4; ++quarter) {
        const QRect bar(50 + quarter * 105, 270 - heights[quarter], 70, heights[quarter]);
        painter.fillRect(bar, QColor(52, 120, 246));
        painter.drawText(
            QRect(bar.left(), 272, bar.width(), 24), Qt::AlignCenter, QStringLiteral("Q%1").arg(quarter + 1));
    }
    return image;
}

QImage codePicture()
{
    QImage image(420, 220, QImage::Format_ARGB32);
    image.fill(QColor(30, 32, 40));
    QPainter painter(&image);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans Mono"), 14));
    painter.setPen(QColor(220, 220, 170));
    painter.drawText(QRect(20, 20, 380, 180), Qt::AlignLeft | Qt::AlignTop,
        QStringLiteral("for i in range(1, 11):\n    if i % 2 == 0:\n        print(i)"));
    return image;
}

void save(const QImage &screenshot, const QList<AIResponse> &responses)
{
    CurrentConversation &current = CurrentConversation::shared();
    current.start(screenshot);
    AIManager::shared().setResponses(responses);
    ConversationManager::shared().saveCurrentConversation();
    current.end();
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    AppWiring::install();

    UserDefaults &defaults = UserDefaults::standard();
    defaults.setBool(SettingsKeys::hasCompletedOnboarding.name, true);
    defaults.setBool(SettingsKeys::showKeyboardShortcuts.name, true);
    const qsizetype nameAt = arguments.indexOf(QStringLiteral("--user-name"));
    if (nameAt > 0 && nameAt + 1 < arguments.size())
        defaults.setString(SettingsKeys::userName.name, arguments[nameAt + 1]);

    const QDateTime now = QDateTime::currentDateTimeUtc();
    save(chartPicture(),
        { AIResponse { QStringLiteral("The chart shows revenue rising in every quarter, from Q1 to Q4."),
              now.addSecs(-120), std::nullopt,
              QStringLiteral(
                  "What does this chart say about revenue across the four quarters of the year?") },
            AIResponse { QStringLiteral("Q3 grew the most: its bar is almost twice as tall as Q2's."),
                now.addSecs(-60), std::nullopt, QStringLiteral("Which quarter grew the most?") } });
    save(codePicture(),
        { AIResponse { QStringLiteral("It prints the even numbers from 2 to 10, one per line."), now,
            std::nullopt, QStringLiteral("What does this code print?") } });
    return ConversationManager::shared().conversations().size() == 2 ? 0 : 1;
}
