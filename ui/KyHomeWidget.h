#pragma once

#include "ui/KyTopWidget.h"

class HomeButtonWidget;

// Top page 0: the product name, the three-colour bar and the subtitle, centred. Window title " ".
class KyHomeWidget : public KyTopWidget {
    Q_OBJECT

public:
    explicit KyHomeWidget(QWidget* parent = nullptr);

    HomeButtonWidget* bar() const { return m_bar; }

private:
    HomeButtonWidget* m_bar = nullptr;  // child
};
