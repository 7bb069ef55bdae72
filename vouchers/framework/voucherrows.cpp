#include "assetpicklists.h"
#include "picklist.h"
#include "voucherform.h"

#include "chartofaccounts.h"
#include "commandquery.h"
#include "context/dlgmsg.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "gridexport.h"
#include "messages.h"
#include "persiantext.h"
#include "voucherformshared.h"
#include "voucherstore.h"

#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolTip>

// The row walk and the key rules of the voucher grid: what each key does in a column
// the kind described, how Enter walks a row and posts it, the row checks' refusals,
// the row numbers around inserts and deletes.

namespace {

// The Arabic decimal separator a Persian keyboard types.
constexpr char16_t kPersianDecimal = 0x066B;

// A refused separator is said where the user types, not dropped without a word.
void SayDigitsOnly(const DbGrid& grid)
{
    const QRect cell = grid.visualRect(grid.currentIndex());
    QToolTip::showText(grid.viewport()->mapToGlobal(cell.bottomLeft()),
                       QStringLiteral("در اين ستون فقط رقم پذيرفته مي شود."), grid.viewport());
}

// An amount takes digits, one decimal point (the Persian separator becomes ".") and,
// when it may be below zero, a leading minus; anything else is refused.
QChar AmountKey(const DbGrid& grid, QChar key, bool takesMinus)
{
    if (key == QChar(kPersianDecimal))
        key = QLatin1Char('.');
    if (key.isDigit() || key == QLatin1Char('.') || (takesMinus && key == QLatin1Char('-')) ||
        key == QChar(kBackspace))
        return key;
    SayDigitsOnly(grid);
    return QChar();
}

bool IsEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

void TVoucherForm::wireGrid()
{
    // The grid's rules.
    quAsnad->beforeInsert = [this](DataSet& ds) { qu_BeforeInsert(ds); };
    quAsnad->afterInsert = [this](DataSet&) {
        RefreshFooter();
        showRowPosition();
    };
    quAsnad->beforePost = [this](DataSet& ds) { qu_BeforePost(ds); };
    quAsnad->afterPost = [this](DataSet& ds) { qu_AfterPost(ds); };
    quAsnad->beforeDelete = [this](DataSet& ds) { qu_BeforeDelete(ds); };
    quAsnad->afterDelete = [this](DataSet& ds) { qu_AfterDelete(ds); };
    quAsnad->beforeCancel = [this](DataSet& ds) {
        m_cancellingInsert = ds.state() == DataSet::State::Insert;
    };
    quAsnad->afterCancel = [this](DataSet& ds) { qu_AfterCancel(ds); };
    quAsnad->afterScroll = [this](DataSet& ds) { qu_AfterScroll(ds); };
    DataSet::Watch rowWatch;
    rowWatch.rowChanged = [this](int row) {
        if (m_mode == VoucherFormText::New && !m_headerOn && !OkBitBtn->isEnabled())
            SetButtons();
        // A code taken into the current row (typed and left, pasted, chosen) names
        // itself below the grid at once, not when the row is posted; the changes of
        // one step are named together.
        if (row == quAsnad->currentRow() && !m_footerPending) {
            m_footerPending = true;
            QTimer::singleShot(0, this, [this] {
                m_footerPending = false;
                if (!quAsnad->active() || quAsnad->isEmpty())
                    return;
                try {
                    RefreshFooter();
                } catch (const DatabaseError&) {
                    // The names stay as they were; the next step that reads the
                    // database says what is wrong.
                }
            });
        }
    };
    quAsnad->watch(this, std::move(rowWatch));
    quAsnad->onPostError = [this](DataSet&, const DatabaseError& error) {
        if (error.kind() == DatabaseError::Kind::DuplicateKey &&
            error.object().compare(m_transTable, Qt::CaseInsensitive) == 0) {
            if (m_middleInsert) {
                // The followers were moved down for the row that did not go in.
                RenumberRows(m_transTable, QStringLiteral("DELETE"), m_rowMarker + 1);
                m_middleInsert = false;
            }
            ShowMessageDlg(m_kind.DuplicateAssetText.isEmpty()
                               ? QStringLiteral("كد دارايي تكراري مي باشد.")
                               : m_kind.DuplicateAssetText,
                           QString(), VoucherFormText::Error);
            GoFirstColumn();
            return DataSet::PostErrorAction::Abort;
        }
        return DataSet::PostErrorAction::Fail;
    };
    dbgAsnad->onError = [this](DbGrid&, const QString& message) { reportDatabaseError(message); };
    dbgAsnad->onKeyDown = [this](DbGrid&, QKeyEvent* key) { return gridKeyDown(key); };
    dbgAsnad->onKeyPress = [this](DbGrid& grid, QChar typed) {
        QChar key = NormaliseKey(typed);
        const DataField* field = grid.selectedField();
        const QString name = field ? field->fieldName() : QString();
        const TVoucherColumn* column = ColumnOf(name);
        const QString rule = column ? column->KeyRule : QString();
        // Codes, amounts and form numbers keep the digits 0-9, whatever keyboard
        // layout typed them.
        if (!rule.isEmpty() || name.compare(VoucherColumn::Bargeh, Qt::CaseInsensitive) == 0)
            key = LatinDigit(key);
        if (rule == kAmountRule || rule == kUnsignedAmountRule)
            return AmountKey(grid, key, rule == kAmountRule);
        if (!rule.isEmpty() && !KeyAllowed(rule, key)) {
            if (key == QLatin1Char('.') || key == QChar(kPersianDecimal))
                SayDigitsOnly(grid);
            return QChar();
        }
        return key;
    };
    dbgAsnad->onDblClick = [this](DbGrid& grid) {
        const DataField* field = grid.selectedField();
        const TVoucherColumn* column = field ? ColumnOf(field->fieldName()) : nullptr;
        if (column && column->Pick) {
            if (GridEditable()) {
                try {
                    OpenPick(field->fieldName());
                } catch (const DatabaseError& e) {
                    reportDatabaseError(e);
                }
            }
        } else if (grid.currentIndex().isValid() &&
                   (grid.model()->flags(grid.currentIndex()) & Qt::ItemIsEditable))
            grid.editCurrentCell();
    };
    connect(dbgAsnad->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex& previous) {
                if (previous.isValid() && current.isValid() &&
                    previous.column() != current.column()) {
                    const int column = previous.column();
                    if (column < dbgAsnad->columnCountOfGrid())
                        ColumnLeft(dbgAsnad->columns().at(column).fieldName);
                }
                gridEnter();
            });
}

