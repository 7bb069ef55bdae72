#include "amvalsearchunit.h"

#include "boxwalk.h"
#include "commandquery.h"
#include "condtion2unit.h"
#include "context/captionpanel.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "context/mydate.h"
#include "context/tempgridform.h"
#include "context/workprogress.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "datetrio.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "jalalidate.h"
#include "messages.h"
#include "orderedunion.h"
#include "persiantext.h"
#include "reportgrid.h"
#include "reportrows.h"
#include "settings.h"
#include "sqlquote.h"
#include "tempgrid.h"
#include "voucherkinds.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QSqlQuery>
#include <QToolButton>
#include <algorithm>

const QString TAmvalSearchForm::Caption = QStringLiteral("جستجوي اسناد دارايي");
const QString TAmvalSearchForm::NothingFound = QStringLiteral("موردي يافت نشد");
const QString TAmvalSearchForm::Stopped = QStringLiteral("جستجو متوقف شد");

QString TAmvalSearchForm::TotalText(int rows)
{
    return QStringLiteral("تعداد رديف: ") + QLocale::c().toString(rows);
}

namespace {

const QString kWait = QStringLiteral("لطفا صبر كنيد");
const QString kOrderPrefix = QStringLiteral("sOrder2, ");
const QString kReportKind = QStringLiteral("A_SEARCH");
const QString kAmountFormat = QStringLiteral("###,###,###,###,##0.###");

// The columns a voucher kind may fill besides those every kind fills, with the
// table each is named from.
const QString kAmvalDes = QStringLiteral("AmvalDes");
const QString kVazCod = QStringLiteral("VazCod");
const QString kMabadiCod = QStringLiteral("MabadiCod");
const QString kMakanCod = QStringLiteral("MakanCod");
const QString kPersonelCod = QStringLiteral("PersonelCod");
const QString kTafsily2 = QStringLiteral("Tafsily2");
const QString kDaraCod = QStringLiteral("DaraCod");
const QString kBargeh = QStringLiteral("Bargeh");

// The ranges in the order the conditions are written.
const QStringList& RangeOrder()
{
    static const QStringList order{kVazCod,    kDaraCod,  kMakanCod, kPersonelCod,
                                   kMabadiCod, kTafsily2, kBargeh};
    return order;
}

// What the search takes from one voucher kind: its registry code, the name its rows
// are labelled with, its table, the columns it fills, the ranges that apply to it, and
// the columns its amount and salvage value come from; fixed for a kind whose facts are
// its row's in VoucherKinds(), else read from its table's columns.
struct SearchKind
{
    int code = 0;
    QString section;
    QString table;
    QStringList filled;
    QStringList ranges;
    QString amount;
    QString salvage;
    bool fixed = false;
};

// A registered kind as its row in VoucherKinds() has it searched.
SearchKind FixedKind(const VoucherKind& kind)
{
    return {kind.registryCode.toInt(), kind.caption,       kind.table,          kind.search.shown,
            kind.search.ranges,        kind.search.amount, kind.search.salvage, true};
}

// The columns of the result: texts with their widths (names wide enough for any
// stored one), then the amounts, numbers that reports add up and charts draw, as the
// work table declares them; the search's statement casts each to its type except the
// date, which stays as each table has it (its index gives the order).
struct ResultColumn
{
    const char* name;
    const char* type;
    bool cast = true;
};
constexpr ResultColumn kResultColumns[] = {{"SectionNam", "VARCHAR(50)"},
                                           {"AmvalDes", "VARCHAR(250)"},
                                           {"SanadNoAmval", "VARCHAR(50)"},
                                           {"MakanCod", "VARCHAR(50)"},
                                           {"MakanNam", "VARCHAR(250)"},
                                           {"VazCod", "VARCHAR(50)"},
                                           {"VazNam", "VARCHAR(250)"},
                                           {"DaraCod", "VARCHAR(50)"},
                                           {"DaraNam", "VARCHAR(250)"},
                                           {"PersonelCod", "VARCHAR(50)"},
                                           {"PersonelNam", "VARCHAR(250)"},
                                           {"Tafsily2", "VARCHAR(50)"},
                                           {"NamHesab", "VARCHAR(250)"},
                                           {"MabadiCod", "VARCHAR(50)"},
                                           {"MabadiNam", "VARCHAR(250)"},
                                           {"Bargeh", "VARCHAR(50)"},
                                           {"sDate", "VARCHAR(10)", false},
                                           {"sOrder2", "VARCHAR(50)"},
                                           {"sValue", "FLOAT"},
                                           {"ArzeshAsgat", "FLOAT"}};

// The keys a row is ordered by besides its date: its kind's place on one day, its
// voucher number (by length first, so that numbers compare as numbers), its row, and
// its kind and asset, so that no two rows tie (a grid reads the result in chunks, each
// by its place in that order). The statement leaves the numbers as they come.
constexpr ResultColumn kOrderKeys[] = {{"DayOrder", "INTEGER", false},
                                       {"NumberLength", "INTEGER", false},
                                       {"NumberText", "VARCHAR(50)"},
                                       {"Raj", "INTEGER", false},
                                       {"KindCode", "INTEGER", false}};

// Every column of the result's work table after its row number: the result's, then
// the order keys.
QList<ResultColumn> WorkColumns()
{
    QList<ResultColumn> columns(std::begin(kResultColumns), std::end(kResultColumns));
    columns.append(QList<ResultColumn>(std::begin(kOrderKeys), std::end(kOrderKeys)));
    return columns;
}

bool Has(const QStringList& list, const QString& name)
{
    return list.contains(name, Qt::CaseInsensitive);
}

// One kind's part of the search: its table's columns under the result's names (the
// names of the codes looked up outside it), its ranges as its condition.
OrderedUnion::Part KindPart(const SearchKind& kind, bool hasBargeh, bool hasRaj)
{
    const VoucherKind* registered = FindVoucherKindByTable(kind.table);
    OrderedUnion::Part part;
    part.table = kind.table;
    part.columns = {
        {QStringLiteral("SectionNam"), SqlQuote(kind.section)},
        {QStringLiteral("SanadNoAmval"), QStringLiteral("A.SanadNoAmval")},
        {kDaraCod, QStringLiteral("A.DaraCod")},
        {QStringLiteral("sDate"), QStringLiteral("A.sDate")},
        {kBargeh, hasBargeh ? QStringLiteral("A.Bargeh") : QStringLiteral("''")},
        {QStringLiteral("sOrder2"), QStringLiteral("'A'")},
        {QStringLiteral("DayOrder"), QString::number(registered ? registered->dayOrder : 99)},
        {QStringLiteral("NumberLength"), QStringLiteral("length(trim(A.SanadNoAmval))")},
        {QStringLiteral("NumberText"), QStringLiteral("trim(A.SanadNoAmval)")},
        {QStringLiteral("Raj"), hasRaj ? QStringLiteral("A.Raj") : QStringLiteral("0")},
        {QStringLiteral("KindCode"), QString::number(kind.code)}};
    if (!kind.amount.isEmpty())
        part.columns.insert(QStringLiteral("sValue"), QStringLiteral("A.") + kind.amount);
    if (!kind.salvage.isEmpty())
        part.columns.insert(QStringLiteral("ArzeshAsgat"), QStringLiteral("A.") + kind.salvage);
    for (const QString& column :
         {kAmvalDes, kVazCod, kMabadiCod, kPersonelCod, kMakanCod, kTafsily2}) {
        if (Has(kind.filled, column))
            part.columns.insert(column, QStringLiteral("A.") + column);
    }
    return part;
}

// The search's columns (those of the result table, then the order keys) and the
// names looked up by its codes.
OrderedUnion SearchReport()
{
    OrderedUnion report;
    for (const ResultColumn& c : WorkColumns())
        report.columns.append(
            {QString::fromLatin1(c.name), c.cast ? QString::fromLatin1(c.type) : QString()});
    report.lookups = {
        {QStringLiteral("DaraNam"), QStringLiteral("D.DaraNam"),
         QStringLiteral(" Inner Join D_Amval As D On D.DaraCod = {}"), kDaraCod},
        {QStringLiteral("VazNam"), QStringLiteral("V.VazNam"),
         QStringLiteral(" Left Join D_VazDarae As V On V.VazCod = {}"), kVazCod},
        {QStringLiteral("MabadiNam"), QStringLiteral("MB.MabadiNam"),
         QStringLiteral(" Left Join D_Mabadi As MB On MB.MabadiCod = {}"), kMabadiCod},
        {QStringLiteral("PersonelNam"), QStringLiteral("P.\"Name\" || ' ' || P.Family"),
         QStringLiteral(" Left Join Person As P On P.Code = {}"), kPersonelCod},
        {QStringLiteral("MakanNam"), QStringLiteral("M.MakanNam"),
         QStringLiteral(" Left Join D_Makan As M On M.MakanCod = {}"), kMakanCod},
        {QStringLiteral("NamHesab"), QStringLiteral("T2.NamHesab"),
         QStringLiteral(" Left Join Tafsily2 As T2 On T2.Tafsily2 = {}"), kTafsily2}};
    report.order = {QStringLiteral("sDate")};
    for (const ResultColumn& key : kOrderKeys)
        report.order << QString::fromLatin1(key.name);
    report.order << kDaraCod;
    return report;
}

} // namespace

