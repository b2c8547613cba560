#pragma once

#include "ui/KyTopWidget.h"

class FluentLabel;
class QPlainTextEdit;
class SlidingStackedWidget;

// Top page 3, "情報": the version row and the links to the licence text and the debug output. The debug
// view is registered as the application's log sink while it exists.
class KyMessageWidget : public KyTopWidget {
    Q_OBJECT

public:
    enum Page { Menu = 0, Licence, Debug };

    explicit KyMessageWidget(QWidget* parent = nullptr);
    ~KyMessageWidget() override;

    void back() override;

    SlidingStackedWidget* stack() const { return m_stack; }
    FluentLabel* debugRow() const { return m_debugRow; }
    QPlainTextEdit* logView() const { return m_log; }

signals:
    void emitPageChanged();

public slots:
    void onSlideFinished();
    void onCurrentChanged(int index);

private:
    SlidingStackedWidget* m_stack = nullptr;
    FluentLabel* m_version = nullptr;
    FluentLabel* m_licenceRow = nullptr;
    FluentLabel* m_debugRow = nullptr;
    QPlainTextEdit* m_licence = nullptr;
    QPlainTextEdit* m_log = nullptr;
};