DataField* TVoucherForm::Field(const QString& name) const
{
    return quAsnad->active() ? quAsnad->findField(name) : nullptr;
}

QString TVoucherForm::FieldText(const QString& name) const
{
    const DataField* field = Field(name);
    return field ? field->asString() : QString();
}

QString TVoucherForm::StoredCode(const QString& field) const
{
    return WidenCode(field, LatinDigits(FieldText(field)), CodeWidth(field));
}

bool TVoucherForm::Inserting() const
{
    return quAsnad->state() == DataSet::State::Insert;
}

void TVoucherForm::GoFirstColumn()
{
    for (int i = 0; i < dbgAsnad->columnCountOfGrid(); ++i) {
        if (dbgAsnad->columns().at(i).visible) {
            dbgAsnad->setSelectedIndex(i);
            break;
        }
    }
    applyColumnEditability();
}

const TVoucherColumn* TVoucherForm::ColumnOf(const QString& field) const
{
    for (const TVoucherColumn& column : m_columns) {
        if (column.Is(field))
            return &column;
    }
    return nullptr;
}

bool TVoucherForm::ColumnEditable(const QString& field) const
{
    const TVoucherColumn* column = ColumnOf(field);
    return column == nullptr || !column->Editable || column->Editable();
}

bool TVoucherForm::EnterOpensPick(const QString& field) const
{
    const TVoucherColumn* column = ColumnOf(field);
    if (column == nullptr || !column->Pick)
        return false;
    if (column->EnterPick == TEnterPick::WhenEmpty)
        return FieldText(field).trimmed().isEmpty();
    return true;
}

