#pragma once

#include <QWidget>

class FluentTitleLabel;
class KyFaceCaptureWidget;
class KyHomeWidget;
class KyMessageWidget;
class KySettingWidget;
class SlidingStackedWidget;

// The control window's page host: the title with its back text above the four top pages (home, capture,
// settings, information). Top pages switch at once with a fade; the title follows the page and its sub-page.
class KyMainWidget : public QWidget {
    Q_OBJECT

public:
    explicit KyMainWidget(QWidget* parent = nullptr);

    // Shows top page `index` (0 to 3) and sets the title and back text from it.
    void setPage(int index);

    FluentTitleLabel* titleLabel() const { return m_title; }
    SlidingStackedWidget* stack() const { return m_stack; }
    KyFaceCaptureWidget* capturePage() const { return m_capture; }
    KySettingWidget* settingPage() const { return m_setting; }
    KyMessageWidget* messagePage() const { return m_message; }

public slots:
    // Back to the current page's menu (the title was clicked, or Backspace).
    void onTitleClicked();
    // A page finished a slide: the title and back text follow its sub-page.
    void onPageChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    FluentTitleLabel* m_title = nullptr;        // child
    SlidingStackedWidget* m_stack = nullptr;    // child
    KyHomeWidget* m_home = nullptr;             // child of the stack
    KyFaceCaptureWidget* m_capture = nullptr;   // child of the stack
    KySettingWidget* m_setting = nullptr;       // child of the stack
    KyMessageWidget* m_message = nullptr;       // child of the stack
};
