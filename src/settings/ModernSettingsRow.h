#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class QLabel;
class QVBoxLayout;

// One row of a settings panel: a title, a subtitle under it when there is
// one, and the row's control at the trailing edge, on a rounded card.
class ModernSettingsRow : public QWidget
{
    Q_OBJECT

public:
    // Takes the control. It is named after the title for assistive technology.
    ModernSettingsRow(const QString &title, const std::optional<QString> &subtitle, QWidget *content,
        QWidget *parent = nullptr);

    QString title() const { return m_title; }
    std::optional<QString> subtitle() const { return m_subtitle; }
    QWidget *content() const { return m_content; }

    // A warning under the subtitle, such as why the control does not show
    // what the user chose; none when empty.
    void setNote(const QString &note);
    QString note() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    std::optional<QString> m_subtitle;
    QWidget *m_content;
    QVBoxLayout *m_texts;
    // Made when there is first a note to show.
    QLabel *m_note = nullptr;
};
