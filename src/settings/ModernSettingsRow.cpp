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
    , m_texts(new QVBoxLayout)
{
    setAccessibleName(title);
    content->setAccessibleName(title);

    QVBoxLayout *texts = m_texts;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(4);
    texts->addWidget(new PlainLabel(title, Fonts::system(16, QFont::Medium), Palette::primaryLabel()));
    if (subtitle)
        texts->addWidget(new PlainLabel(*subtitle, Fonts::system(14), Palette::secondaryLabel()));

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 12, 20, 12);
    row->addLayout(texts, 1);
    row->addStretch();
    row->addWidget(content);
}

void ModernSettingsRow::setNote(const QString &note)
{
    if (!m_note) {
        if (note.isEmpty())
            return;
        m_note = new PlainLabel(QString(), Fonts::system(13), Palette::red());
        m_note->setObjectName(QStringLiteral("rowNote"));
        m_note->setWordWrap(true);
        m_texts->addWidget(m_note);
    }
    m_note->setText(note);
    m_note->setVisible(!note.isEmpty());
}

QString ModernSettingsRow::note() const
{
    return m_note ? m_note->text() : QString();
}

void ModernSettingsRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath card;
    card.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    painter.fillPath(card, Palette::controlBackground());
}
