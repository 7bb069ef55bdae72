#include "amvalgardaniunit.h"

#include "voucherstore.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "context/dlgmsg.h"
#include "context/tempgridform.h"
#include "countreconcileunit.h"
#include "countrowchecks.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "excelimportunit.h"
#include "globalunit.h"
#include "headeredit.h"
#include "hostcontext.h"
#include "messages.h"
#include "persiantext.h"
#include "picklist.h"
#include "sqlquote.h"
#include "voucherstore.h"

#include <QAction>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>

namespace {

const QString kTable = QStringLiteral("D_Gardani");
const QString kDaraCod = VoucherColumn::DaraCod;
const QString kDaraNam = QStringLiteral("DaraNam");
const QString kMakanCod = QStringLiteral("MakanCod");
const QString kPersonelCod = QStringLiteral("PersonelCod");
const QString kError = QStringLiteral("1ER");
const QString kSaveFailure =
    QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");
// In a user's settings text (UserSdc.Dara): he marks a spreadsheet's columns and keeps
// forms in the count's import.
const QString kMarkRight = QStringLiteral("D_A_AMVALGARDANI");

bool IsEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

} // namespace

const QString TAmvalGardaniForm::Caption = QStringLiteral("اموال گرداني");

TVoucherKind TAmvalGardaniForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::Gardani);
    kind.InstantVoucher = false;
    kind.RecognisesOtherPeriod = false;
    kind.BoundByBooks = false;
    kind.LayoutKey = GridLayoutKeys::AMVALGARDANI;
    kind.DataSetName = QStringLiteral("quGardani");
    kind.PrintTitle = QStringLiteral("سند اموال گرداني شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_GARDANI");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [اموال گرداني]");
    kind.BadNumberText = QStringLiteral(" شماره بدرستي وارد نشده است ");
    kind.NoEditSuffix = QStringLiteral("(مجاز به ويرايش نمي باشيد)");
    kind.DuplicateAssetText = QStringLiteral("كد دارايي تكراري مي باشد.");
    return kind;
}

TAmvalGardaniForm::TAmvalGardaniForm(QWidget* parent) : TVoucherForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("AmvalGardaniForm"));
    // Location and person go below the number and the date: typed once for the count.
    auto* header = findChild<QFrame*>(QStringLiteral("HeaderPanel"));
    auto* layout = static_cast<QGridLayout*>(header->layout());
    MakanCod = MakeHeaderEdit(header, kMakanCod, 60, false);
    MakanNam = MakeHeaderEdit(header, QStringLiteral("MakanNam"), 220, true);
    PersonelCod = MakeHeaderEdit(header, kPersonelCod, 60, false);
    PersonelNam = MakeHeaderEdit(header, QStringLiteral("PersonelNam"), 220, true);
    const int row = layout->rowCount();
    int c = 0;
    layout->addWidget(new QLabel(QStringLiteral("مکان استقرار:"), header), row, c++);
    layout->addWidget(MakanCod, row, c++);
    layout->addWidget(MakanNam, row, c++, 1, 2);
    c += 1;
    layout->addWidget(new QLabel(QStringLiteral("تحويل گيرنده:"), header), row, c++);
    layout->addWidget(PersonelCod, row, c++);
    layout->addWidget(PersonelNam, row, c++, 1, 2);
    for (QLineEdit* edit : {MakanCod, PersonelCod}) {
        edit->setLayoutDirection(Qt::LeftToRight);
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->installEventFilter(this);
    }

    miExcel = new QAction(QStringLiteral("دريافت اطلاعات از فايل Excel"), this);
    miExcel->setObjectName(QStringLiteral("miExcel"));
    PopupMenu->addAction(miExcel);
    connect(miExcel, &QAction::triggered, this, [this] { ImportFromExcel(); });

    // On the menu, and on its key wherever the focus is in the window.
    miReconcile = new QAction(QStringLiteral("مغايرت شمارش با دفتر دارايي\tCtrl+R"), this);
    miReconcile->setObjectName(QStringLiteral("miReconcile"));
    PopupMenu->addAction(miReconcile);
    connect(miReconcile, &QAction::triggered, this, [this] { OpenReconciliation(); });
    auto* reconcile = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    reconcile->setContext(Qt::WidgetWithChildrenShortcut);
    connect(reconcile, &QShortcut::activated, this, [this] { OpenReconciliation(); });
}

