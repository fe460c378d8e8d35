#pragma once

#include <QScrollArea>

// The chat window's scrolling lists (the transcript, the saved
// conversations): frameless, on the panels' material, scrolled only up and
// down.
class ListScrollArea : public QScrollArea
{
    Q_OBJECT

public:
    explicit ListScrollArea(QWidget *parent = nullptr);
};