TAmvalSearchForm::TAmvalSearchForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("AmvalSearchForm"));
    m_connection = MyDatabase ? MyDatabase->Connection : nullptr;
    m_settings = std::make_unique<TCompanySettings>();

    auto* criteria = new QWidget(ClientPanel);
    auto* grid = new QGridLayout(criteria);
    grid->setContentsMargins(8, 6, 8, 4);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(3);
    const auto box = [criteria](const QString& name, int width) {
        auto* edit = new QLineEdit(criteria);
        edit->setObjectName(name);
        edit->setFixedWidth(width);
        return edit;
    };
    const auto label = [criteria](const QString& text) { return new QLabel(text, criteria); };
    const QString to = QStringLiteral("تا");
    // One range per row: label, from, "to", to.
    int row = 0;
    const auto range = [&](const QString& text, QLineEdit* from, QLineEdit* upto,
                           QLabel** labelOut = nullptr) {
        QLabel* l = label(text);
        if (labelOut)
            *labelOut = l;
        grid->addWidget(l, row, 0);
        NameRange(l, from, upto);
        grid->addWidget(from, row, 1);
        grid->addWidget(label(to), row, 2);
        grid->addWidget(upto, row, 3);
        ++row;
    };
    FrMakanCod = box(QStringLiteral("FrMakanCod"), 110);
    ToMakanCod = box(QStringLiteral("ToMakanCod"), 110);
    FrVazCod = box(QStringLiteral("FrVazCod"), 110);
    ToVazCod = box(QStringLiteral("ToVazCod"), 110);
    FrDaraCod = box(QStringLiteral("FrDaraCod"), 110);
    ToDaraCod = box(QStringLiteral("ToDaraCod"), 110);
    FrPersonCod = box(QStringLiteral("FrPersonCod"), 110);
    ToPersonCod = box(QStringLiteral("ToPersonCod"), 110);
    FrTafsily2Cod = box(QStringLiteral("FrTafsily2Cod"), 110);
    ToTafsily2Cod = box(QStringLiteral("ToTafsily2Cod"), 110);
    FrMabadiCod = box(QStringLiteral("FrMabadiCod"), 110);
    ToMabadiCod = box(QStringLiteral("ToMabadiCod"), 110);
    FrBargeh = box(QStringLiteral("FrBargeh"), 110);
    ToBargeh = box(QStringLiteral("ToBargeh"), 110);
    range(QStringLiteral("از مکان استقرار"), FrMakanCod, ToMakanCod);
    range(QStringLiteral("از وضعيت دارايي"), FrVazCod, ToVazCod);
    range(QStringLiteral("از دارايي"), FrDaraCod, ToDaraCod);
    range(QStringLiteral("از تحويل گيرنده"), FrPersonCod, ToPersonCod);
    range(QStringLiteral("از "), FrTafsily2Cod, ToTafsily2Cod, &lbTafsily2);

    // The dates: day, month and year boxes of each end.
    const auto trio = [&](const QString& prefix, QLineEdit*& day, QLineEdit*& month,
                          QLineEdit*& year) {
        auto* holder = new QWidget(criteria);
        auto* line = new QHBoxLayout(holder);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(2);
        day = new QLineEdit(holder);
        day->setObjectName(prefix + QStringLiteral("Day"));
        day->setFixedWidth(28);
        month = new QLineEdit(holder);
        month->setObjectName(prefix + QStringLiteral("Month"));
        month->setFixedWidth(28);
        year = new QLineEdit(holder);
        year->setObjectName(prefix + QStringLiteral("Year"));
        year->setFixedWidth(44);
        line->addWidget(day);
        line->addWidget(month);
        line->addWidget(year);
        line->addStretch(1);
        return holder;
    };
    QWidget* fromDate = trio(QStringLiteral("Fr"), FrDay, FrMonth, FrYear);
    QWidget* toDate = trio(QStringLiteral("To"), ToDay, ToMonth, ToYear);
    grid->addWidget(label(QStringLiteral("از تاريخ")), row, 0);
    grid->addWidget(fromDate, row, 1);
    grid->addWidget(label(to), row, 2);
    grid->addWidget(toDate, row, 3);
    ++row;
    range(QStringLiteral("از مبادي تحويل"), FrMabadiCod, ToMabadiCod);
    range(QStringLiteral("از برگه"), FrBargeh, ToBargeh);
    grid->setColumnStretch(4, 1);
    clientLayout()->addWidget(criteria);

    m_fromDate = new TDateTrio(FrDay, FrMonth, FrYear, this);
    m_toDate = new TDateTrio(ToDay, ToMonth, ToYear, this);
    // An end of the date range left blank is open: walking through its boxes must
    // not fill them with "01".
    m_fromDate->setBlankStaysBlank(true);
    m_toDate->setBlankStaysBlank(true);
    m_fromDate->setCaption(QStringLiteral("از تاريخ"));
    m_toDate->setCaption(QStringLiteral("تا تاريخ"));
    connect(m_fromDate, &TDateTrio::commitRequested, this, [this] { moveOn(FrYear); });
    connect(m_toDate, &TDateTrio::commitRequested, this, [this] { moveOn(ToYear); });

    m_codeBoxes = new RangeCodeBoxes(this, m_connection, [this](QLineEdit* e) { moveOn(e); });
    m_codeBoxes->setSettings(m_settings.get());
    m_codeBoxes->add(FrMakanCod, ToMakanCod, kMakanCod);
    m_codeBoxes->add(FrVazCod, ToVazCod, kVazCod);
    m_codeBoxes->add(FrDaraCod, ToDaraCod, kDaraCod);
    m_codeBoxes->add(FrPersonCod, ToPersonCod, kPersonelCod);
    m_codeBoxes->add(FrTafsily2Cod, ToTafsily2Cod, kTafsily2);
    m_codeBoxes->add(FrMabadiCod, ToMabadiCod, kMabadiCod);
    FrBargeh->installEventFilter(this);
    ToBargeh->installEventFilter(this);

    quSearch = new DataSet(m_connection, this);
    quSearch->setObjectName(QStringLiteral("quSearch"));
    quSearch->setReadOnly(true);
    quSearch->setFetchChunk(DataSet::kDefaultFetchChunk);
    // The result is the search's; a row of it is never taken away.
    quSearch->beforeDelete = [](DataSet&) { DataSet::Abort(); };
    dbgSearch = new DbGrid(ClientPanel);
    dbgSearch->setObjectName(QStringLiteral("dbgSearch"));
    dbgSearch->setEditingEnabled(false);
    dbgSearch->setDataSet(quSearch);
    dbgSearch->setColumns(
        {DbGridColumn::Make(QStringLiteral("SectionNam"), QStringLiteral("نام سند اموال"), 120),
         DbGridColumn::Make(QStringLiteral("SanadNoAmval"), QStringLiteral("شماره"), 55),
         DbGridColumn::Make(QStringLiteral("sDate"), QStringLiteral("تاريخ"), 70),
         DbGridColumn::Make(kDaraCod, QStringLiteral("دارايي"), 85),
         DbGridColumn::Make(QStringLiteral("DaraNam"), QStringLiteral("نام دارايي"), 200),
         DbGridColumn::Make(kAmvalDes, QStringLiteral("شرح"), 200),
         DbGridColumn::Make(kVazCod, QStringLiteral("وضعيت"), 45),
         DbGridColumn::Make(QStringLiteral("VazNam"), QStringLiteral("نام وضعيت دارايي"), 200),
         DbGridColumn::Make(kMakanCod, QStringLiteral("مکان استقرار"), 75),
         DbGridColumn::Make(QStringLiteral("MakanNam"), QStringLiteral("نام مکان استقرار"), 200),
         DbGridColumn::Make(kPersonelCod, QStringLiteral("تحويل گيرنده"), 75),
         DbGridColumn::Make(QStringLiteral("PersonelNam"), QStringLiteral("نام تحويل گيرنده"), 200),
         DbGridColumn::Make(kTafsily2, QStringLiteral("تفصيلي2"), 60),
         DbGridColumn::Make(QStringLiteral("NamHesab"), QStringLiteral("نام تفصيلي2"), 200),
         DbGridColumn::Make(kMabadiCod, QStringLiteral("مبادي تحويل"), 75),
         DbGridColumn::Make(QStringLiteral("MabadiNam"), QStringLiteral("نام مبادي تحويل"), 200),
         DbGridColumn::Make(kBargeh, QStringLiteral("برگه"), 64),
         DbGridColumn::Make(QStringLiteral("sValue"), QStringLiteral("مبلغ"), 110),
         DbGridColumn::Make(QStringLiteral("ArzeshAsgat"), QStringLiteral("ارزش اسقاط"), 110)});
    // The amounts with their thousands grouped, in a result opened again from a saved
    // report too.
    quSearch->afterOpen = [](DataSet& ds) {
        for (int f = 0; f < ds.fieldCount(); ++f) {
            DataField* field = ds.field(f);
            if (field->kind() == DataField::Kind::Float ||
                field->kind() == DataField::Kind::Integer)
                field->setDisplayFormat(kAmountFormat);
        }
    };
    dbgSearch->onTitleClick = [this](DbGrid& g, int column) {
        if (!quSearch->active())
            return;
        SortByColumn(&g, column, kOrderPrefix);
        m_lastColumn = column;
    };
    clientLayout()->addWidget(dbgSearch, 1);
    lbStatus = new QLabel(ClientPanel);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));
    clientLayout()->addWidget(lbStatus);
    // The number of rows once the grid knows it: at once for a short result, when the
    // clerk goes on towards the end of a long one.
    const auto total = [this] {
        if (quSearch->active() && !quSearch->isEmpty() && quSearch->allRowsKnown())
            lbStatus->setText(TotalText(quSearch->recordCount()));
    };
    connect(dbgSearch->dataModel(), &QAbstractItemModel::rowsInserted, this, total);
    connect(dbgSearch->dataModel(), &QAbstractItemModel::modelReset, this, total);

    pmSysMenu = new QMenu(this);
    pmSysMenu->setObjectName(QStringLiteral("pmSysMenu"));
    R_OpenItem = AddSavedReportItem(pmSysMenu, this, SavedReportItem::Open);
    R_SaveAsItem = AddSavedReportItem(pmSysMenu, this, SavedReportItem::SaveAs);
    R_ReportItem = AddReportItem(pmSysMenu, this, QStringLiteral("R_ReportItem"),
                                 QStringLiteral("نمايش نتيجه جستجو"), QKeySequence(Qt::Key_F5));
    R_SaveAsItem->setEnabled(false);
    connect(R_OpenItem, &QAction::triggered, this, [this] { R_OpenItemClick(); });
    connect(R_SaveAsItem, &QAction::triggered, this, [this] { R_SaveAsItemClick(); });
    connect(R_ReportItem, &QAction::triggered, this, [this] { R_ReportItemClick(); });

    sb_Cond = Caption_Panel->addButton(QStringLiteral("sb_Cond"), QStringLiteral("✓"),
                                       QStringLiteral("شرايط انتخاب اسناد دارايي"));
    sb_Sys = Caption_Panel->addButton(QStringLiteral("sb_Sys"), QStringLiteral("☰"),
                                      QStringLiteral("آماده سازي گزارش"));
    connect(sb_Cond, &QToolButton::clicked, this, [this] { sb_CondClick(); });
    connect(sb_Sys, &QToolButton::clicked, this, [this] { pmSysMenu->popup(QCursor::pos()); });

    ReportGrid = new TReportGrid(dbgSearch, this);
    ReportGrid->setSProg(QStringLiteral("D"));
    ReportGrid->setSItem(QStringLiteral("ASNAD"));
    ReportGrid->setSForm(QStringLiteral("SEARCH"));
    ReportGrid->setSPart(QString());
    ReportGrid->setTitle(QStringLiteral("مشخصات گزارش [جستجوي مدارک داراييها]"));
    ReportGrid->setHtmlTitle(QStringLiteral("گزارش ") + Caption.trimmed() + QStringLiteral("]"));
    ReportGrid->setKeyColumn(QStringLiteral("SanadNoAmval"));
    ReportGrid->setRowColumn(QStringLiteral("IDX"));
    ReportGrid->setDataSet(quSearch);
}

