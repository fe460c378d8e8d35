// store-reader: starts the conversation store and a settings store the way a
// new process of the application does (same defaults file, through
// $XDG_CONFIG_HOME), lets their log lines go to standard output, and then
// prints what they hold as one line "STATE <json>":
//   {"conversations":[{"title","createdAtMsecs","screenshotBase64"|null,
//     "messages":[{"content","isUser","timestampMsecs"}]}],
//    "settings":{"<key>":<value>,...}}

#include "store/ConversationManager.h"
#include "store/SettingsManager.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMetaProperty>
#include <QTextStream>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);

    QJsonArray conversations;
    for (const Conversation &conversation : ConversationManager::shared().conversations()) {
        QJsonArray messages;
        for (const SavedMessage &message : conversation.messages())
            messages.append(QJsonObject { { "content", message.content() }, { "isUser", message.isUser() },
                { "timestampMsecs", message.timestamp().toMSecsSinceEpoch() } });
        const auto &png = conversation.screenshotData();
        conversations.append(QJsonObject { { "title", conversation.title() },
            { "createdAtMsecs", conversation.createdAt().toMSecsSinceEpoch() },
            { "screenshotBase64", png ? QJsonValue(QString::fromLatin1(png->toBase64())) : QJsonValue() },
            { "messages", messages } });
    }

    SettingsManager settings;
    QJsonObject settingValues;
    const QMetaObject *meta = settings.metaObject();
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i)
        settingValues.insert(QLatin1String(meta->property(i).name()),
            QJsonValue::fromVariant(meta->property(i).read(&settings)));

    QTextStream(stdout) << "STATE "
                        << QJsonDocument(QJsonObject { { "conversations", conversations },
                                             { "settings", settingValues } })
                               .toJson(QJsonDocument::Compact)
                        << '\n';
    return 0;
}