QList<TVoucherColumn> TAmvalGardaniForm::Columns()
{
    // Enter in either column posts the row and opens the next one on its code.
    return {TVoucherColumn(kDaraCod, QStringLiteral("دارايي"), 80)
                .Rule(DGlobal()->TYPEDARACOD)
                .Picks(WhileEditable([this] { return pickAsset(); }), TEnterPick::WhenEmpty)
                .Ends(),
            TVoucherColumn(kDaraNam, QStringLiteral("شرح"), 505).Fixed().Ends()};
}

void TAmvalGardaniForm::ClearFooter()
{
    MakanCod->clear();
    MakanNam->clear();
    PersonelCod->clear();
    PersonelNam->clear();
}

void TAmvalGardaniForm::ConfigureFields()
{
    if (DataField* name = Field(kDaraNam))
        name->setReadOnly(true);
}

void TAmvalGardaniForm::CreateExtraTables()
{
    // The count's working copy is the window's own: the stored columns as wide as
    // the count table's, and the asset's name beside them.
    const Dialect& dialect = MyDatabase->Connection->dialect();
    auto width = [&](const QString& column) {
        const int w = dialect.columnWidth(kTable, column);
        return QString::number(w > 0 ? w : 50);
    };
    MyDatabase->Connection->execute(
        dialect.createTempTable(TransTableName()) + QStringLiteral(" (SanadNoAmval Varchar(") +
        width(QStringLiteral("SanadNoAmval")) + QStringLiteral("), User_Name Varchar(") +
        width(QStringLiteral("User_Name")) + QStringLiteral("), SDate Varchar(") +
        width(QStringLiteral("SDate")) + QStringLiteral("), DaraCod Varchar(") + width(kDaraCod) +
        QStringLiteral("), MakanCod Varchar(") + width(kMakanCod) +
        QStringLiteral("), PersonelCod Varchar(") + width(kPersonelCod) +
        QStringLiteral("), DaraNam Varchar(60))"));
}

QString TAmvalGardaniForm::GridOrder() const
{
    return MyDatabase->Connection->dialect().rowAddressColumn();
}

QString TAmvalGardaniForm::storedHeader(const QLineEdit* edit, const QString& column) const
{
    const QString code = LatinDigits(edit->text().trimmed());
    return code.isEmpty() ? QString() : PadLeft(code, FieldWidth(column));
}

QString TAmvalGardaniForm::locationName(const QString& code) const
{
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral("Select MakanNam From D_Makan Where trim(MakanCod) = ?"),
        {LatinDigits(code.trimmed())});
    return q.next() ? q.value(0).toString().trimmed() : QString();
}

QString TAmvalGardaniForm::personName(const QString& code) const
{
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral("Select \"Name\" || ' ' || Family From Person Where trim(Code) = ?"),
        {LatinDigits(code.trimmed())});
    return q.next() ? q.value(0).toString().trimmed() : QString();
}

void TAmvalGardaniForm::AfterLoad()
{
    if (quAsnad->isEmpty()) {
        ClearFooter();
        return;
    }
    // The header takes the location and the person of the first row.
    MakanCod->setText(quAsnad->fieldByName(kMakanCod)->asString().trimmed());
    PersonelCod->setText(quAsnad->fieldByName(kPersonelCod)->asString().trimmed());
    MakanNam->setText(locationName(MakanCod->text()));
    PersonelNam->setText(personName(PersonelCod->text()));
}

void TAmvalGardaniForm::AfterDateCommit()
{
    // The location and the person are asked for before the first row.
    if (MakanNam->text().isEmpty())
        MakanCod->setFocus();
    else if (PersonelNam->text().isEmpty())
        PersonelCod->setFocus();
}

QString TAmvalGardaniForm::CaptionOf(const QString& shared) const
{
    Q_UNUSED(shared);
    if (!quAsnad->active() || quAsnad->isEmpty())
        return Caption;
    QString text = QStringLiteral("ويراش سند اموال گرداني ") + SanadID->text().trimmed();
    if (!Rights().contains(QLatin1Char('E')))
        text += Kind().NoEditSuffix;
    else if (VoucherDate() < CompanyStartDate())
        text +=
            QStringLiteral("(تاريخ از تاريخ شروع دوره مالي كوچكتر است. امكان ويرايش وجود ندارد)");
    return text;
}

