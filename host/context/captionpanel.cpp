#include "captionpanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

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
    layout->setContentsMargins(4, 0, 2, 0);
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

QToolButton* TCaptionPanel::addButton(const QString& objectName, const QString& glyph,
                                      const QString& hint)
{
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setText(glyph);
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(20, 20);
    m_buttons->addWidget(button);
    return button;
}

// A top-level frameless window is moved by dragging its caption; a docked one stays put.
void TCaptionPanel::mousePressEvent(QMouseEvent* event)
{
    QWidget* top = parentWidget();
    if (event->button() == Qt::LeftButton && top != nullptr && top->isWindow()) {
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