TAmvalSearchForm::~TAmvalSearchForm()
{
    delete ReportGrid;
    dbgSearch->setDataSet(nullptr);
}

QList<QLineEdit*> TAmvalSearchForm::EnterOrder() const
{
    return {FrMakanCod, ToMakanCod,  FrVazCod,    ToVazCod,      FrDaraCod,
            ToDaraCod,  FrPersonCod, ToPersonCod, FrTafsily2Cod, ToTafsily2Cod,
            FrDay,      FrMonth,     FrYear,      ToDay,         ToMonth,
            ToYear,     FrMabadiCod, ToMabadiCod, FrBargeh,      ToBargeh};
}

void TAmvalSearchForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    try {
        initialise();
    } catch (const DatabaseError& e) {
        showDatabaseError(DatabaseFailureText(e));
    }
    FrMakanCod->setFocus();
}

void TAmvalSearchForm::initialise()
{
    if (m_connection == nullptr || Global == nullptr || MyDate == nullptr)
        return;
    m_resultTable = NewWorkTableName();
    m_selectionTable = m_resultTable + QStringLiteral("_Asnad_Dara");
    ReportGrid->setTableName(m_resultTable);
    ReportGrid->setTableMaker([this] { return makeResultRows(); });
    // Every kind of voucher takes part until the user chooses otherwise.
    makeSelectionTable();
    // A restart of the server ends the session, and these tables with it.
    m_sessionWatch = std::make_unique<SessionWatch>(*m_connection, [this] { remakeWorkTables(); });
    m_codeBoxes->readWidths();
    DataSet options(m_connection);
    *m_settings = ReadCompanySettings(options, Global->CompanyCode + Global->FiscalYear);
    const QString level2 = m_settings->NAMTAFSILY2;
    lbTafsily2->setText(QStringLiteral("از ") + level2);
    NameRange(lbTafsily2, FrTafsily2Cod, ToTafsily2Cod);
    if (level2.isEmpty())
        return;
    dbgSearch->column(dbgSearch->columnOf(kTafsily2)).title = level2;
    dbgSearch->column(dbgSearch->columnOf(QStringLiteral("NamHesab"))).title =
        QStringLiteral("نام حساب ") + level2;
    dbgSearch->applyColumns();
}

