#include "OnboardingPage.h"

#include "onboarding/IconBadge.h"

#include <QPainter>
#include <QVBoxLayout>

OnboardingPage::OnboardingPage(QWidget *parent)
    : QWidget(parent)
    , m_column(new QVBoxLayout(this))
{
    m_column->setContentsMargins(40, 32, 40, 32);
    m_column->setSpacing(0);
}

void OnboardingPage::addBadge(IconBadge *badge)
{
    m_badge = badge;
    m_column->addWidget(badge, 0, Qt::AlignHCenter);
}

void OnboardingPage::addFixedSpace(int height)
{
    m_column->addSpacing(height);
}

void OnboardingPage::paintEvent(QPaintEvent *)
{
    if (!m_badge || !m_badge->isVisible())
        return;
    QPainter painter(this);
    IconBadge::paintShadow(painter, QRectF(m_badge->geometry()));
}