bool TAmvalGardaniForm::headerCodeDone(QLineEdit* edit)
{
    const bool place = edit == MakanCod;
    QLineEdit* nameBox = place ? MakanNam : PersonelNam;
    edit->setText(LatinDigits(edit->text().trimmed()));
    const QString code = edit->text();
    const QString name = code.isEmpty() ? QString() : place ? locationName(code) : personName(code);
    if (!name.isEmpty()) {
        nameBox->setText(name);
        return true;
    }
    const QString column = place ? kMakanCod : kPersonelCod;
    const std::optional<TChosenCode> chosen =
        Pick(place ? PickLocation(storedHeader(edit, column))
                   : PickRecipient(Connection(), *DGlobal(), storedHeader(edit, column)));
    if (!chosen) {
        nameBox->clear();
        edit->setFocus();
        return false;
    }
    edit->setText(chosen->code.trimmed());
    nameBox->setText(chosen->name.trimmed());
    return true;
}

bool TAmvalGardaniForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != MakanCod && watched != PersonelCod)
        return TVoucherForm::eventFilter(watched, event);
    auto* edit = static_cast<QLineEdit*>(watched);
    try {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                // Another voucher only while the header is open, as from the number.
                if (SanadID->isEnabled())
                    LoadVoucher(key->key() == Qt::Key_Up ? 1 : -1);
                return true;
            }
            if (IsEnter(key)) {
                if (!headerCodeDone(edit))
                    return true;
                if (edit == MakanCod) {
                    PersonelCod->setFocus();
                } else if (GridPanel->isEnabled()) {
                    dbgAsnad->setFocus();
                    GoFirstColumn();
                } else {
                    mDay->setFocus();
                }
                return true;
            }
            // Codes keep the digits 0-9 whatever keyboard typed them.
            const QString text = key->text();
            if (text.size() == 1 && LatinDigit(text.at(0)) != text.at(0)) {
                edit->insert(QString(LatinDigit(text.at(0))));
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && isVisible() && edit->isEnabled()) {
            // Leaving a code that names nothing opens its list.
            const bool named = !(edit == MakanCod ? MakanNam : PersonelNam)->text().isEmpty();
            const bool known =
                !edit->text().trimmed().isEmpty() &&
                !(edit == MakanCod ? locationName(edit->text()) : personName(edit->text()))
                     .isEmpty();
            if (!edit->text().trimmed().isEmpty() && !(named && known))
                headerCodeDone(edit);
        }
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return true;
    }
    return TVoucherForm::eventFilter(watched, event);
}

int TAmvalGardaniForm::pickAsset()
{
    PickList<TChosenAsset> assets = PickAsset(*DGlobal(), FieldText(kDaraCod));
    assets.shown.caption = QStringLiteral("  اموال گرداني ");
    const std::optional<TChosenAsset> chosen = Pick(assets);
    dbgAsnad->setFocus();
    const int taken = TakePickedAsset(chosen, false);
    if (DataField* name = Field(kDaraNam); name != nullptr && chosen)
        name->setValue(chosen->name);
    return taken;
}

void TAmvalGardaniForm::NormaliseRow()
{
    DataField* code = Field(kDaraCod);
    const QString typed = LatinDigits(code->asString().trimmed());
    if (!typed.isEmpty())
        code->setValue(PadLeft(typed, FieldWidth(kDaraCod)));
    quAsnad->fieldByName(kMakanCod)->setValue(storedHeader(MakanCod, kMakanCod));
    quAsnad->fieldByName(kPersonelCod)->setValue(storedHeader(PersonelCod, kPersonelCod));
    QString name;
    if (!typed.isEmpty()) {
        QSqlQuery q = MyDatabase->Connection->select(
            QStringLiteral("Select DaraNam From D_Amval Where trim(DaraCod) = ?"), {typed});
        if (q.next())
            name = q.value(0).toString();
    }
    quAsnad->fieldByName(kDaraNam)->setValue(name);
}

TRowRefusal TAmvalGardaniForm::CheckRow()
{
    // The count's checks, as a sheet's rows pass them: against the other rows of the
    // working copy for an asset typed twice.
    const int self = quAsnad->currentRow();
    const int field = quAsnad->fieldByName(kDaraCod)->index();
    QStringList others;
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        if (row != self)
            others << quAsnad->value(row, field).toString();
    }
    const CountRowChecks::Verdict verdict =
        CountRowChecks::Check(*MyDatabase->Connection, {FieldText(kDaraCod)}, others).value(0);
    const QString text = CountRowChecks::Text(verdict);
    switch (verdict.refusal) {
    case CountRowChecks::Refusal::None:
        return TRowRefusal::Accept();
    case CountRowChecks::Refusal::NoAsset:
    case CountRowChecks::Refusal::Counted:
        return TRowRefusal::Of(text, kDaraCod, [this] { return pickAsset(); }).ThenGoesOn();
    case CountRowChecks::Refusal::Empty:
    case CountRowChecks::Refusal::Twice:
        break;
    }
    return TRowRefusal::Of(text, kDaraCod);
}