TD_Global* TAmvalSearchForm::dGlobal()
{
    if (!m_dGlobal)
        m_dGlobal = std::make_unique<TD_Global>(Global, MyDatabase);
    return m_dGlobal.get();
}

void TAmvalSearchForm::showDatabaseError(const QString& text)
{
    ShowMessageDlg(text, QString(), QStringLiteral("1ER"));
}

void TAmvalSearchForm::normaliseBoxes()
{
    // Codes are stored in their own form (right-justified, second-level details
    // zero-filled), so the ranges compare as plain texts once the boxes hold it.
    for (const RangeCodeBoxes::Box& box : m_codeBoxes->boxes())
        RangeCodeBoxes::Widen(box);
    for (QLineEdit* e : {FrBargeh, ToBargeh})
        e->setText(LatinDigits(e->text()));
}

void TAmvalSearchForm::makeSelectionTable()
{
    const Dialect& dialect = m_connection->dialect();
    QString sql = dialect.createTempTable(m_selectionTable) + QStringLiteral(" AS Select ") +
                  SqlQuote(TCondtion2Form::Mark) +
                  QStringLiteral(" As CodeRet, WhatDoc, DaraPartNam From D_AsnadDara");
    QVariantList values;
    if (!m_allKinds) {
        // An empty choice chooses none.
        sql += QStringLiteral(" Where WhatDoc In (''");
        for (const QString& kind : std::as_const(m_chosenKinds)) {
            sql += QStringLiteral(", ?");
            values << kind;
        }
        sql += QLatin1Char(')');
    }
    dialect.dropTempTable(m_selectionTable);
    m_connection->execute(sql, values);
}

