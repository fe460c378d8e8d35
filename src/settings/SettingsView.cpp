#include "SettingsView.h"

#include "settings/AISettingsView.h"
#include "settings/AboutSettingsView.h"
#include "settings/AccountSettingsView.h"
#include "settings/AutomationSettingsView.h"
#include "settings/GeneralSettingsView.h"
#include "settings/ScreenshotSettingsView.h"
#include "settings/SettingsControls.h"
#include "settings/SidebarItem.h"
#include "platform/PendingDefaults.h"
#include "store/SettingsManager.h"
#include "ui/Fonts.h"
#include "ui/Palette.h"
#include "ui/PlainLabel.h"
#include "ui/SymbolImage.h"
#include "ui/VerticalScrollArea.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollArea>
#include <QShortcut>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

QWidget *filled(QWidget *widget, const QColor &colour)
{
    widget->setAutoFillBackground(true);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    return widget;
}

QWidget *line(Qt::Orientation orientation)
{
    auto *line = filled(new QWidget, Palette::separator());
    if (orientation == Qt::Horizontal)
        line->setFixedHeight(1);
    else
        line->setFixedWidth(1);
    return line;
}

// The colour over the window background.
QColor over(const QColor &top, const QColor &bottom)
{
    const qreal alpha = top.alphaF();
    return QColor::fromRgbF(float(top.redF() * alpha + bottom.redF() * (1 - alpha)),
        float(top.greenF() * alpha + bottom.greenF() * (1 - alpha)),
        float(top.blueF() * alpha + bottom.blueF() * (1 - alpha)));
}

// A scroll area that shows its content on whatever is behind it.
QScrollArea *clearScrollArea(QWidget *content)
{
    // The window cannot be made narrower than what the area holds: a
    // switch or button cut off at the right could not be reached.
    auto *area = new VerticalScrollArea;
    // Tab moves between the controls inside; the area itself shows no focus.
    area->setFocusPolicy(Qt::NoFocus);
    area->setFrameShape(QFrame::NoFrame);
    area->viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
    area->setWidget(content);
    return area;
}

} // namespace

SettingsView::SettingsView(QWidget *parent)
    : QWidget(parent)
    , m_settings(new SettingsManager(this))
{
    filled(this, Palette::windowBackground());
    auto *root = new QHBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    root->addWidget(sidebar());
    root->addWidget(line(Qt::Vertical));
    root->addWidget(detailPane(), 1);

    // Escape and Ctrl+W close the window as its title bar's button does, and
    // are the only way to where no window manager draws one.
    for (const QKeySequence &keys : { QKeySequence(Qt::Key_Escape), QKeySequence(Qt::CTRL | Qt::Key_W) }) {
        auto *shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WindowShortcut);
        connect(shortcut, &QShortcut::activated, this, [this] { window()->close(); });
    }

    // Quitting with the window open must not lose what was typed into it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, &SettingsView::saveOnce);
}

SettingsView::~SettingsView()
{
    saveOnce();
}

QWidget *SettingsView::sidebar()
{
    auto *sidebar = filled(new QWidget, Palette::windowBackground());
    sidebar->setFixedWidth(sidebarWidth);
    auto *column = new QVBoxLayout(sidebar);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(20, 20, 20, 0);
    header->addWidget(new SymbolImage(QStringLiteral("viewfinder"), Palette::orange(), 32, 32));
    header->addWidget(new PlainLabel(
        QStringLiteral("Pexilo"), Fonts::system(20, QFont::DemiBold), Palette::primaryLabel()));
    header->addStretch();
    auto *top = new QVBoxLayout;
    top->setContentsMargins(0, 0, 0, 0);
    top->setSpacing(16);
    top->addLayout(header);
    top->addWidget(line(Qt::Horizontal));
    column->addLayout(top);

    auto *items = new QWidget;
    auto *list = new QVBoxLayout(items);
    list->setContentsMargins(12, 8, 12, 8);
    list->setSpacing(4);
    for (const SettingsCategory category : SettingsCategories::allCases()) {
        auto *item = new SidebarItem(
            category, category == m_selectedCategory, [this, category] { selectCategory(category); });
        m_sidebarItems.append(item);
        list->addWidget(item);
    }
    list->addStretch();
    column->addWidget(clearScrollArea(items), 1);
    return sidebar;
}

