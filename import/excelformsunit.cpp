#include "excelformsunit.h"

#include "appearance.h"
#include "context/captionpanel.h"
#include "databaseerror.h"
#include "excelimporttexts.h"
#include "messages.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace ExcelImportText;

TFrm_Excel_Forms::TFrm_Excel_Forms(DbConnection* db,
                                   const QList<ExcelImportStore::FormSlot>& formSlots,
                                   QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_db(db), m_slots(formSlots)
{
    setObjectName(QStringLiteral("Frm_Excel_Forms"));
    resize(440, 380);
    const CaptionedDialog frame = FrameCaptionedDialog(this, kFormsCaption, QMargins(6, 6, 6, 6));
    Caption_Panel = frame.panel;
    sb_Closed = frame.close;
    Close_Shape = frame.closeShape;
    QWidget* client = frame.client;
    QVBoxLayout* clientLayout = frame.clientLayout;

    clientLayout->addWidget(new QLabel(kFormsCaption, client));
    dbgForms = new QTableWidget(0, 2, client);
    dbgForms->setObjectName(QStringLiteral("dbgForms"));
    dbgForms->setAccessibleName(kFormsCaption);
    dbgForms->setHorizontalHeaderLabels({QString(), kFormNameTitle});
    dbgForms->setEditTriggers(QAbstractItemView::NoEditTriggers);
    dbgForms->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgForms->setSelectionMode(QAbstractItemView::SingleSelection);
    dbgForms->horizontalHeader()->setStretchLastSection(true);
    dbgForms->setColumnWidth(0, 24);
    dbgForms->verticalHeader()->hide();
    clientLayout->addWidget(dbgForms, 1);
    auto* hint = new QLabel(kFormsHint, client);
    hint->setWordWrap(true);
    clientLayout->addWidget(hint);

    auto* nameRow = new QHBoxLayout;
    auto* nameLabel = new QLabel(kFormNameLabel, client);
    edtFormName = new QLineEdit(client);
    edtFormName->setObjectName(QStringLiteral("edtFormName"));
    nameLabel->setBuddy(edtFormName);
    nameRow->addWidget(nameLabel);
    nameRow->addWidget(edtFormName, 1);
    clientLayout->addLayout(nameRow);

    auto* buttons = new QHBoxLayout;
    btnSave = new QPushButton(kSaveForm, client);
    btnSave->setObjectName(QStringLiteral("btnSave"));
    btnOk = new QPushButton(kOk, client);
    btnOk->setObjectName(QStringLiteral("btnOk"));
    btnCancel = new QPushButton(kCancel, client);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    // Enter in the name box saves; no button takes it as the default one besides.
    for (QPushButton* b : {btnSave, btnOk, btnCancel})
        b->setAutoDefault(false);
    buttons->addWidget(btnSave);
    buttons->addStretch(1);
    buttons->addWidget(btnOk);
    buttons->addWidget(btnCancel);
    clientLayout->addLayout(buttons);

    connect(btnSave, &QPushButton::clicked, this, &TFrm_Excel_Forms::btnSaveClick);
    connect(edtFormName, &QLineEdit::returnPressed, this, &TFrm_Excel_Forms::btnSaveClick);
    connect(btnOk, &QPushButton::clicked, this, &TFrm_Excel_Forms::btnOkClick);
    connect(btnCancel, &QPushButton::clicked, this, &TFrm_Excel_Forms::reject);
    connect(dbgForms, &QTableWidget::cellDoubleClicked, this,
            [this](int row, int) { makeDefault(row); });
    refresh(0);
}

void TFrm_Excel_Forms::showEvent(QShowEvent* event)
{
    // The rounded outline reaches down only as far as the window is wide, its lower
    // corners rounded over their last 20 pixels: the window is as large as its rows ask
    // in the font it is shown with, and wider than tall by those corners, so that its
    // buttons are never cut off.
    QSize fit = size().expandedTo(minimumSizeHint());
    fit.setWidth(std::max(fit.width(), fit.height() + 20));
    resize(fit);
    QDialog::showEvent(event);
    LayoutWindowFrame(false, this, Close_Shape, nullptr, nullptr, nullptr, sb_Closed, nullptr,
                      nullptr, nullptr);
    if (QWidget* owner = parentWidget())
        move(owner->window()->geometry().center() - rect().center());
    edtFormName->setFocus(Qt::OtherFocusReason);
}

void TFrm_Excel_Forms::refresh(int select)
{
    QList<ExcelImportStore::SavedForm> forms;
    try {
        forms = ExcelImportStore::Forms(*m_db);
    } catch (const DatabaseError&) {
    }
    dbgForms->setRowCount(int(forms.size()));
    for (int r = 0; r < forms.size(); ++r) {
        auto* mark = new QTableWidgetItem(forms[r].isDefault ? kDefaultTick : QString());
        mark->setTextAlignment(Qt::AlignCenter);
        mark->setData(Qt::UserRole, forms[r].number);
        dbgForms->setItem(r, 0, mark);
        dbgForms->setItem(r, 1, new QTableWidgetItem(forms[r].name));
        if (forms[r].number == select)
            dbgForms->selectRow(r);
    }
}

int TFrm_Excel_Forms::selectedForm() const
{
    const QList<QTableWidgetItem*> items = dbgForms->selectedItems();
    if (items.isEmpty())
        return 0;
    QTableWidgetItem* mark = dbgForms->item(items.first()->row(), 0);
    return mark != nullptr ? mark->data(Qt::UserRole).toInt() : 0;
}

void TFrm_Excel_Forms::btnSaveClick()
{
    const QString name = edtFormName->text().trimmed();
    if (name.isEmpty()) {
        ShowMessageDlg(kFormNameMissing, QString(), QStringLiteral("1ER"));
        edtFormName->setFocus(Qt::OtherFocusReason);
        return;
    }
    try {
        if (ExcelImportStore::FindForm(*m_db, name) != 0 &&
            ShowMessageDlg(kFormExists, QString(), QStringLiteral("3WR")) != 6)
            return;
        const int number = ExcelImportStore::SaveForm(*m_db, name, m_slots);
        refresh(number);
    } catch (const DatabaseError&) {
        ShowMessageDlg(kFormSaveFailed, QString(), QStringLiteral("1ER"));
    }
}

void TFrm_Excel_Forms::makeDefault(int row)
{
    QTableWidgetItem* mark = dbgForms->item(row, 0);
    if (mark == nullptr)
        return;
    const int number = mark->data(Qt::UserRole).toInt();
    try {
        ExcelImportStore::SetDefaultForm(*m_db, number);
    } catch (const DatabaseError&) {
        ShowMessageDlg(kFormSaveFailed, QString(), QStringLiteral("1ER"));
    }
    refresh(number);
}

void TFrm_Excel_Forms::btnOkClick()
{
    const int number = selectedForm();
    if (number == 0) {
        ShowMessageDlg(kNoFormChosen, QString(), QStringLiteral("1ER"));
        return;
    }
    m_chosen = number;
    done(1);
}

void TFrm_Excel_Forms::reject()
{
    done(2);
}
