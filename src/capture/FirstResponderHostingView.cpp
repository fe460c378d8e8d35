#include "FirstResponderHostingView.h"

FirstResponderHostingView::FirstResponderHostingView(QWidget *rootView, QWidget *parent)
    : QWidget(parent)
    , m_rootView(rootView)
{
    m_rootView->setParent(this);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(m_rootView);
}

void FirstResponderHostingView::resizeEvent(QResizeEvent *)
{
    m_rootView->setGeometry(rect());
}
