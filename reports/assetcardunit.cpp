#include "assetcardunit.h"

#include "assetpicklists.h"
#include "boxwalk.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"
#include "persiantext.h"
#include "picklist.h"
#include "reportgrid.h"
#include "reportrows.h"
#include "settings.h"
#include "sqlquote.h"
#include "voucherform.h"
#include "voucherkinds.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSqlQuery>
#include <QVBoxLayout>
#include <algorithm>

const QString TAssetCardForm::Caption = QStringLiteral("كارت دارايي");
const QString TAssetCardForm::NoAssetText = QStringLiteral("كد دارايي وجود ندارد.");
const QString TAssetCardForm::DigitsOnlyText = QStringLiteral("كد دارايي بايد عدد باشد.");
const QString TAssetCardForm::NoCompanyText = QStringLiteral("شركتي انتخاب نشده است.");

namespace {

const QString kReportKind = QStringLiteral("A_CARD");

// The followed columns of the register as the card words them.
QString ColumnTitle(const QString& column)
{
    static const QHash<QString, QString> titles{
        {QStringLiteral("PersonelCod"), QStringLiteral("تحويل گيرنده")},
        {QStringLiteral("MakanCod"), QStringLiteral("مکان")},
        {QStringLiteral("Tafsily2"), QStringLiteral("مركز هزينه")},
        {QStringLiteral("KenarDate"), QStringLiteral("کنارگذاري موقت از")},
        {QStringLiteral("RaveshEst"), QStringLiteral("روش استهلاک")},
        {QStringLiteral("VezCod"), QStringLiteral("گروه اظهارنامه مالياتي")},
        {QStringLiteral("AsaseChangeValue"), QStringLiteral("تعميرات اساسي")},
        {QStringLiteral("TadilValue"), QStringLiteral("تعديلات")},
        {QStringLiteral("ReduceValue"), QStringLiteral("کاهش")},
        {QStringLiteral("Salianeh"), QStringLiteral("عمر مفيد")},
        {QStringLiteral("Nozooli"), QStringLiteral("نرخ")},
        {QStringLiteral("Anbashteh"), QStringLiteral("استهلاک انباشته")},
        {QStringLiteral("Esshat"), QStringLiteral("ارزش اسقاط")}};
    return titles.value(column, column);
}

// "title: از before به after" for each line "column\tbefore\tafter" of the card's rows.
QString MovedText(const QString& moved)
{
    QStringList parts;
    for (const QString& line : moved.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList m = line.split(QLatin1Char('\t'));
        if (m.size() < 3)
            continue;
        // Amounts with their thousands grouped; codes, dates, lives and rates as they are.
        static const QStringList amounts{
            QStringLiteral("AsaseChangeValue"), QStringLiteral("TadilValue"),
            QStringLiteral("ReduceValue"), QStringLiteral("Anbashteh"), QStringLiteral("Esshat")};
        const bool amount = amounts.contains(m.at(0));
        const auto shown = [amount](const QString& value) {
            const QString v = value.trimmed();
            if (v.isEmpty())
                return QStringLiteral("-");
            return amount ? AmountText(v.toDouble()) : v;
        };
        parts << ColumnTitle(m.at(0)) + QStringLiteral(": از ") + shown(m.at(1)) +
                     QStringLiteral(" به ") + shown(m.at(2));
    }
    return parts.join(QStringLiteral("؛ "));
}

} // namespace