QList<int> TAmvalGardaniForm::rowsOf(const QString& asset) const
{
    QList<int> rows;
    if (!quAsnad->active())
        return rows;
    const int field = quAsnad->fieldByName(kDaraCod)->index();
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        if (quAsnad->value(row, field).toString().trimmed() == asset.trimmed())
            rows << row;
    }
    return rows;
}

QString TAmvalGardaniForm::saveRefusal(const VoucherWriteAnswer& answer, int* firstRow) const
{
    // Each asset at fault on the rows that hold it: an asset counted twice on the rows
    // after its first one.
    QMap<int, QString> faults;
    for (const auto& [counted, countedIn] : answer.counted) {
        if (counted.trimmed().isEmpty())
            continue;
        QList<int> rows = rowsOf(counted);
        if (countedIn.isEmpty() && !rows.isEmpty())
            rows.removeFirst();
        const CountRowChecks::Verdict verdict{
            countedIn.isEmpty() ? CountRowChecks::Refusal::Twice : CountRowChecks::Refusal::Counted,
            countedIn};
        for (int row : std::as_const(rows))
            faults.insert(row, CountRowChecks::Text(verdict));
    }
    if (faults.isEmpty())
        return kSaveFailure;
    *firstRow = faults.firstKey();
    if (faults.size() == 1)
        return faults.first();
    // More than one: every row named, with its code, one a line.
    const int field = quAsnad->fieldByName(kDaraCod)->index();
    QStringList lines;
    for (auto it = faults.cbegin(); it != faults.cend(); ++it)
        lines << QStringLiteral("رديف ") + QString::number(it.key() + 1) +
                     QStringLiteral(" - كد ") +
                     quAsnad->value(it.key(), field).toString().trimmed() + QStringLiteral(" : ") +
                     it.value();
    return lines.join(QLatin1Char('\n'));
}

void TAmvalGardaniForm::OkBitBtnClick()
{
    if (!OkBitBtn->isEnabled())
        return;
    dbgAsnad->commitEditor();
    // A row still being typed is posted or cancelled by the user first; an empty new
    // row left by the last Enter goes.
    if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
        quAsnad->cancel();
    if (quAsnad->state() != DataSet::State::Browse || quAsnad->isEmpty() ||
        SanadID->text().trimmed().isEmpty())
        return;
    try {
        for (QLineEdit* edit : {MakanCod, PersonelCod}) {
            if (!headerCodeDone(edit))
                return;
        }
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }

    const bool isNew = Mode() != QLatin1String("EDIT");
    const QString number = PaddedNumber();
    DbConnection* connection = MyDatabase->Connection;
    QString refusal;
    QString stored;
    int refusedRow = -1;
    try {
        Transaction transaction(*connection);
        // The header's values on every row: a location or person changed after the
        // rows were typed applies to all of them.
        connection->execute(QStringLiteral("Update ") + SqlIdent(TransTableName()) +
                                QStringLiteral(" Set SanadNoAmval = ?, MakanCod = ?, "
                                               "PersonelCod = ?, sDate = ?, "
                                               "User_Name = COALESCE(User_Name, ?)"),
                            {number, storedHeader(MakanCod, kMakanCod),
                             storedHeader(PersonelCod, kPersonelCod), VoucherDate(),
                             EUserName->text()});
        VoucherSaveCall call;
        call.kind = &Kind().Facts;
        call.table = TransTableName();
        call.number = number;
        call.isNew = isNew;
        call.expectedStamp = isNew ? QString() : LoadedStamp();
        const VoucherWriteAnswer answer =
            ProceduresOf(*connection, Kind().Procedure()).saveVoucher(*connection, call);
        if (answer.state == VoucherWriteAnswer::State::Done) {
            stored = answer.number;
            transaction.commit();
        } else {
            refusal = saveRefusal(answer, &refusedRow);
        }
    } catch (const DatabaseError& e) {
        refusal = SaveFailureText(e, kSaveFailure);
    }
    if (!refusal.isEmpty()) {
        // Nothing was stored; the rows stay as they were typed.
        ShowMessageDlg(refusal, QString(), kError);
        if (refusedRow >= 0) {
            quAsnad->setCurrentRow(refusedRow);
            dbgAsnad->focusField(kDaraCod);
        }
        return;
    }
    if (isNew)
        SanadID->setText(QString::number(NumberText(stored).toLongLong() + 1));
    BackToNewVoucher();
}

