#pragma once

#include <QScrollArea>

// A borderless, transparent vertical scroll area for a page taller than the control window. The scroll bar
// stays hidden; the wheel scrolls.
class PageScrollArea : public QScrollArea {
    Q_OBJECT

public:
    // Takes ownership of `content`.
    PageScrollArea(QWidget* content, QWidget* parent = nullptr);
};
