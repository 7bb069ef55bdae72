#include "tempgridform.h"

#include "captionpanel.h"

#include <QToolButton>
#include <QVBoxLayout>

TTempGridForm::TTempGridForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TempGridForm"));
    setWindowTitle(QStringLiteral("فرم Grid هاي موقتي"));
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    resize(520, 380);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Caption_Panel = new TCaptionPanel(this);
    Caption_Panel->setCaption(windowTitle());
    sb_Closed = Caption_Panel->addButton(QStringLiteral("sb_Closed"), QStringLiteral("✕"),
                                         QStringLiteral("بستن فرم"));
    connect(sb_Closed, &QToolButton::clicked, this, &QDialog::reject);
    layout->addWidget(Caption_Panel);
    m_clientLayout = new QVBoxLayout;
    m_clientLayout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(m_clientLayout, 1);
}
