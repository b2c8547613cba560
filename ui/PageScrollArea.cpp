#include "ui/PageScrollArea.h"

#include <QPalette>

PageScrollArea::PageScrollArea(QWidget* content, QWidget* parent) : QScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(true);
    setAttribute(Qt::WA_TranslucentBackground);
    // Pages shown after the first one otherwise get the viewport's opaque Base colour behind their groups.
    QPalette clear = palette();
    clear.setColor(QPalette::Base, Qt::transparent);
    clear.setColor(QPalette::Window, Qt::transparent);
    setPalette(clear);
    viewport()->setPalette(clear);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_TranslucentBackground);
    content->setAttribute(Qt::WA_TranslucentBackground);
    setWidget(content);
    // setWidget() turns background filling on, which would clear the host's colour behind the page.
    content->setAutoFillBackground(false);
}
