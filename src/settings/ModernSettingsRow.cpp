#include "ModernSettingsRow.h"

#include "settings/SettingsControls.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

namespace {

constexpr qreal cornerRadius = 10;

} // namespace

ModernSettingsRow::ModernSettingsRow(
    const QString &title, const std::optional<QString> &subtitle, QWidget *content, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_subtitle(subtitle)
    , m_content(content)
{
    setAccessibleName(title);
    content->setAccessibleName(title);

    auto *texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(4);
    texts->addWidget(new PlainLabel(title, Fonts::system(16, QFont::Medium), Palette::primaryLabel()));
    if (subtitle)
        texts->addWidget(new PlainLabel(*subtitle, Fonts::system(14), Palette::secondaryLabel()));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 12, 20, 12);
    row->addLayout(texts);
    row->addStretch();
    row->addWidget(content);
}

void ModernSettingsRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(card, Palette::controlBackground());
}
