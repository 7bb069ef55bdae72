#include "captionpanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>
#include <QWindow>

namespace {
// The layout's own margins around the title and the plain buttons.
constexpr int kLeftMargin = 4;
constexpr int kRightMargin = 2;
// A framing shape is this much bigger than its button on every side.
constexpr int kShapeBorder = 1;
constexpr int kButtonSize = 20;
// Room between the title and the shaped buttons beside it.
constexpr int kTitleGap = 6;
} // namespace

TCaptionPanel::TCaptionPanel(QWidget* parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("Caption_Panel"));
    setAutoFillBackground(true);
    setFixedHeight(24);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Highlight));
    pal.setColor(QPalette::WindowText, pal.color(QPalette::HighlightedText));
    setPalette(pal);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(kLeftMargin, 0, kRightMargin, 0);
    layout->setSpacing(2);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("Caption_Label"));
    QFont f = m_title->font();
    f.setBold(true);
    m_title->setFont(f);
    layout->addWidget(m_title, 1);
    m_buttons = new QHBoxLayout;
    m_buttons->setSpacing(2);
    layout->addLayout(m_buttons);
}

void TCaptionPanel::setCaption(const QString& text)
{
    m_title->setText(text);
}

QString TCaptionPanel::caption() const
{
    return m_title->text();
}

QToolButton* TCaptionPanel::makeButton(const QString& objectName, const QString& glyph,
                                       const QString& hint)
{
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setText(glyph);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QToolButton* TCaptionPanel::addButton(const QString& objectName, const QString& glyph,
                                      const QString& hint)
{
    QToolButton* button = makeButton(objectName, glyph, hint);
    button->setFixedSize(kButtonSize, kButtonSize);
    m_buttons->addWidget(button);
    return button;
}

QToolButton* TCaptionPanel::addShapedButton(const QString& shapeName, const QString& objectName,
                                            const QString& glyph, const QString& hint)
{
    auto* frame = new QFrame(this);
    frame->setObjectName(shapeName);
    frame->setFrameStyle(QFrame::Box | QFrame::Plain);
    frame->setLineWidth(1);
    frame->setAutoFillBackground(true);
    const int side = kButtonSize + 2 * kShapeBorder;
    frame->setGeometry(0, (height() - side) / 2, side, side);
    frame->installEventFilter(this);
    m_shapes << frame;

    QToolButton* button = makeButton(objectName, glyph, hint);
    button->setGeometry(frame->x() + kShapeBorder, frame->y() + kShapeBorder, kButtonSize,
                        kButtonSize);
    button->raise();
    keepTitleClear();
    return button;
}

QFrame* TCaptionPanel::shape(const QString& shapeName) const
{
    for (QFrame* frame : m_shapes)
        if (frame->objectName() == shapeName)
            return frame;
    return nullptr;
}

void TCaptionPanel::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    keepTitleClear();
}

bool TCaptionPanel::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        if (m_shapes.contains(qobject_cast<QFrame*>(watched)))
            keepTitleClear();
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, event);
}

// The shaped buttons stand over the layout; widen the layout's margin on the side
// where they stand so that the title is never drawn under them.
void TCaptionPanel::keepTitleClear()
{
    int left = kLeftMargin, right = kRightMargin;
    for (const QFrame* frame : m_shapes) {
        if (frame->isHidden())
            continue;
        if (frame->geometry().center().x() >= width() / 2)
            right = qMax(right, width() - frame->x() + kTitleGap);
        else
            left = qMax(left, frame->geometry().right() + 1 + kTitleGap);
    }
    if (layout() != nullptr)
        layout()->setContentsMargins(left, 0, right, 0);
}

// A top-level frameless window is moved by dragging its caption; a docked one stays put.
// The window system moves it where it can; elsewhere the panel follows the mouse.
void TCaptionPanel::mousePressEvent(QMouseEvent* event)
{
    QWidget* top = parentWidget();
    if (event->button() == Qt::LeftButton && top != nullptr && top->isWindow()) {
        if (dragHandler && dragHandler(top))
            return;
        if (top->windowHandle() != nullptr && top->windowHandle()->startSystemMove())
            return;
        m_dragging = true;
        m_dragOffset = event->globalPosition().toPoint() - top->frameGeometry().topLeft();
    }
    QFrame::mousePressEvent(event);
}

void TCaptionPanel::mouseMoveEvent(QMouseEvent* event)
{
    if (m_dragging && (event->buttons() & Qt::LeftButton))
        parentWidget()->move(event->globalPosition().toPoint() - m_dragOffset);
    else
        m_dragging = false;
    QFrame::mouseMoveEvent(event);
}

void TCaptionPanel::mouseDoubleClickEvent(QMouseEvent* event)
{
    emit doubleClicked();
    QFrame::mouseDoubleClickEvent(event);
}

QToolButton* TCaptionPanel::addCloseButton()
{
    return addShapedButton(QStringLiteral("Close_Shape"), QStringLiteral("sb_Closed"),
                           QStringLiteral("✕"), QStringLiteral("بستن فرم"));
}

QToolButton* TCaptionPanel::addMinimiseButton()
{
    return addShapedButton(QStringLiteral("Min_Shape"), QStringLiteral("sb_Minimized"),
                           QStringLiteral("—"), QStringLiteral("كوچك كردن فرم"));
}