void TAmvalGardaniForm::cmdDelClick()
{
    if (!cmdDel->isEnabled())
        return;
    if (ShowMessageDlg(QStringLiteral(" آيا از حذف اطلاعات مطمئن هستيد؟ "), QString(),
                       QStringLiteral("3QR")) != TDlgMsg::mrYes)
        return;
    try {
        DbConnection& connection = *MyDatabase->Connection;
        const VoucherWriteAnswer answer =
            ProceduresOf(connection, Kind().Procedure())
                .deleteVoucher(connection, {&Kind().Facts, PaddedNumber(), LoadedStamp()});
        if (answer.state != VoucherWriteAnswer::State::Done) {
            ShowMessageDlg(kSaveFailure, QString(), kError);
            return;
        }
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }
    BackToNewVoucher();
}

void TAmvalGardaniForm::afterExcelImport()
{
    DbConnection* connection = MyDatabase->Connection;
    const Dialect& dialect = connection->dialect();
    const QString table = SqlIdent(TransTableName());
    // The codes as the count stores them, and the name of each asset the register knows.
    connection->execute(
        QStringLiteral("UPDATE ") + table + QStringLiteral(" SET DaraCod = ") +
        dialect.padLeftExpression(QStringLiteral("trim(DaraCod)"),
                                  dialect.columnWidth(kTable, kDaraCod)) +
        QStringLiteral(", DaraNam = COALESCE((SELECT A.DaraNam FROM D_Amval AS A WHERE "
                       "trim(A.DaraCod) = trim(") +
        table + QStringLiteral(".DaraCod) LIMIT 1), DaraNam) WHERE DaraCod IS NOT NULL"));
    if (quAsnad->active()) {
        quAsnad->requery();
        quAsnad->first();
        SetButtons();
        showRowPosition();
    }
}

bool TAmvalGardaniForm::MayMarkSpreadsheets() const
{
    // Read when asked, as the voucher rights are read when the window is set up: a
    // change by the administrator applies from the next import on.
    QSqlQuery q =
        MyDatabase->Connection->select(QStringLiteral("Select Dara From UserSdc Where UserId = ?"),
                                       {QString::number(Global != nullptr ? Global->UserID : 0)});
    return q.next() && q.value(0).toString().contains(kMarkRight);
}

void TAmvalGardaniForm::ImportFromExcel()
{
    // The rows go straight into the transaction table: a row still being typed is
    // posted (or refused, and the import waits) and an empty new row goes first.
    dbgAsnad->commitEditor();
    if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
        quAsnad->cancel();
    if (quAsnad->state() != DataSet::State::Browse && !quAsnad->post())
        return;
    TFrm_Excel_Import2 window(TransTableName(), MyDatabase->Command, this);
    window.setVoucherNumber(PaddedNumber());
    window.setVoucherDate(VoucherDate());
    window.setPersonCode(PersonelCod->text().trimmed());
    window.setPlaceCode(MakanCod->text().trimmed());
    window.setUserName(EUserName->text());
    window.setMarkingAllowed(MayMarkSpreadsheets());
    if (window.exec() == 1) {
        try {
            afterExcelImport();
        } catch (const DatabaseError& e) {
            reportDatabaseError(e);
        }
    }
}

TCountReconcileForm* TAmvalGardaniForm::OpenReconciliation()
{
    try {
        // The rows on the screen take part as they stand: a row still being typed is
        // posted first (a refusal is shown and nothing opens). Without rows, the stored
        // counts of the header's place (all places without one) are reconciled.
        dbgAsnad->commitEditor();
        if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
            quAsnad->cancel();
        if (quAsnad->active() && quAsnad->state() != DataSet::State::Browse && !quAsnad->post())
            return nullptr;
        const bool rows = quAsnad->active() && !quAsnad->isEmpty();
        if (rows &&
            (MakanCod->text().trimmed().isEmpty() || PersonelCod->text().trimmed().isEmpty())) {
            ShowMessageDlg(QStringLiteral("براي مغايرت، مکان استقرار، تحويل گيرنده و رديفهاي "
                                          "شمارش را وارد کنيد."),
                           QString(), kError);
            return nullptr;
        }
        auto* form = new TCountReconcileForm(
            rows ? TransTableName() : QString(), MakanCod->text().trimmed(),
            PersonelCod->text().trimmed(), VoucherDate(), SanadID->text().trimmed());
        form->resize(size());
        form->move(mapToGlobal(QPoint(0, 0)));
        form->show();
        return form;
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return nullptr;
    }
}
