#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

// While it lives, takes the links that would go to the user's mail client or
// browser (QDesktopServices::openUrl) and keeps them, in order.
class OpenedLinks : public QObject
{
    Q_OBJECT

public:
    OpenedLinks();
    ~OpenedLinks() override;

    QList<QUrl> urls;

public Q_SLOTS:
    void open(const QUrl &url) { urls.append(url); }

private:
    const QStringList m_schemes { QStringLiteral("mailto"), QStringLiteral("https"), QStringLiteral("http") };
};