TAssetCardForm::TAssetCardForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("AssetCardForm"));
    auto* top = new QWidget(ClientPanel);
    auto* line = new QHBoxLayout(top);
    line->setContentsMargins(8, 6, 8, 4);
    auto* codeLabel = new QLabel(QStringLiteral("كد دارايي"), top);
    line->addWidget(codeLabel);
    EDaraCod = new QLineEdit(top);
    codeLabel->setBuddy(EDaraCod);
    EDaraCod->setObjectName(QStringLiteral("EDaraCod"));
    EDaraCod->setFixedWidth(110);
    EDaraCod->installEventFilter(this);
    line->addWidget(EDaraCod);
    lbIdentity = new QLabel(top);
    lbIdentity->setObjectName(QStringLiteral("lbIdentity"));
    lbIdentity->setWordWrap(true);
    lbIdentity->setTextInteractionFlags(Qt::TextSelectableByMouse);
    line->addWidget(lbIdentity, 1);
    clientLayout()->addWidget(top);

    dbgCard = ReadOnlyReportGrid(ClientPanel, this,
                                 MyDatabase != nullptr ? MyDatabase->Connection : nullptr,
                                 QStringLiteral("Card"), quCard);
    dbgCard->onKeyDown = [this](DbGrid&, QKeyEvent* key) {
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        OpenCurrentVoucher();
        return true;
    };
    dbgCard->onDblClick = [this](DbGrid&) { OpenCurrentVoucher(); };
    clientLayout()->addWidget(dbgCard, 1);

    miShow = new QAction(QStringLiteral("نمايش كارت دارايي"), this);
    miShow->setObjectName(QStringLiteral("miShow"));
    miShow->setShortcut(QKeySequence(Qt::Key_F5));
    miShow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(miShow);
    connect(miShow, &QAction::triggered, this, [this] { ShowCard(); });

    ReportGrid = new TReportGrid(dbgCard, this);
    ReportGrid->setSProg(QStringLiteral("D"));
    ReportGrid->setSItem(QStringLiteral("ASNAD"));
    ReportGrid->setSForm(QStringLiteral("ASSET_CARD"));
    ReportGrid->setTitle(QStringLiteral("مشخصات گزارش [") + Caption + QLatin1Char(']'));
    ReportGrid->setHtmlTitle(QStringLiteral("گزارش ") + Caption);
    ReportGrid->setKeyColumn(QStringLiteral("SanadNoAmval"));
    ReportGrid->setRowColumn(QStringLiteral("IDX"));
    ReportGrid->setDataSet(quCard);

    ReportGrid->Menu()->addSeparator();
    R_OpenItem = AddSavedReportItem(ReportGrid->Menu(), this, SavedReportItem::Open);
    R_SaveAsItem = AddSavedReportItem(ReportGrid->Menu(), this, SavedReportItem::SaveAs);
    connect(R_SaveAsItem, &QAction::triggered, this, [this] {
        if (!quCard->active() || m_resultTable.isEmpty())
            return;
        SaveReportAs(Global, MyDatabase->Connection, QStringLiteral("D"), kReportKind,
                     m_resultTable.name(), Caption + QLatin1Char(' ') + EDaraCod->text().trimmed());
    });
    connect(R_OpenItem, &QAction::triggered, this, [this] {
        if (m_resultTable.isEmpty())
            return;
        try {
            const QString saved =
                LoadSavedReport(Global, MyDatabase->Connection, QStringLiteral("D"), kReportKind,
                                m_resultTable.name(), quCard, QStringLiteral("IDX"));
            if (!saved.isEmpty()) {
                m_resultTable.madeFrom(saved);
                lbIdentity->clear();
                dbgCard->setFocus();
            }
        } catch (const DatabaseError& e) {
            ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        }
    });
}

TAssetCardForm::~TAssetCardForm()
{
    delete ReportGrid;
    dbgCard->setDataSet(nullptr);
}

void TAssetCardForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    EDaraCod->setFocus();
    if (Global == nullptr || MyDatabase == nullptr || MyDatabase->Connection == nullptr ||
        Global->CompanyCode.trimmed().isEmpty()) {
        refuse(NoCompanyText);
        return;
    }
    try {
        DbConnection& connection = *MyDatabase->Connection;
        m_codeWidth =
            connection.dialect().columnWidth(QStringLiteral("D_Amval"), QStringLiteral("DaraCod"));
        if (m_codeWidth > 0)
            EDaraCod->setMaxLength(m_codeWidth);
        DataSet options(&connection);
        m_keyRule =
            ReadCompanySettings(options, Global->CompanyCode + Global->FiscalYear).TYPEDARACOD;
        m_resultTable.start(connection, NewWorkTableName());
        ReportGrid->setTableName(m_resultTable.name());
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
}

void TAssetCardForm::refuse(const QString& text)
{
    ShowMessageDlg(text, QString(), QStringLiteral("1ER"));
    EDaraCod->setFocus();
    EDaraCod->selectAll();
}

