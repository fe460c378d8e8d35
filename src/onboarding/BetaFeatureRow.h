#pragma once

#include <QWidget>

// One point of the beta notes: an orange information symbol and the text.
class BetaFeatureRow : public QWidget
{
    Q_OBJECT

public:
    explicit BetaFeatureRow(const QString &text, QWidget *parent = nullptr);

    QString text() const { return m_text; }

private:
    QString m_text;
};
