#pragma once

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <ostream>

#include "app/base/KySettings.h"

class QAbstractAnimation;
class QObject;
class QWidget;

namespace mnx::test {

// Gives each test a fresh process-wide settings store (file in a temporary folder, resourceDir there too) and
// the application's font, palette and style sheet, so widgets look and measure as in the app.
class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    KySettings& settings() { return *m_settings; }
    QString resourceDir() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<KySettings> m_settings;
};

// Lets queued events and posted state-machine transitions run (no waiting on time).
void processEvents();


// Drives a running animation to `ms` and keeps it from advancing by the clock.
void setAnimationTime(QAbstractAnimation* animation, int ms);

// Runs every animation running under `root` to its end at once, as the clock would.
void finishAnimations(QObject* root);

}  // namespace mnx::test

// Readable QStrings in gtest failure messages.
inline void PrintTo(const QString& text, std::ostream* os) { *os << '"' << text.toStdString() << '"'; }
