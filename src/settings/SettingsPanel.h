#pragma once

#include <QString>
#include <QWidget>

#include <optional>

class ModernSettingsRow;
class QVBoxLayout;

// What every settings panel is: a column of rows, 20 apart, that edits the
// settings store the window owns. The panels keep no state of their own.
class SettingsPanel : public QWidget
{
    Q_OBJECT

public:
    // The rows, top to bottom.
    QList<ModernSettingsRow *> rows() const;

protected:
    explicit SettingsPanel(QWidget *parent = nullptr);

    ModernSettingsRow *addRow(const QString &title, const std::optional<QString> &subtitle, QWidget *control);

private:
    QVBoxLayout *m_rows;
};