void TAmvalSearchForm::remakeWorkTables()
{
    if (m_selectionTable.isEmpty())
        return;
    makeSelectionTable();
    // The result shown reads its rows from the vouchers' tables and goes on as it
    // was; its work table is made again when next asked for.
    if (!m_savedReport.isEmpty()) {
        CopySavedReport(*m_connection, m_resultTable, m_savedReport);
        return;
    }
    m_resultMade = false;
}

void TAmvalSearchForm::createResultTable()
{
    const Dialect& dialect = m_connection->dialect();
    QStringList columns{QStringLiteral("IDX ") + dialect.identityColumnType()};
    for (const ResultColumn& c : WorkColumns())
        columns << QString::fromLatin1(c.name) + QLatin1Char(' ') + QString::fromLatin1(c.type);
    m_connection->execute(dialect.createTempTable(m_resultTable) + QStringLiteral(" (") +
                          columns.join(QStringLiteral(", ")) + QLatin1Char(')'));
}

QString TAmvalSearchForm::searchStatement(QVariantList& values)
{
    const auto date = [](QLineEdit* year, QLineEdit* month, QLineEdit* day) {
        if (year->text().isEmpty() || month->text().isEmpty() || day->text().isEmpty())
            return QString();
        return JalaliJoin(year->text(), month->text(), day->text());
    };
    const QString from = date(FrYear, FrMonth, FrDay);
    const QString upto = date(ToYear, ToMonth, ToDay);
    const QHash<QString, std::pair<QLineEdit*, QLineEdit*>> boxes{
        {kVazCod, {FrVazCod, ToVazCod}},          {kDaraCod, {FrDaraCod, ToDaraCod}},
        {kMakanCod, {FrMakanCod, ToMakanCod}},    {kPersonelCod, {FrPersonCod, ToPersonCod}},
        {kMabadiCod, {FrMabadiCod, ToMabadiCod}}, {kTafsily2, {FrTafsily2Cod, ToTafsily2Cod}},
        {kBargeh, {FrBargeh, ToBargeh}}};

    // The kinds that take part, in the order of their codes: each as its row in
    // VoucherKinds() says, or with the columns its table has.
    QList<SearchKind> kinds;
    {
        QSqlQuery q = m_connection->select(
            QStringLiteral("Select S.WhatDoc, S.DaraPartNam, R.TableNam From ") +
            SqlIdent(m_selectionTable) +
            QStringLiteral(" As S Left Join D_AsnadDara As R On R.WhatDoc = S.WhatDoc"));
        while (q.next()) {
            const QString code = q.value(0).toString().trimmed();
            const VoucherKind* registered = FindVoucherKindByRegistryCode(code);
            if (registered != nullptr && registered->search.fixed) {
                kinds << FixedKind(*registered);
                continue;
            }
            SearchKind kind;
            kind.code = code.toInt();
            kind.section = q.value(1).toString().trimmed();
            kind.table = q.value(2).toString().trimmed();
            kinds << kind;
        }
    }
    std::sort(kinds.begin(), kinds.end(),
              [](const SearchKind& a, const SearchKind& b) { return a.code < b.code; });
    // One statement for all kinds, its rows in the order an asset's vouchers apply:
    // by date, then as the register orders one day. A blank end of the date range is
    // open, and no condition at all where nothing bounds a kind (an engine walks a
    // date index unbounded sooner than a bounded one).
    const Dialect& dialect = m_connection->dialect();
    OrderedUnion report = SearchReport();
    for (SearchKind& kind : kinds) {
        const bool known = kind.fixed;
        QStringList columns;
        if (!known) {
            if (kind.table.isEmpty() || !dialect.tableExists(kind.table))
                continue;
            columns = dialect.tableColumns(kind.table);
            if (!Has(columns, kDaraCod) || !Has(columns, QStringLiteral("sDate")) ||
                !Has(columns, QStringLiteral("SanadNoAmval")))
                continue;
            for (const QString& c :
                 {kAmvalDes, kVazCod, kMabadiCod, kPersonelCod, kMakanCod, kTafsily2}) {
                if (Has(columns, c))
                    kind.filled << c;
            }
            for (const QString& c : RangeOrder()) {
                if (Has(columns, c))
                    kind.ranges << c;
            }
            if (Has(columns, QStringLiteral("sValue")))
                kind.amount = QStringLiteral("sValue");
            if (Has(columns, QStringLiteral("ArzeshAsgat")))
                kind.salvage = QStringLiteral("ArzeshAsgat");
        }
        OrderedUnion::Part part = KindPart(kind, known || Has(kind.ranges, kBargeh),
                                           known || Has(columns, QStringLiteral("Raj")));
        QStringList terms;
        const auto bound = [&](const QString& column, const char* op, const QString& value) {
            terms << QLatin1Char('{') + column + QStringLiteral("} ") + QLatin1String(op) +
                         QStringLiteral(" ?");
            part.values << value;
        };
        if (!from.isEmpty())
            bound(QStringLiteral("sDate"), ">=", from);
        if (!upto.isEmpty())
            bound(QStringLiteral("sDate"), "<=", upto);
        for (const QString& column : RangeOrder()) {
            if (!Has(kind.ranges, column))
                continue;
            const auto [low, high] = boxes.value(column);
            if (!low->text().trimmed().isEmpty())
                bound(column, ">=", low->text());
            if (!high->text().trimmed().isEmpty())
                bound(column, "<=", high->text());
        }
        part.condition = terms.join(QStringLiteral(" And "));
        report.parts << part;
    }
    return OrderedUnionSql(dialect, report, values);
}

