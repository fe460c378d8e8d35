#include "AboutSettingsView.h"

#include "platform/NetworkEndpoints.h"
#include "settings/SettingsControls.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"

#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>

using namespace SettingsControls;

namespace {

// Hands the link to the user's mail client or browser; a link that did not
// form opens nothing.
void open(const QUrl &url)
{
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

} // namespace

AboutSettingsView::AboutSettingsView(SettingsManager &, QWidget *parent)
    : SettingsPanel(parent)
{
    addRow(QStringLiteral("Version"), QStringLiteral("Pexilo for Linux"),
        new PlainLabel(QStringLiteral("1.0.0"), Fonts::system(14), Palette::secondaryLabel()));

    QPushButton *support = smallButton(QStringLiteral("Contact Support"));
    connect(support, &QPushButton::clicked, this, [] { open(NetworkEndpoints::supportMailUrl()); });
    addRow(QStringLiteral("Support"), QStringLiteral("Get help and send feedback"), support);

    QPushButton *privacy = smallButton(QStringLiteral("Privacy Policy"));
    connect(privacy, &QPushButton::clicked, this, [] { open(NetworkEndpoints::privacyPageUrl()); });
    addRow(QStringLiteral("Privacy"), QStringLiteral("Your data and privacy matter"), privacy);
}
