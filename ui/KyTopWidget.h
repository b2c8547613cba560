#pragma once

#include <QWidget>

// Base of the control window's four top pages. The window title is the page's top title; the accessible
// name is the title of the sub-page shown (when subPageShown()).
class KyTopWidget : public QWidget {
    Q_OBJECT

public:
    explicit KyTopWidget(QWidget* parent = nullptr);

    bool subPageShown() const { return m_subPageShown; }
    // Slides back to the page's menu; pages without sub-pages do nothing.
    virtual void back();

protected:
    void setSubPageShown(bool shown) { m_subPageShown = shown; }

private:
    bool m_subPageShown = false;
};