bool TAmvalSearchForm::makeResultRows()
{
    if (!quSearch->active())
        return false;
    if (m_resultMade || !m_savedReport.isEmpty())
        return true;
    // A long copy shows how it goes and may be stopped; the window is gone before
    // any message.
    auto progress = std::make_unique<TWorkProgress>(this, Caption + QStringLiteral(": ") + kWait);
    QStringList into;
    for (const ResultColumn& c : WorkColumns())
        into << QString::fromLatin1(c.name);
    // The statement's own order numbers the rows (IDX) as the grid shows them.
    const QString fill = QStringLiteral("Insert Into ") + SqlIdent(m_resultTable) +
                         QStringLiteral(" (") + into.join(QStringLiteral(", ")) +
                         QStringLiteral(") ") + m_resultSql;
    try {
        DropTempTable(m_resultTable);
        createResultTable();
        TWorkProgress& going = *progress;
        m_connection->executeStoppable(fill, m_resultValues, [&going] { return going.going(); });
        // A stop pressed as the engine was finishing: the user asked for no copy.
        if (progress->stopped()) {
            m_connection->execute(QStringLiteral("Delete From ") + SqlIdent(m_resultTable));
            throw DatabaseError(Stopped, fill, DatabaseError::Kind::Cancelled);
        }
    } catch (const DatabaseError& e) {
        progress.reset();
        if (e.kind() == DatabaseError::Kind::Cancelled)
            lbStatus->setText(Stopped);
        else
            showDatabaseError(DatabaseFailureText(e));
        dbgSearch->setFocus();
        return false;
    }
    m_resultMade = true;
    return true;
}

