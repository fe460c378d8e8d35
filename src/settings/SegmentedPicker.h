#pragma once

#include <QStringList>
#include <QWidget>

// A row of adjoining segments, one per option, of which one shows as chosen.
// A click on a segment, or Left and Right while it has the keyboard focus,
// chooses another option and announces it; setting the current option from
// outside announces nothing. A current text that is not among the options
// leaves every segment unchosen.
class SegmentedPicker : public QWidget
{
    Q_OBJECT

public:
    explicit SegmentedPicker(const QStringList &options, QWidget *parent = nullptr);

    QStringList options() const { return m_options; }
    QString currentText() const { return m_current; }
    void setCurrentText(const QString &text);

    // The area of each segment, left to right.
    QRect segmentRect(int index) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user chose the option.
    void activated(const QString &option);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void choose(int index);

    QStringList m_options;
    QString m_current;
};
