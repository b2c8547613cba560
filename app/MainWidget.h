#pragma once

#include <QOpenGLWidget>

class KyControlWidget;
class QVariantAnimation;

// The main window: one OpenGL widget that clears to the settings' background colour. It owns the control
// window (a Qt child) and, from start-up on, the orchestrator. Created hidden and fully transparent; the
// start-up show sequence shows it and starts the fade-in.
class MainWidget : public QOpenGLWidget {
    Q_OBJECT

public:
    // Needs the settings store to exist: registers itself as its main window and places the control window
    // at controlPos.
    explicit MainWidget(QWidget* parent = nullptr);
    // Deletes the process-wide orchestrator and withdraws it.
    ~MainWidget() override;

    // The control window; owned by this window.
    KyControlWidget* controlWidget() const { return m_controlWidget; }
    // Releases what lives in the GL context. Called once at shutdown, before the window is deleted.
    void cleanup();

public slots:
    void onUpdateFadeValue(const QVariant& value);
    void onOpeningAnimFinished();
    // Starts the 250 ms fade-in (opacity 0 to 1).
    void beginShow();

protected:
    void initializeGL() override;
    void paintGL() override;
    // Stores the control window's position and this window's geometry in the settings store.
    void closeEvent(QCloseEvent* event) override;

private:
    KyControlWidget* m_controlWidget = nullptr;
    QVariantAnimation* m_fadeAnimation = nullptr;
};