void TAmvalSearchForm::R_ReportItemClick()
{
    if (m_connection == nullptr || m_resultTable.isEmpty())
        return;
    normaliseBoxes();
    m_savedReport.clear();
    m_resultMade = false;
    m_resultSql.clear();
    m_resultValues.clear();
    quSearch->close();
    R_SaveAsItem->setEnabled(false);
    // The grid reads the first rows of the result straight from the vouchers' tables
    // and the rest as the clerk goes on; nothing is copied until a chart or a saved
    // report asks for it.
    try {
        QVariantList values;
        const QString sql = searchStatement(values);
        if (!sql.isEmpty()) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            struct Restore
            {
                ~Restore() { QApplication::restoreOverrideCursor(); }
            } restore;
            quSearch->open(sql, values);
            m_resultSql = sql;
            m_resultValues = values;
        }
        for (int c = 0; c < dbgSearch->columnCountOfGrid(); ++c)
            dbgSearch->column(c).titleFontColor = Qt::black;
        dbgSearch->applyColumns();
        m_lastColumn = -1;
    } catch (const DatabaseError& e) {
        quSearch->close();
        showDatabaseError(DatabaseFailureText(e));
        return;
    }
    R_SaveAsItem->setEnabled(quSearch->active());
    lbStatus->setText(!quSearch->active() || quSearch->isEmpty() ? NothingFound
                      : quSearch->allRowsKnown() ? TotalText(quSearch->recordCount())
                                                 : QString());
    dbgSearch->setFocus();
}