bool TAssetCardForm::readIdentity(const QString& code)
{
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral(
            "SELECT A.DaraCod, A.DaraNam, A.MadehCod, MD.MadehNam, A.MakanCod, M.MakanNam, "
            "A.PersonelCod, P.\"Name\" || ' ' || P.Family, A.Tafsily2, T2.NamHesab, A.VezCod, "
            "V.VezNam, A.RaveshEst, A.Salianeh, A.Nozooli, A.VazCod, VZ.VazNam, A.KenarDate "
            "FROM D_Amval AS A LEFT JOIN D_Madeh151 AS MD ON trim(MD.MadehCod) = "
            "trim(A.MadehCod) LEFT JOIN D_Makan AS M ON trim(M.MakanCod) = trim(A.MakanCod) "
            "LEFT JOIN Person AS P ON trim(P.Code) = trim(A.PersonelCod) LEFT JOIN Tafsily2 AS "
            "T2 ON T2.Tafsily2 = A.Tafsily2 LEFT JOIN D_VezArat AS V ON trim(V.VezCod) = "
            "trim(A.VezCod) LEFT JOIN D_VazDarae AS VZ ON trim(VZ.VazCod) = trim(A.VazCod) "
            "WHERE A.DaraCod IN (?, ?)"),
        {code, code.trimmed()});
    if (!q.next()) {
        lbIdentity->clear();
        return false;
    }
    const auto text = [&q](int i) { return q.value(i).toString().trimmed(); };
    const auto pair = [&](const QString& title, int codeColumn) {
        const QString c = text(codeColumn);
        const QString name = text(codeColumn + 1);
        return title + QStringLiteral(": ") + (c.isEmpty() ? QStringLiteral("-") : c) +
               (name.isEmpty() ? QString() : QStringLiteral(" ") + name);
    };
    QString state = pair(QStringLiteral("وضعيت"), 15);
    if (!text(17).isEmpty())
        state += QStringLiteral(" (کنارگذاري موقت از ") + text(17) + QLatin1Char(')');
    const QStringList lines{
        pair(QStringLiteral("دارايي"), 0) + QStringLiteral("   ") + pair(QStringLiteral("ماده"), 2),
        pair(QStringLiteral("مکان"), 4) + QStringLiteral("   ") +
            pair(QStringLiteral("تحويل گيرنده"), 6) + QStringLiteral("   ") +
            pair(QStringLiteral("مركز هزينه"), 8),
        pair(QStringLiteral("گروه اظهارنامه مالياتي"), 10) + QStringLiteral("   ") +
            QStringLiteral("روش استهلاک: ") + text(12) + QStringLiteral("   عمر مفيد: ") +
            AmountText(q.value(13).toDouble()) + QStringLiteral("   نرخ: ") +
            AmountText(q.value(14).toDouble()) + QStringLiteral("   ") + state};
    lbIdentity->setText(lines.join(QLatin1Char('\n')));
    return true;
}