int TVoucherForm::OpenPick(const QString& field)
{
    const TVoucherColumn* column = ColumnOf(field);
    return column != nullptr && column->Pick ? column->Pick() : 1;
}

bool TVoucherForm::EndsRow(const QString& field) const
{
    const TVoucherColumn* column = ColumnOf(field);
    if (column != nullptr && column->EndsRow)
        return column->EndsRow();
    for (const TVoucherColumn& c : m_columns) {
        if (c.EndsRow)
            return false;
    }
    // A kind that names no such column finishes its rows in the last visible one.
    for (int i = dbgAsnad->columnCountOfGrid() - 1; i >= 0; --i) {
        const DbGridColumn& shown = dbgAsnad->columns().at(i);
        if (shown.visible)
            return shown.fieldName.compare(field, Qt::CaseInsensitive) == 0;
    }
    return false;
}

int TVoucherForm::ShowRefusal(const TRowRefusal& refusal)
{
    if (!refusal.Message.isEmpty())
        ShowMessageDlg(refusal.Message, QString(), VoucherFormText::Error);
    dbgAsnad->focusField(refusal.Column);
    return refusal.Pick ? refusal.Pick() : 0;
}

QString TVoucherForm::AssetStartDate(const QString& asset) const
{
    DbConnection& connection = *m_lookup->connection();
    return ProceduresOf(connection, QStringLiteral("sp_D_Return_StartDate"))
        .assetStartDate(connection, asset)
        .trimmed();
}

TRowRefusal TVoucherForm::CheckStartOfUse(const QString& asset)
{
    const QString used = AssetStartDate(asset);
    if (!used.isEmpty() && used > VoucherDate())
        return TRowRefusal::Of(
            QStringLiteral("تاريخ تعميرات از تاريخ بهره برداري دارايي كوچكتر است."),
            VoucherColumn::DaraCod);
    return TRowRefusal::Accept();
}

std::function<int()> TVoucherForm::WhileEditable(std::function<int()> pick)
{
    return [this, pick = std::move(pick)] {
        if (!quAsnad->active() || !GridEditable())
            return 2;
        return pick();
    };
}

int TVoucherForm::PickConditionForRow()
{
    const std::optional<TChosenCode> chosen =
        Pick(PickAssetCondition(FieldText(VoucherColumn::VazCod)));
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    quAsnad->fieldByName(VoucherColumn::VazCod)->setValue(chosen->code);
    RefreshFooter();
    return 1;
}

TRowRefusal TVoucherForm::CheckFormNumber(const QString& emptyText)
{
    const QString form = FieldText(VoucherColumn::Bargeh).trimmed();
    if (form.isEmpty())
        return TRowRefusal::Of(emptyText, VoucherColumn::Bargeh);
    const QString other = DGlobal()->FindFormNumber(LookupQuery(), m_kind.Table(), PaddedNumber(),
                                                    form, FieldWidth(VoucherColumn::SanadNoAmval),
                                                    FieldWidth(VoucherColumn::Bargeh));
    if (!other.isEmpty())
        return TRowRefusal::Of(QStringLiteral(" شماره برگه در سند ") + other.trimmed() +
                                   QStringLiteral(" تكرار شده است. "),
                               VoucherColumn::Bargeh);
    return TRowRefusal::Accept();
}

TRowRefusal TVoucherForm::AssetStateRefusal(const QString& asset)
{
    const TAssetRefusal refusal =
        m_dGlobal->AssetRefusal(m_lookup.get(), asset, PaddedNumber(), VoucherDate());
    return TRowRefusal::Of(refusal.Message, refusal.Column);
}

int TVoucherForm::TakePickedAsset(const std::optional<TChosenAsset>& chosen, bool guard)
{
    if (!chosen)
        return 2;
    const QString& code = chosen->code;
    quAsnad->fieldByName(VoucherColumn::DaraCod)->setValue(code);
    AssetPicked(code);
    RefreshFooter();
    if (!guard)
        return 1;
    const TRowRefusal refusal = AssetStateRefusal(code);
    if (!refusal.Refused())
        return 1;
    ShowRefusal(refusal);
    return 2;
}

