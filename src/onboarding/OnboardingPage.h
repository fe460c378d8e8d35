#pragma once

#include <QPointer>
#include <QWidget>

class IconBadge;
class QVBoxLayout;

// What every onboarding step's page shares: one column of centred content, 40
// pixels in from the sides and 32 from the top and bottom, and the shadow of
// its badge.
class OnboardingPage : public QWidget
{
    Q_OBJECT

public:
    explicit OnboardingPage(QWidget *parent = nullptr);

protected:
    QVBoxLayout *column() const { return m_column; }
    // Adds the badge, centred, and paints its shadow from now on.
    void addBadge(IconBadge *badge);
    void addFixedSpace(int height);

    void paintEvent(QPaintEvent *event) override;

private:
    QVBoxLayout *m_column;
    QPointer<IconBadge> m_badge;
};
