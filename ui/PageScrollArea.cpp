#include "ui/PageScrollArea.h"

PageScrollArea::PageScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setAttribute(Qt::WA_TranslucentBackground);
    setStyleSheet(QStringLiteral("QScrollArea{background: transparent;}"));
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_TranslucentBackground);
    content->setAttribute(Qt::WA_TranslucentBackground);
    content->setAutoFillBackground(false);
    setWidget(content);
}
