#include "amvalform.h"

#include "context/captionpanel.h"

#include <QLayout>
#include <QToolButton>
#include <QVBoxLayout>

TAmvalForm::TAmvalForm(const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setLayoutDirection(Qt::RightToLeft);
    setWindowTitle(caption);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Caption_Panel = new TCaptionPanel(this);
    Caption_Panel->setCaption(caption);
    sb_Minimized = Caption_Panel->addButton(QStringLiteral("sb_Minimized"), QStringLiteral("—"),
                                            QStringLiteral("كوچك كردن فرم"));
    sb_Closed = Caption_Panel->addButton(QStringLiteral("sb_Closed"), QStringLiteral("✕"),
                                         QStringLiteral("بستن فرم"));
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
    show();
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
