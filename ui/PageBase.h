#pragma once

#include <QWidget>

class KyItemGroupWidget;
class QVBoxLayout;

// Base of the settings sub-pages built from groups: a vertical list of groups (margins 0, spacing
// dpiScaled 12) with the free space below them.
class PageBase : public QWidget {
    Q_OBJECT

public:
    explicit PageBase(QWidget* parent = nullptr);

protected:
    // A new, empty group appended to the page.
    KyItemGroupWidget* addGroup();
    // Call after the last group: keeps the groups at the top.
    void finishLayout();

private:
    QVBoxLayout* m_layout = nullptr;
};
