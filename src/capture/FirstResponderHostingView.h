#pragma once

#include <QWidget>

// Hosts one view so that it receives the keyboard: the host accepts focus
// and passes it on to the view, which fills it.
class FirstResponderHostingView : public QWidget
{
    Q_OBJECT

public:
    // Takes ownership of the view.
    explicit FirstResponderHostingView(QWidget *rootView, QWidget *parent = nullptr);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QWidget *m_rootView;
};