QWidget *SettingsView::detailPane()
{
    auto *pane = filled(new QWidget,
        over(Palette::withOpacity(Palette::controlBackground(), 0.3), Palette::windowBackground()));
    auto *column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto *header = filled(new QWidget, Palette::windowBackground());
    auto *texts = new QVBoxLayout(header);
    texts->setContentsMargins(32, 24, 32, 24);
    texts->setSpacing(4);
    m_title = new PlainLabel(SettingsCategories::title(m_selectedCategory), Fonts::system(28, QFont::Bold),
        Palette::primaryLabel());
    m_title->setObjectName(QStringLiteral("categoryTitle"));
    m_description = new PlainLabel(
        categoryDescription(m_selectedCategory), Fonts::system(16), Palette::secondaryLabel());
    m_description->setObjectName(QStringLiteral("categoryDescription"));
    texts->addWidget(m_title);
    texts->addWidget(m_description);
    column->addWidget(header);
    column->addWidget(line(Qt::Horizontal));
    column->addWidget(unsavedNotice());

    auto *content = new QWidget;
    auto *stack = new QVBoxLayout(content);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(20);
    m_panelHolder = new QVBoxLayout;
    m_panelHolder->setContentsMargins(32, 24, 32, 0);
    stack->addLayout(m_panelHolder);
    stack->addSpacerItem(new QSpacerItem(0, 32, QSizePolicy::Minimum, QSizePolicy::Expanding));
    m_panel = makePanel(m_selectedCategory);
    m_panelHolder->addWidget(m_panel);
    column->addWidget(clearScrollArea(content), 1);
    return pane;
}

QWidget *SettingsView::unsavedNotice()
{
    // Shown for as long as settings the user changed wait to be stored,
    // whichever window changed them.
    m_unsavedNotice = new PlainLabel(QString::fromUtf8(unsavedNoticeText), Fonts::system(13), Palette::primaryLabel());
    m_unsavedNotice->setObjectName(QStringLiteral("unsavedNotice"));
    m_unsavedNotice->setWordWrap(true);
    m_unsavedNotice->setContentsMargins(32, 10, 32, 10);
    filled(m_unsavedNotice, over(Palette::withOpacity(Palette::orange(), 0.18), Palette::windowBackground()));
    const PendingDefaults &pending = PendingDefaults::standard();
    m_unsavedNotice->setVisible(pending.hasUnsavedValues());
    connect(&pending, &PendingDefaults::hasUnsavedValuesChanged, m_unsavedNotice,
        [notice = m_unsavedNotice, &pending] { notice->setVisible(pending.hasUnsavedValues()); });
    return m_unsavedNotice;
}

void SettingsView::selectCategory(SettingsCategory category)
{
    if (category == m_selectedCategory)
        return;
    m_selectedCategory = category;
    for (SidebarItem *item : std::as_const(m_sidebarItems))
        item->setSelected(item->category() == category);
    m_title->setText(SettingsCategories::title(category));
    m_description->setText(categoryDescription(category));

    // The panel goes at once; it is deleted once no event of it is running.
    // A focus inside it goes to the category's item rather than on to
    // whatever follows the panel.
    SettingsPanel *previous = m_panel;
    if (previous->isAncestorOf(QApplication::focusWidget())) {
        for (SidebarItem *item : std::as_const(m_sidebarItems)) {
            if (item->category() == category)
                item->setFocus(Qt::OtherFocusReason);
        }
    }
    previous->hide();
    m_panelHolder->removeWidget(previous);
    previous->deleteLater();
    m_panel = makePanel(category);
    m_panelHolder->addWidget(m_panel);
    // On screen now, not after the next turn of the event loop.
    m_panel->show();
}

SettingsPanel *SettingsView::makePanel(SettingsCategory category)
{
    switch (category) {
    case SettingsCategory::general:
        return new GeneralSettingsView(*m_settings);
    case SettingsCategory::account:
        return new AccountSettingsView(*m_settings);
    case SettingsCategory::ai:
        return new AISettingsView(*m_settings);
    case SettingsCategory::screenshots:
        return new ScreenshotSettingsView(*m_settings);
    case SettingsCategory::automation:
        return new AutomationSettingsView(*m_settings);
    case SettingsCategory::about:
        return new AboutSettingsView(*m_settings);
    }
    Q_UNREACHABLE();
}

QString SettingsView::categoryDescription(SettingsCategory category)
{
    switch (category) {
    case SettingsCategory::general:
        return QStringLiteral("Basic app settings and preferences");
    case SettingsCategory::account:
        return QStringLiteral("Your name and how Pexilo greets you");
    case SettingsCategory::ai:
        return QStringLiteral("Configure AI models and analysis settings");
    case SettingsCategory::screenshots:
        return QStringLiteral("Screenshot capture and storage options");
    case SettingsCategory::automation:
        return QStringLiteral("Smart automation and workflow features");
    case SettingsCategory::about:
        return QStringLiteral("App information and support");
    }
    Q_UNREACHABLE();
}

void SettingsView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // A window coming back from being minimised is the same visit.
    if (event->spontaneous())
        return;
    m_settings->loadSettings();
    m_saveDue = true;
}

void SettingsView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        saveOnce();
}

void SettingsView::saveOnce()
{
    if (!m_saveDue)
        return;
    m_saveDue = false;
    m_settings->saveSettings();
}
