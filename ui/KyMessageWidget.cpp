#include "ui/KyMessageWidget.h"

#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/base/DpiScale.h"
#include "app/base/MessageHandler.h"
#include "ui/FluentLabel.h"
#include "ui/KyItemGroupWidget.h"
#include "ui/SlidingStackedWidget.h"

namespace {

// A long run logs without end; older lines go so the view stays responsive.
constexpr int kMaxLogLines = 10000;

QPlainTextEdit* makeTextView(QWidget* parent) {
    auto* view = new QPlainTextEdit(parent);
    view->setReadOnly(true);
    view->setStyleSheet(QStringLiteral("background-color: transparent ; color: #444444;border: 0px"));
    QFont font(QStringLiteral("BIZ UDゴシック"));
    font.setPointSizeF(7.0);
    view->setFont(font);
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setContextMenuPolicy(Qt::NoContextMenu);
    return view;
}

}  // namespace

KyMessageWidget::KyMessageWidget(QWidget* parent) : KyTopWidget(parent) {
    setWindowTitle(QStringLiteral("情報"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_stack = new SlidingStackedWidget(this);
    m_stack->setOption(SlidingStackedWidget::RightToLeft);

    auto* menu = new QWidget(m_stack);
    menu->setAttribute(Qt::WA_TranslucentBackground);
    auto* menuLayout = new QVBoxLayout(menu);
    menuLayout->setContentsMargins(0, 0, 0, 0);
    menuLayout->setSpacing(dpiScaled(12));
    auto* group = new KyItemGroupWidget(menu);
    m_version = new FluentLabel(QStringLiteral("バージョン"), group);
    m_version->setValueText(QStringLiteral("101"));
    m_version->setPressable(false);
    m_licenceRow = new FluentLabel(QStringLiteral("ライセンス"), group);
    m_licenceRow->setChevron(true);
    m_licenceRow->setLinkIndex(Licence);
    m_debugRow = new FluentLabel(QStringLiteral("デバッグ出力"), group);
    m_debugRow->setChevron(true);
    m_debugRow->setLinkIndex(Debug);
    group->addRow(m_version);
    group->addRow(m_licenceRow);
    group->addRow(m_debugRow);
    menuLayout->addWidget(group);
    menuLayout->addStretch(1);

    m_licence = makeTextView(m_stack);
    QFile licence(QStringLiteral(":/Marionix/resources/LICENCE"));
    if (licence.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_licence->setPlainText(QString::fromUtf8(licence.readAll()));
    }
    m_licence->moveCursor(QTextCursor::Start);
    m_licence->verticalScrollBar()->setValue(0);
    m_log = makeTextView(m_stack);
    m_log->setMaximumBlockCount(kMaxLogLines);

    m_stack->addWidget(menu);
    m_stack->addWidget(m_licence);
    m_stack->addWidget(m_log);
    layout->addWidget(m_stack);
    for (FluentLabel* row : {m_licenceRow, m_debugRow}) {
        connect(row, &FluentLabel::emitPageCall, this, [](QWidget*, SlidingStackedWidget* stack, int index) {
            stack->slideInIdx(index, SlidingStackedWidget::RightToLeft);
        });
    }
    connect(m_stack, &SlidingStackedWidget::animationFinished, this, &KyMessageWidget::onSlideFinished);
    connect(m_stack, &QStackedWidget::currentChanged, this, &KyMessageWidget::onCurrentChanged);
    setLogSink(m_log);
}

KyMessageWidget::~KyMessageWidget() {
    if (logSink() == m_log) setLogSink(nullptr);
}

void KyMessageWidget::back() {
    if (m_stack->targetIndex() == Menu && !m_stack->isAnimating() && m_stack->currentIndex() == Menu) return;
    m_stack->setOption(SlidingStackedWidget::LeftToRight);
    m_stack->setCurrentIndex(Menu);
    m_stack->setOption(SlidingStackedWidget::RightToLeft);
}

void KyMessageWidget::onSlideFinished() {
    setSubPageShown(m_stack->currentIndex() != Menu);
    emit emitPageChanged();
}

void KyMessageWidget::onCurrentChanged(int index) {
    if (index == Debug) {
        setAccessibleName(QStringLiteral("デバッグ出力"));
    } else if (index == Licence) {
        setAccessibleName(QStringLiteral("ライセンス"));
    } else {
        setAccessibleName(QString());
    }
}