int TAmvalSearchForm::sb_CondClick()
{
    if (m_connection == nullptr || m_selectionTable.isEmpty())
        return 2;
    TCondtion2Form dialog(this);
    dialog.GridCount = 1;
    dialog.TabCaptions = QStringLiteral("{اسناد داراييها}");
    dialog.Tables = QStringLiteral("D_AsnadDara");
    dialog.Fields = QStringLiteral("{WhatDoc, DaraPartNam}");
    dialog.Titles = QStringLiteral("{کد اسناد دارايي, نام اسناد دارايي}");
    dialog.MarkColumns = QStringLiteral("CodeRet");
    const int result = dialog.exec();
    if (result != 1)
        return result;
    try {
        const Dialect& dialect = m_connection->dialect();
        DropTempTable(m_selectionTable);
        m_connection->execute(dialect.createTempTable(m_selectionTable) +
                                  QStringLiteral(" AS Select ") + SqlQuote(TCondtion2Form::Mark) +
                                  QStringLiteral(" As CodeRet, WhatDoc, DaraPartNam From ") +
                                  SqlIdent(dialog.TableName(1)) +
                                  QStringLiteral(" Where CodeRet = ?"),
                              {TCondtion2Form::Mark});
        // The choice, kept to make the table again from.
        QStringList chosen;
        QSqlQuery q = m_connection->select(QStringLiteral("Select WhatDoc From ") +
                                           SqlIdent(m_selectionTable));
        while (q.next())
            chosen << q.value(0).toString();
        m_chosenKinds = chosen;
        m_allKinds = false;
    } catch (const DatabaseError& e) {
        showDatabaseError(DatabaseFailureText(e));
        return result;
    }
    R_ReportItemClick();
    return result;
}

void TAmvalSearchForm::R_OpenItemClick()
{
    if (m_connection == nullptr || m_resultTable.isEmpty())
        return;
    try {
        const QString chosen =
            LoadSavedReport(Global, m_connection, QStringLiteral("D"), kReportKind, m_resultTable,
                            quSearch, QStringLiteral("sOrder2, IDX"));
        if (!chosen.isEmpty()) {
            m_savedReport = chosen;
            m_resultSql.clear();
            m_resultValues.clear();
            R_SaveAsItem->setEnabled(quSearch->active());
            dbgSearch->setFocus();
        }
    } catch (const DatabaseError& e) {
        showDatabaseError(DatabaseFailureText(e));
    }
}

void TAmvalSearchForm::R_SaveAsItemClick()
{
    if (!makeResultRows())
        return;
    SaveReportAs(Global, m_connection, QStringLiteral("D"), kReportKind, m_resultTable,
                 Caption.trimmed());
}

void TAmvalSearchForm::moveOn(QLineEdit* edit)
{
    const QList<QLineEdit*> order = EnterOrder();
    if (order.contains(edit) && !FocusNextBox(order, edit))
        R_ReportItemClick();
}

bool TAmvalSearchForm::eventFilter(QObject* watched, QEvent* event)
{
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit == nullptr || event->type() != QEvent::KeyPress)
        return TAmvalForm::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        moveOn(edit);
        return true;
    }
    return FilterBoxKey(edit, key, QStringLiteral("NUM")) ||
           TAmvalForm::eventFilter(watched, event);
}