bool TAssetCardForm::ShowCard()
{
    if (m_resultTable.isEmpty()) {
        refuse(NoCompanyText);
        return false;
    }
    const QString typed = LatinDigits(EDaraCod->text()).trimmed();
    if (typed.isEmpty()) {
        refuse(QStringLiteral("كد دارايي خالي مي باشد."));
        return false;
    }
    if (m_keyRule.trimmed().toUpper() == QLatin1String("NUM") &&
        !std::all_of(typed.cbegin(), typed.cend(),
                     [](QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); })) {
        refuse(DigitsOnlyText);
        return false;
    }
    const QString code = m_codeWidth > 0 ? PadLeft(typed, m_codeWidth) : typed;
    EDaraCod->setText(code);
    try {
        DbConnection& connection = *MyDatabase->Connection;
        if (!readIdentity(code)) {
            quCard->close();
            refuse(NoAssetText);
            return false;
        }
        const ProcedureResult card =
            connection.callProcedure(QStringLiteral("sp_D_Amval_Card"), {code});
        const auto column = [&card](const char* name) {
            return int(card.columns.indexOf(QString::fromLatin1(name)));
        };
        const int table = column("TableNam");
        const int whatDoc = column("WhatDoc");
        const int number = column("SanadNoAmval");
        const int date = column("sDate");
        const int raj = column("Raj");
        const int moved = column("Moved");
        const int cost = column("Cost");
        const int accumulated = column("Anbashteh");
        QList<QVariantList> rows;
        for (const QVariantList& r : card.rows) {
            const QString t = r.at(table).toString();
            const VoucherKind* kind = FindVoucherKindByTable(t);
            const QString section = t.isEmpty() ? QStringLiteral("مانده ابتداي دوره")
                                    : kind != nullptr ? kind->caption
                                                      : t;
            const double c = r.at(cost).toDouble();
            const double a = r.at(accumulated).toDouble();
            // The opening line and a count's have no row number.
            const QVariant row =
                kind != nullptr && kind->numberedRows ? QVariant(r.at(raj).toInt()) : QVariant();
            rows << QVariantList{section,
                                 r.at(number).toString(),
                                 r.at(date).toString(),
                                 row,
                                 MovedText(r.at(moved).toString()),
                                 c,
                                 a,
                                 c - a,
                                 t,
                                 r.at(whatDoc).toString(),
                                 code};
        }
        m_resultTable.fill(
            {QStringLiteral("SectionNam VARCHAR(100)"), QStringLiteral("SanadNoAmval VARCHAR(50)"),
             QStringLiteral("sDate VARCHAR(10)"), QStringLiteral("Raj INTEGER"),
             QStringLiteral("Taghirat VARCHAR(1000)"), QStringLiteral("Cost FLOAT"),
             QStringLiteral("Anbashteh FLOAT"), QStringLiteral("BookValue FLOAT"),
             QStringLiteral("TableNam VARCHAR(50)"), QStringLiteral("WhatDoc VARCHAR(10)"),
             // The asset on every row: what reads rows by their asset (labels) finds it.
             QStringLiteral("DaraCod VARCHAR(50)")},
            rows);
        quCard->open(QStringLiteral("SELECT * FROM ") + SqlIdent(m_resultTable.name()) +
                     QStringLiteral(" ORDER BY IDX"));
        dbgCard->setColumns(
            {DbGridColumn::Make(QStringLiteral("IDX"), QStringLiteral("رديف"), 40),
             DbGridColumn::Make(QStringLiteral("SectionNam"), QStringLiteral("نام سند اموال"), 150),
             DbGridColumn::Make(QStringLiteral("SanadNoAmval"), QStringLiteral("شماره"), 55),
             DbGridColumn::Make(QStringLiteral("sDate"), QStringLiteral("تاريخ"), 75),
             DbGridColumn::Make(QStringLiteral("Raj"), QStringLiteral("رديف سند"), 50),
             DbGridColumn::Make(QStringLiteral("Taghirat"), QStringLiteral("تغييرات"), 330),
             DbGridColumn::Make(QStringLiteral("Cost"), QStringLiteral("بهاي تمام شده"), 110),
             DbGridColumn::Make(QStringLiteral("Anbashteh"), QStringLiteral("استهلاک انباشته"),
                                110),
             DbGridColumn::Make(QStringLiteral("BookValue"), QStringLiteral("ارزش دفتري"), 110)});
    } catch (const DatabaseError& e) {
        quCard->close();
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        EDaraCod->setFocus();
        return false;
    }
    quCard->last();
    dbgCard->setFocus();
    return true;
}

bool TAssetCardForm::PickCard()
{
    if (m_resultTable.isEmpty()) {
        refuse(NoCompanyText);
        return false;
    }
    std::optional<TChosenAsset> chosen;
    try {
        DataSet options(MyDatabase->Connection);
        const TCompanySettings settings =
            ReadCompanySettings(options, Global->CompanyCode + Global->FiscalYear);
        const QString typed = LatinDigits(EDaraCod->text()).trimmed();
        chosen = Pick(PickAsset(
            settings, typed.isEmpty() || m_codeWidth <= 0 ? typed : PadLeft(typed, m_codeWidth)));
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        return false;
    }
    EDaraCod->setFocus();
    if (!chosen)
        return false;
    EDaraCod->setText(chosen->code);
    return ShowCard();
}

TVoucherForm* TAssetCardForm::OpenCurrentVoucher()
{
    if (!quCard->active() || quCard->isEmpty())
        return nullptr;
    const QString table = quCard->currentText(QStringLiteral("TableNam")).trimmed();
    if (table.isEmpty())
        return nullptr;
    try {
        return OpenVoucherWindow(this, table, quCard->currentText(QStringLiteral("SanadNoAmval")));
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
    return nullptr;
}

bool TAssetCardForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != EDaraCod)
        return TAmvalForm::eventFilter(watched, event);
    if (event->type() == QEvent::MouseButtonDblClick) {
        PickCard();
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return TAmvalForm::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // A typed code shows its card; an empty box opens the asset list.
        if (LatinDigits(EDaraCod->text()).trimmed().isEmpty())
            PickCard();
        else
            ShowCard();
        return true;
    }
    return FilterBoxKey(EDaraCod, key, m_keyRule) || TAmvalForm::eventFilter(watched, event);
}
