#include "EmptyStateView.h"

#include "ChatTexts.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/Symbols.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

namespace {

constexpr int widest = 280;
constexpr int discSide = 60;
const QString helpText = QStringLiteral(
    "Ask me anything about the screenshot. I can help explain, analyze, or extract information from it.");

// The disc with its symbol, drawn in the standard gradient of blue.
class SparklesDisc : public QWidget
{
public:
    SparklesDisc() { setFixedSize(discSide, discSide); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Palette::standardGradient(Palette::blue(), QRectF(rect())));
        painter.drawEllipse(QRectF(rect()));
        QRect symbol(0, 0, 24, 24);
        symbol.moveCenter(rect().center());
        Symbols::icon(QStringLiteral("sparkles"), Qt::white, 24).paint(&painter, symbol);
    }
};

} // namespace

EmptyStateView::EmptyStateView(QWidget *parent)
    : QWidget(parent)
{
    // Centred in whatever width the transcript offers.
    auto *centring = new QHBoxLayout(this);
    centring->setContentsMargins(0, 40, 0, 40);
    auto *content = new QWidget;
    content->setMaximumWidth(widest);
    centring->addStretch(1);
    centring->addWidget(content);
    centring->addStretch(1);

    auto *column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(16);
    column->addWidget(new SparklesDisc, 0, Qt::AlignHCenter);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(8);
    auto *title = new PlainLabel(QStringLiteral("Start a Conversation"),
        Fonts::custom(QString::fromLatin1(Fonts::hafferSemiBold), 20), Palette::primaryLabel());
    title->setObjectName(QStringLiteral("title"));
    title->setAlignment(Qt::AlignHCenter);
    texts->addWidget(title);
    // Never more than three lines; where the font that stands in for the
    // custom one is too wide for that, a little smaller, so that the text
    // shows whole (the last line is cut with "…" only below 13 pixels).
    const QFont helpFont = ChatTexts::fontFitting(
        helpText, Fonts::custom(QString::fromLatin1(Fonts::hafferRegular), 15), widest, 3, 13);
    auto *help = new PlainLabel(ChatTexts::clampedLines(helpText, helpFont, widest, 3).join(u'\n'), helpFont,
        Palette::secondaryLabel());
    help->setObjectName(QStringLiteral("help"));
    help->setAlignment(Qt::AlignHCenter);
    texts->addWidget(help);
    column->addLayout(texts);
}