void TVoucherForm::applyColumnEditability()
{
    for (int i = 0; i < dbgAsnad->columnCountOfGrid(); ++i) {
        DbGridColumn& shown = dbgAsnad->column(i);
        const TVoucherColumn* column = ColumnOf(shown.fieldName);
        shown.readOnly =
            (column != nullptr && column->ReadOnly) || !ColumnEditable(shown.fieldName);
    }
}

void TVoucherForm::gridEnter()
{
    applyColumnEditability();
}

void TVoucherForm::showRowPosition()
{
    const TRowPosition position = TD_Global::RowPosition(quAsnad);
    CurrentRowEdit->setText(position.Current);
    RowCountEdit->setText(position.Count);
}

void TVoucherForm::advanceColumn()
{
    const int current = dbgAsnad->selectedIndex();
    for (int i = current + 1; i < dbgAsnad->columnCountOfGrid(); ++i) {
        if (dbgAsnad->columns().at(i).visible) {
            dbgAsnad->setSelectedIndex(i);
            applyColumnEditability();
            return;
        }
    }
}

void TVoucherForm::goOnFrom(const QString& field)
{
    // A code typed into the row names itself below the grid as the cursor moves on,
    // and before the row it finishes is checked: a refused row shows its names.
    RefreshFooter();
    if (EndsRow(field)) {
        postAndGoOn();
        return;
    }
    const TVoucherColumn* column = ColumnOf(field);
    const QString target =
        column != nullptr && column->EnterTarget ? column->EnterTarget() : QString();
    if (target.isEmpty() || dbgAsnad->columnOf(target) < 0) {
        advanceColumn();
        return;
    }
    dbgAsnad->setSelectedIndex(dbgAsnad->columnOf(target));
    applyColumnEditability();
}

bool TVoucherForm::postAndGoOn()
{
    if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
        return false;
    if (!quAsnad->post())
        return false;
    if (quAsnad->recNo() >= quAsnad->recordCount()) {
        if (GridEditable())
            quAsnad->append();
    } else {
        quAsnad->next();
    }
    GoFirstColumn();
    showRowPosition();
    return true;
}

bool TVoucherForm::gridKeyDown(QKeyEvent* key)
{
    if (!IsEnter(key) && quAsnad->active()) {
        const DataField* field = dbgAsnad->selectedField();
        try {
            return GridKey(field ? field->fieldName() : QString(), key);
        } catch (const DatabaseError& e) {
            reportDatabaseError(e);
            return true;
        }
    }
    if (!IsEnter(key) || key->modifiers() & ~Qt::KeypadModifier)
        return false;
    if (!quAsnad->active())
        return true;
    try {
        dbgAsnad->commitEditor();
        if (quAsnad->isEmpty()) {
            if (GridEditable())
                quAsnad->append();
            GoFirstColumn();
            return true;
        }
        const DataField* field = dbgAsnad->selectedField();
        const QString name = field ? field->fieldName() : QString();
        if (!GridEditable()) {
            // A read-only voucher: Enter only walks.
            if (EndsRow(name)) {
                quAsnad->next();
                GoFirstColumn();
            } else {
                advanceColumn();
            }
            return true;
        }
        if (const TVoucherColumn* column = ColumnOf(name); column && column->EnterCheck) {
            if (const TRowRefusal refusal = column->EnterCheck(); refusal.Refused()) {
                ShowRefusal(refusal);
                return true;
            }
        }
        if (EnterOpensPick(name)) {
            if (OpenPick(name) == 1)
                goOnFrom(name);
            return true;
        }
        goOnFrom(name);
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
    }
    return true;
}

void TVoucherForm::reportDatabaseError(const QString& message)
{
    ShowMessageDlg(message, QString(), VoucherFormText::Error);
}

void TVoucherForm::reportDatabaseError(const DatabaseError& error)
{
    ShowMessageDlg(DatabaseFailureText(error), QString(), VoucherFormText::Error);
}

