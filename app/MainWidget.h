#pragma once

#include <QString>
#include <QStringList>

#include "app/FramelessGLWidget.h"

class KyControlWidget;
class QVariantAnimation;

// The main window: the character's desktop view, the keyboard actions and the control window (a Qt child). From
// start-up on it also owns the orchestrator. Created hidden and fully transparent; the start-up show sequence
// shows it, loads the scene and starts the fade-in.
class MainWidget : public FramelessGLWidget {
    Q_OBJECT

public:
    // Needs the settings store to exist: registers itself as its main window and places the control window
    // at controlPos.
    explicit MainWidget(QWidget* parent = nullptr);
    // Deletes the process-wide orchestrator and withdraws it.
    ~MainWidget() override;

    KyControlWidget* controlWidget() const { return m_controlWidget; }

    // Chooses the model (stored, first found, or the sample), loads it and up to three accessories.
    void loadScene();

    // Every ".pmx" under `folder` (sub-folders included), in directory order.
    static QStringList findModelFiles(const QString& folder);
    // Fills the settings' model list with the first eight models under the model folder and clears pmxName
    // when it names none of them.
    static void refreshModelList();

public slots:
    void onUpdateFadeValue(const QVariant& value);
    void onOpeningAnimFinished();
    // Starts the 250 ms fade-in (opacity 0 to 1).
    void beginShow();
    void onCamRight();
    void onCamLeft();
    void onCamUp();
    void onCamDown();
    void onCamFront();
    void onCamBack();
    void onDebugDraw();

protected:
    // Stores the control window's position and this window's geometry in the settings store, then ends the
    // application (the event loop returns and the normal shutdown follows).
    void closeEvent(QCloseEvent* event) override;

private:
    template <typename Receiver>
    void addAction(const QKeySequence& keys, Receiver* receiver, void (Receiver::*slot)());

    KyControlWidget* m_controlWidget = nullptr;
    QVariantAnimation* m_fadeAnimation = nullptr;
};

// The resource folder as the renderer knows it (the executable's folder joined with "resource").
QString resourceFolder();
