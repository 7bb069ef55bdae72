#include "amvalform.h"

#include "appearance.h"
#include "context/captionpanel.h"

#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

TAmvalForm::TAmvalForm(const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(caption);
    setAccessibleName(caption);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Caption_Panel = new TCaptionPanel(this);
    Caption_Panel->setCaption(caption);
    sb_Closed = Caption_Panel->addCloseButton();
    sb_Minimized = Caption_Panel->addMinimiseButton();
    Close_Shape = Caption_Panel->shape(QStringLiteral("Close_Shape"));
    Min_Shape = Caption_Panel->shape(QStringLiteral("Min_Shape"));
    Caption_Panel->dragHandler = DragByCaption;
    layout->addWidget(Caption_Panel);

    ClientPanel = new QWidget(this);
    ClientPanel->setObjectName(QStringLiteral("ClientPanel"));
    m_clientLayout = new QVBoxLayout(ClientPanel);
    m_clientLayout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(ClientPanel, 1);

    connect(sb_Closed, &QToolButton::clicked, this, &QWidget::close);
    connect(sb_Minimized, &QToolButton::clicked, this,
            [this] { m_minimised ? Restore() : Minimise(); });
    connect(Caption_Panel, &TCaptionPanel::doubleClicked, this, [this] {
        if (m_minimised)
            Restore();
    });
}

void TAmvalForm::DockInto(QWidget* parent)
{
    if (m_cover) {
        m_cover->DockInto(parent);
        return;
    }
    if (parent != nullptr && parentWidget() != parent) {
        setParent(parent, windowFlags() & ~Qt::Window);
        QLayout* layout = parent->layout();
        if (layout == nullptr) {
            layout = new QVBoxLayout(parent);
            layout->setContentsMargins(0, 0, 0, 0);
            layout->setSpacing(0);
        }
        layout->addWidget(this);
    }
    // Maximised inside the host means filling the parent page, which its layout does.
    Restore();
    // Docked again: the frame is laid out anew, now when the window stays in view,
    // else when it next comes into view.
    m_framed = isVisible();
    if (m_framed)
        LayoutWindowFrame(isMaximized(), this, Close_Shape, Min_Shape, nullptr, nullptr, sb_Closed,
                          sb_Minimized, nullptr, nullptr);
    show();
}

namespace {
// Closes the window it filters on Escape with no modifier reaching the window itself,
// that is, once no field or grid inside it used the key.
class EscapeCloses : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || watched != parent())
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier)
            return false;
        static_cast<QWidget*>(watched)->close();
        return true;
    }
};
} // namespace

void TAmvalForm::CoverWith(TAmvalForm* window)
{
    QWidget* page = parentWidget();
    if (isWindow() || page == nullptr) {
        window->resize(size());
        window->move(mapToGlobal(QPoint(0, 0)));
        window->show();
        return;
    }
    m_cover = window;
    window->DockInto(page);
    hide();
    window->installEventFilter(new EscapeCloses(window));
    connect(window, &QObject::destroyed, this, [this] {
        show();
        QWidget* inside = focusWidget();
        (inside != nullptr ? inside : this)->setFocus(Qt::OtherFocusReason);
    });
}

// The frame is laid out when the window is first shown, not each time the host's tab
// page brings it back into view.
void TAmvalForm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_framed)
        return;
    m_framed = true;
    LayoutWindowFrame(isMaximized(), this, Close_Shape, Min_Shape, nullptr, nullptr, sb_Closed,
                      sb_Minimized, nullptr, nullptr);
    // A grid the window did not name otherwise is named after the window for assistive
    // tools (a table takes no name from a label).
    for (QTableView* grid : ClientPanel->findChildren<QTableView*>()) {
        if (grid->accessibleName().isEmpty())
            grid->setAccessibleName(accessibleName());
    }
    // Enter presses the button the keyboard stands on, as Space does (outside a dialog
    // a button answers Space alone).
    for (QPushButton* button : ClientPanel->findChildren<QPushButton*>())
        button->setAutoDefault(true);
}

// The host's page grows and shrinks with its window: the outline and the caption
// buttons follow the width.
void TAmvalForm::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeFrame();
}

void TAmvalForm::placeFrame()
{
    const int width = FrameWidth(isMaximized(), this);
    SetRoundWindow(this, width);
    PlaceCaptionButtons(width, Close_Shape, Min_Shape, nullptr, nullptr, sb_Closed, sb_Minimized,
                        nullptr, nullptr);
}

void TAmvalForm::Minimise()
{
    m_minimised = true;
    ClientPanel->hide();
    setMaximumHeight(Caption_Panel->height());
}

void TAmvalForm::Restore()
{
    m_minimised = false;
    setMaximumHeight(QWIDGETSIZE_MAX);
    ClientPanel->show();
}
