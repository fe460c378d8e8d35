#pragma once

#include <QWidget>

// What an empty transcript shows: a blue disc with sparkles, "Start a
// Conversation" and a line of help, at most 280 wide in the middle.
class EmptyStateView : public QWidget
{
    Q_OBJECT

public:
    explicit EmptyStateView(QWidget *parent = nullptr);
};
