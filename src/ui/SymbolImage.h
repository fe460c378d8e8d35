#pragma once

#include <QColor>
#include <QWidget>

// A symbol drawn in a colour, centred in a fixed square frame.
class SymbolImage : public QWidget
{
    Q_OBJECT

public:
    SymbolImage(
        const QString &name, const QColor &colour, int symbolSize, int frameSide, QWidget *parent = nullptr);

    QString name() const { return m_name; }
    QColor colour() const { return m_colour; }
    void setSymbol(const QString &name, const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_name;
    QColor m_colour;
    int m_symbolSize;
};
