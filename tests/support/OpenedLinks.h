#pragma once

#include <QDesktopServices>
#include <QObject>
#include <QStringList>
#include <QUrl>

// Takes the links that would go to the user's mail client or browser, for as
// long as it lives.
class OpenedLinks : public QObject
{
    Q_OBJECT

public:
    OpenedLinks()
    {
        for (const QString &scheme : schemes)
            QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~OpenedLinks() override
    {
        for (const QString &scheme : schemes)
            QDesktopServices::unsetUrlHandler(scheme);
    }

    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }

private:
    const QStringList schemes { QStringLiteral("mailto"), QStringLiteral("https"), QStringLiteral("http") };
};
