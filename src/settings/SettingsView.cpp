#include "SettingsView.h"

#include "ui/Fonts.h"
#include "ui/Palette.h"

#include <QLabel>
#include <QVBoxLayout>

SettingsView::SettingsView(QWidget *parent)
    : QWidget(parent)
{
    auto *title = new QLabel(QStringLiteral("Pexilo Settings"));
    title->setTextFormat(Qt::PlainText);
    title->setFont(Fonts::system(28, QFont::Bold));
    QPalette palette = title->palette();
    palette.setColor(QPalette::WindowText, Palette::primaryLabel());
    title->setPalette(palette);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(title);
    layout->addStretch();
}
