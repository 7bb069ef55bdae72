#include "showstateform.h"

#include "captionpanel.h"
#include "focusreturn.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

namespace {
QLabel* MakeIcon(QWidget* parent, const char* name, QStyle::StandardPixmap pixmap)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setPixmap(parent->style()->standardIcon(pixmap).pixmap(32, 32));
    label->setFixedSize(36, 36);
    label->hide();
    return label;
}
} // namespace

TShowStateForm::TShowStateForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("ShowStateForm"));
    ReturnFocusWhenWindowsClose();
    setWindowTitle(QStringLiteral("نمايش وضعيت عمليات"));
    setLayoutDirection(Qt::RightToLeft);
    setModal(false);
    setFixedSize(380, 110);
    setFrameLike();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    Caption_Panel = new TCaptionPanel(this);
    Caption_Panel->setCaption(QStringLiteral("   ") + windowTitle());
    layout->addWidget(Caption_Panel);

    auto* body = new QHBoxLayout;
    body->setContentsMargins(10, 8, 10, 8);
    I_Stop = MakeIcon(this, "I_Stop", QStyle::SP_BrowserStop);
    I_Help = MakeIcon(this, "I_Help", QStyle::SP_MessageBoxQuestion);
    I_Info = MakeIcon(this, "I_Info", QStyle::SP_MessageBoxInformation);
    body->addWidget(I_Stop);
    body->addWidget(I_Help);
    body->addWidget(I_Info);
    plMsg = new QLabel(this);
    plMsg->setObjectName(QStringLiteral("plMsg"));
    plMsg->setWordWrap(true);
    plMsg->setAlignment(Qt::AlignCenter);
    plMsg->setFrameShape(QFrame::StyledPanel);
    body->addWidget(plMsg, 1);
    layout->addLayout(body, 1);
}

void TShowStateForm::setFrameLike()
{
    // A thin dark edge stands in for the missing system frame.
    setStyleSheet(QStringLiteral("TShowStateForm { border: 1px solid palette(shadow); }"));
}

void TShowStateForm::showEvent(QShowEvent* event)
{
    // Centred on the host's main window, or on the screen when there is none.
    QRect area;
    if (QWidget* owner = parentWidget())
        area = owner->window()->frameGeometry();
    else if (const QScreen* screen = QGuiApplication::primaryScreen())
        area = screen->geometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
    QDialog::showEvent(event);
}