void TVoucherForm::qu_BeforeInsert(DataSet& ds)
{
    if (!GridEditable())
        DataSet::Abort();
    GoFirstColumn();
    const DataField* raj = ds.findField(VoucherColumn::Raj);
    m_rowMarker = raj && !ds.isEmpty() ? raj->asInteger() : 0;
}

void TVoucherForm::qu_BeforePost(DataSet& ds)
{
    const bool inserting = ds.state() == DataSet::State::Insert;
    ds.fieldByName(VoucherColumn::SanadNoAmval)->setValue(PaddedNumber());
    ds.fieldByName(VoucherColumn::UserName)->setValue(EUserName->text());
    ds.fieldByName(VoucherColumn::SDate)->setValue(VoucherDate());
    // A form number pasted from elsewhere keeps the digits 0-9 too: one form is
    // stored and compared.
    if (DataField* form = ds.findField(VoucherColumn::Bargeh); form && !form->isNull())
        form->setValue(LatinDigits(form->asString()));
    for (;;) {
        NormaliseRow();
        const TRowRefusal refusal = CheckRow();
        if (!refusal.Refused())
            break;
        const int picked = ShowRefusal(refusal);
        if (!refusal.GoesOn || (refusal.Pick && picked != 1))
            DataSet::Abort();
    }
    AfterRowChecks();

    // Row number: at the end the next one; in the middle the row takes the number
    // of the row it went in front of, and the rows from there on move down.
    m_middleInsert = false;
    if (inserting && ds.findField(VoucherColumn::Raj) != nullptr) {
        const bool middle = ds.currentRow() < ds.recordCount() - 1 && m_rowMarker > 0;
        if (middle) {
            RenumberRows(m_transTable, QStringLiteral("INSERT"), m_rowMarker);
            ds.fieldByName(VoucherColumn::Raj)->setValue(m_rowMarker);
            m_middleInsert = true;
        } else {
            ds.fieldByName(VoucherColumn::Raj)->setValue(ds.recordCount());
        }
    }
}

void TVoucherForm::qu_AfterPost(DataSet& ds)
{
    AfterRowPost();
    SetButtons();
    RefreshTotals();
    if (m_middleInsert) {
        m_middleInsert = false;
        ds.requery();
        ds.setCurrentRow(m_rowMarker - 1);
    }
    showRowPosition();
}

void TVoucherForm::qu_BeforeDelete(DataSet& ds)
{
    if (!m_deleteFromMenu)
        DataSet::Abort();
    BeforeRowDelete();
    const DataField* raj = ds.findField(VoucherColumn::Raj);
    m_rowMarker = raj ? raj->asInteger() : 0;
}

void TVoucherForm::qu_AfterDelete(DataSet& ds)
{
    SetButtons();
    RefreshTotals();
    if (!ds.isEmpty() && ds.recordCount() >= m_rowMarker && m_rowMarker > 0) {
        RenumberRows(m_transTable, QStringLiteral("DELETE"), m_rowMarker);
        ds.requery();
        ds.setCurrentRow(m_rowMarker - 1);
    }
    RefreshFooter();
    showRowPosition();
}

void TVoucherForm::qu_AfterCancel(DataSet& ds)
{
    // A new row that was given up leaves the cursor on the last row.
    if (m_cancellingInsert && !ds.isEmpty())
        ds.last();
    m_cancellingInsert = false;
    RefreshFooter();
    showRowPosition();
}

void TVoucherForm::qu_AfterScroll(DataSet&)
{
    AfterScroll();
    RefreshFooter();
    showRowPosition();
    applyColumnEditability();
}

void TVoucherForm::DeleteCurrentRow()
{
    if (!quAsnad->active() || quAsnad->isEmpty() || !GridEditable())
        return;
    if (ShowMessageDlg(QStringLiteral("آيا حذف شود؟"), QString(), QStringLiteral("3QR")) !=
        TDlgMsg::mrYes)
        return;
    dbgAsnad->commitEditor();
    m_deleteFromMenu = true;
    try {
        quAsnad->deleteRow();
    } catch (...) {
        m_deleteFromMenu = false;
        throw;
    }
    m_deleteFromMenu = false;
}
