#pragma once

#include <QList>
#include <QWidget>

class FluentIconButton;

// The control window's side bar: home, capture, settings and information buttons from the top and the
// power button at the bottom. Exactly one of the first four is selected.
class KySideBarWidget : public QWidget {
    Q_OBJECT

public:
    explicit KySideBarWidget(QWidget* parent = nullptr);

    // Buttons 0 to 3 are the page buttons, 4 the power button.
    FluentIconButton* button(int index) const { return m_buttons.value(index); }
    int selectedIndex() const { return m_selectedIndex; }

signals:
    // 0 to 3: the page of the pressed button; -1: the power button was clicked.
    void sysButtonClicked(int index);

public slots:
    void onSysButtonClicked();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<FluentIconButton*> m_buttons;  // children
    FluentIconButton* m_selected = nullptr;
    int m_selectedIndex = 0;
};
