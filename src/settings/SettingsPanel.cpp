#include "SettingsPanel.h"

#include "settings/ModernSettingsRow.h"

#include <QVBoxLayout>

SettingsPanel::SettingsPanel(QWidget *parent)
    : QWidget(parent)
{
    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    m_rows = new QVBoxLayout;
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(20);
    column->addLayout(m_rows);
    column->addStretch();
}

QList<ModernSettingsRow *> SettingsPanel::rows() const
{
    QList<ModernSettingsRow *> rows;
    for (int index = 0; index < m_rows->count(); ++index) {
        if (auto *row = qobject_cast<ModernSettingsRow *>(m_rows->itemAt(index)->widget()))
            rows.append(row);
    }
    return rows;
}

ModernSettingsRow *SettingsPanel::addRow(
    const QString &title, const std::optional<QString> &subtitle, QWidget *control)
{
    auto *row = new ModernSettingsRow(title, subtitle, control);
    m_rows->addWidget(row);
    return row;
}
