#include "assetregisterunit.h"

#include "boxwalk.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "context/workprogress.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datetrio.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "jalalidate.h"
#include "messages.h"
#include "persiantext.h"
#include "reportgrid.h"
#include "reportrows.h"
#include "settings.h"
#include "sqlquote.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSqlQuery>

const QString TAssetRegisterForm::Caption = QStringLiteral("دفتر دارايي در تاريخ");
const QString TAssetRegisterForm::BadDateText = QStringLiteral("تاريخ وارد شده اشکال دارد");
const QString TAssetRegisterForm::NoPeriodText =
    QStringLiteral("تاريخ وارد شده در هيچ دوره مالي شركت نمي باشد.");
const QString TAssetRegisterForm::UpsideDownText =
    QStringLiteral("كد ابتداي محدوده از كد انتهاي آن بزرگتر است.");
const QString TAssetRegisterForm::NoAssetText = QStringLiteral("كد دارايي وجود ندارد.");
const QString TAssetRegisterForm::StoppedText =
    QStringLiteral("نمايش دفتر دارايي متوقف شد؛ رديفي نمايش داده نمي شود.");
const QString TAssetRegisterForm::NothingText = QStringLiteral("موردي يافت نشد");
const QString TAssetRegisterForm::NoArticleText = QStringLiteral("بدون ماده");

QString TAssetRegisterForm::CountText(int assets)
{
    return QStringLiteral("تعداد دارايي: ") + QLocale::c().toString(assets);
}

int& TAssetRegisterForm::FirstScreen()
{
    static int assets = 300;
    return assets;
}

namespace {

const QString kProcedure = QStringLiteral("sp_D_Amval_OnDate");
const QString kReportKind = QStringLiteral("A_REGISTER");
const QString kRegisterDatabase = QStringLiteral("ZELMORA_Sdc");

// The amounts summed per group.
const char* const kSummed[] = {"EndValue",         "Bought",      "TadilValue",
                               "AsaseChangeValue", "ReduceValue", "Cost",
                               "Anbashteh",        "BookValue",   "Esshat"};

QString AmountTitle(const char* column)
{
    static const QHash<QString, QString> titles{
        {QStringLiteral("EndValue"), QStringLiteral("بهاي ثبت شده")},
        {QStringLiteral("Bought"), QStringLiteral("بهاي خريد")},
        {QStringLiteral("TadilValue"), QStringLiteral("تعديلات")},
        {QStringLiteral("AsaseChangeValue"), QStringLiteral("تعميرات اساسي")},
        {QStringLiteral("ReduceValue"), QStringLiteral("کاهش")},
        {QStringLiteral("Cost"), QStringLiteral("بهاي تمام شده")},
        {QStringLiteral("Anbashteh"), QStringLiteral("استهلاک انباشته")},
        {QStringLiteral("BookValue"), QStringLiteral("ارزش دفتري")},
        {QStringLiteral("Esshat"), QStringLiteral("ارزش اسقاط")}};
    return titles.value(QString::fromLatin1(column));
}

} // namespace

TAssetRegisterForm::TAssetRegisterForm(QWidget* parent) : TAmvalForm(Caption, parent)
{
    setObjectName(QStringLiteral("AssetRegisterForm"));
    m_connection = MyDatabase != nullptr ? MyDatabase->Connection : nullptr;

    auto* criteria = new QWidget(ClientPanel);
    auto* grid = new QGridLayout(criteria);
    grid->setContentsMargins(8, 6, 8, 4);
    const auto box = [criteria](const char* name, int width) {
        auto* e = new QLineEdit(criteria);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(width);
        return e;
    };
    // The day: day, month and year boxes.
    auto* day = new QWidget(criteria);
    auto* dayLine = new QHBoxLayout(day);
    dayLine->setContentsMargins(0, 0, 0, 0);
    dayLine->setSpacing(2);
    EDay = new QLineEdit(day);
    EDay->setObjectName(QStringLiteral("EDay"));
    EDay->setFixedWidth(28);
    EMonth = new QLineEdit(day);
    EMonth->setObjectName(QStringLiteral("EMonth"));
    EMonth->setFixedWidth(28);
    EYear = new QLineEdit(day);
    EYear->setObjectName(QStringLiteral("EYear"));
    EYear->setFixedWidth(44);
    dayLine->addWidget(EDay);
    dayLine->addWidget(EMonth);
    dayLine->addWidget(EYear);
    dayLine->addStretch(1);
    grid->addWidget(new QLabel(QStringLiteral("در تاريخ"), criteria), 0, 0);
    grid->addWidget(day, 0, 1);

    FrDaraCod = box("FrDaraCod", 110);
    ToDaraCod = box("ToDaraCod", 110);
    FrMakanCod = box("FrMakanCod", 110);
    ToMakanCod = box("ToMakanCod", 110);
    FrPersonCod = box("FrPersonCod", 110);
    ToPersonCod = box("ToPersonCod", 110);
    FrTafsily2Cod = box("FrTafsily2Cod", 110);
    ToTafsily2Cod = box("ToTafsily2Cod", 110);
    FrVezCod = box("FrVezCod", 110);
    ToVezCod = box("ToVezCod", 110);
    FrMabadiCod = box("FrMabadiCod", 110);
    ToMabadiCod = box("ToMabadiCod", 110);
    // Two ranges a line: label, from, "to", to.
    int row = 1;
    int column = 0;
    const auto range = [&](const QString& text, QLineEdit* from, QLineEdit* upto) {
        auto* label = new QLabel(text, criteria);
        grid->addWidget(label, row, column);
        NameRange(label, from, upto);
        grid->addWidget(from, row, column + 1);
        grid->addWidget(new QLabel(QStringLiteral("تا"), criteria), row, column + 2);
        grid->addWidget(upto, row, column + 3);
        column = column == 0 ? 4 : 0;
        row += column == 0 ? 1 : 0;
        return label;
    };
    range(QStringLiteral("از دارايي"), FrDaraCod, ToDaraCod);
    range(QStringLiteral("از مکان استقرار"), FrMakanCod, ToMakanCod);
    range(QStringLiteral("از تحويل گيرنده"), FrPersonCod, ToPersonCod);
    lbTafsily2 = range(QStringLiteral("از مركز هزينه"), FrTafsily2Cod, ToTafsily2Cod);
    range(QStringLiteral("از گروه اظهارنامه مالياتي"), FrVezCod, ToVezCod);
    range(QStringLiteral("از مبادي تحويل"), FrMabadiCod, ToMabadiCod);

    auto* states = new QWidget(criteria);
    auto* stateLine = new QHBoxLayout(states);
    stateLine->setContentsMargins(0, 0, 0, 0);
    const auto state = [&](const char* name, const QString& text) {
        auto* c = new QCheckBox(text, states);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(true);
        stateLine->addWidget(c);
        return c;
    };
    cbInUse = state("cbInUse", QStringLiteral("در حال بهره برداري"));
    cbSetAside = state("cbSetAside", QStringLiteral("کنارگذاري موقت"));
    cbRetired = state("cbRetired", QStringLiteral("کنارگذاري دايمي"));
    cbSold = state("cbSold", QStringLiteral("فروخته شده"));
    stateLine->addStretch(1);
    btnShow = new QPushButton(QStringLiteral("نمايش (F5)"), criteria);
    btnShow->setObjectName(QStringLiteral("btnShow"));
    stateLine->addWidget(btnShow);
    grid->addWidget(new QLabel(QStringLiteral("وضعيت"), criteria), row + 1, 0);
    grid->addWidget(states, row + 1, 1, 1, 7);
    grid->setColumnStretch(8, 1);
    clientLayout()->addWidget(criteria);

    m_date = new TDateTrio(EDay, EMonth, EYear, this);
    m_date->setCaption(QStringLiteral("در تاريخ"));
    connect(m_date, &TDateTrio::commitRequested, this, [this] {
        FrDaraCod->setFocus();
        FrDaraCod->selectAll();
    });
    m_codeBoxes = new RangeCodeBoxes(this, m_connection, [this](QLineEdit* e) { moveOn(e); });
    m_codeBoxes->add(FrDaraCod, ToDaraCod, QStringLiteral("DaraCod"));
    m_codeBoxes->add(FrMakanCod, ToMakanCod, QStringLiteral("MakanCod"));
    m_codeBoxes->add(FrPersonCod, ToPersonCod, QStringLiteral("PersonelCod"));
    m_codeBoxes->add(FrTafsily2Cod, ToTafsily2Cod, QStringLiteral("Tafsily2"));
    m_codeBoxes->add(FrVezCod, ToVezCod, QStringLiteral("VezCod"));
    m_codeBoxes->add(FrMabadiCod, ToMabadiCod, QStringLiteral("MabadiCod"));

    dbgRegister =
        ReadOnlyReportGrid(ClientPanel, this, m_connection, QStringLiteral("Register"), quRegister);
    quRegister->setFetchChunk(DataSet::kDefaultFetchChunk);
    dbgRegister->setAccessibleName(Caption);
    QList<DbGridColumn> columns{
        DbGridColumn::Make(QStringLiteral("DaraCod"), QStringLiteral("دارايي"), 70),
        DbGridColumn::Make(QStringLiteral("DaraNam"), QStringLiteral("نام دارايي"), 180),
        DbGridColumn::Make(QStringLiteral("MadehNam"), QStringLiteral("ماده"), 120)};
    for (const char* amount : kSummed)
        columns << DbGridColumn::Make(QString::fromLatin1(amount), AmountTitle(amount), 100);
    columns << DbGridColumn::Make(QStringLiteral("RaveshEst"), QStringLiteral("روش استهلاک"), 70)
            << DbGridColumn::Make(QStringLiteral("Nozooli"), QStringLiteral("نرخ"), 50)
            << DbGridColumn::Make(QStringLiteral("Salianeh"), QStringLiteral("عمر مفيد"), 55)
            << DbGridColumn::Make(QStringLiteral("PersonelCod"), QStringLiteral("تحويل گيرنده"), 70)
            << DbGridColumn::Make(QStringLiteral("PersonelNam"), QStringLiteral("نام تحويل گيرنده"),
                                  150)
            << DbGridColumn::Make(QStringLiteral("MakanCod"), QStringLiteral("مکان"), 50)
            << DbGridColumn::Make(QStringLiteral("MakanNam"), QStringLiteral("نام مکان"), 120)
            << DbGridColumn::Make(QStringLiteral("Tafsily2"), QStringLiteral("مركز هزينه"), 60)
            << DbGridColumn::Make(QStringLiteral("NamHesab"), QStringLiteral("نام مركز هزينه"), 120)
            << DbGridColumn::Make(QStringLiteral("StateNam"), QStringLiteral("وضعيت"), 160)
            << DbGridColumn::Make(QStringLiteral("VezCod"), QStringLiteral("گروه اظهارنامه"), 60)
            << DbGridColumn::Make(QStringLiteral("VezNam"), QStringLiteral("نام گروه اظهارنامه"),
                                  120)
            << DbGridColumn::Make(QStringLiteral("MabadiNam"), QStringLiteral("مبادي تحويل"), 100);
    dbgRegister->setColumns(columns);
    clientLayout()->addWidget(dbgRegister, 3);
    lbStatus = new QLabel(ClientPanel);
    lbStatus->setObjectName(QStringLiteral("lbStatus"));
    clientLayout()->addWidget(lbStatus);

    // The sums per group under the rows: a grid of their own, so that the rows stay one
    // per asset for sorting, filters, charts and labels.
    dbgTotals =
        ReadOnlyReportGrid(ClientPanel, this, m_connection, QStringLiteral("Totals"), quTotals);
    dbgTotals->setAccessibleName(QStringLiteral("جمع هر ماده"));
    QList<DbGridColumn> totals{
        DbGridColumn::Make(QStringLiteral("MadehCod"), QStringLiteral("ماده"), 60),
        DbGridColumn::Make(QStringLiteral("MadehNam"), QStringLiteral("نام ماده"), 190),
        DbGridColumn::Make(QStringLiteral("Tedad"), QStringLiteral("تعداد"), 60)};
    for (const char* amount : kSummed)
        totals << DbGridColumn::Make(QString::fromLatin1(amount), AmountTitle(amount), 100);
    dbgTotals->setColumns(totals);
    clientLayout()->addWidget(dbgTotals, 2);

    miShow = new QAction(QStringLiteral("نمايش دفتر دارايي"), this);
    miShow->setObjectName(QStringLiteral("miShow"));
    miShow->setShortcut(QKeySequence(Qt::Key_F5));
    miShow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(miShow);
    connect(miShow, &QAction::triggered, this, [this] { ShowRegister(); });
    connect(btnShow, &QPushButton::clicked, this, [this] { ShowRegister(); });

    ReportGrid = new TReportGrid(dbgRegister, this);
    ReportGrid->setSProg(QStringLiteral("D"));
    ReportGrid->setSItem(QStringLiteral("ASNAD"));
    ReportGrid->setSForm(QStringLiteral("REGISTER_ON_DATE"));
    ReportGrid->setTitle(QStringLiteral("مشخصات گزارش [") + Caption + QLatin1Char(']'));
    ReportGrid->setHtmlTitle(QStringLiteral("گزارش ") + Caption);
    ReportGrid->setKeyColumn(QStringLiteral("DaraCod"));
    ReportGrid->setRowColumn(QStringLiteral("IDX"));
    ReportGrid->setDataSet(quRegister);
    ReportGrid->Menu()->addSeparator();
    R_OpenItem = AddSavedReportItem(ReportGrid->Menu(), this, SavedReportItem::Open);
    R_SaveAsItem = AddSavedReportItem(ReportGrid->Menu(), this, SavedReportItem::SaveAs);
    connect(R_SaveAsItem, &QAction::triggered, this, [this] {
        if (!quRegister->active() || m_resultTable.isEmpty())
            return;
        SaveReportAs(Global, m_connection, QStringLiteral("D"), kReportKind, m_resultTable.name(),
                     Caption + QLatin1Char(' ') + m_shownDate);
    });
    connect(R_OpenItem, &QAction::triggered, this, [this] {
        if (m_resultTable.isEmpty())
            return;
        try {
            const QString saved =
                LoadSavedReport(Global, m_connection, QStringLiteral("D"), kReportKind,
                                m_resultTable.name(), quRegister, QStringLiteral("IDX"));
            if (!saved.isEmpty()) {
                m_resultTable.madeFrom(saved);
                // The sums belong to the register shown before, not to the report read.
                quTotals->close();
                lbStatus->setText(CountText(quRegister->recordCount()));
                dbgRegister->setFocus();
            }
        } catch (const DatabaseError& e) {
            ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        }
    });
}

TAssetRegisterForm::~TAssetRegisterForm()
{
    delete ReportGrid;
    dbgRegister->setDataSet(nullptr);
    dbgTotals->setDataSet(nullptr);
}

void TAssetRegisterForm::showEvent(QShowEvent* event)
{
    TAmvalForm::showEvent(event);
    if (m_initialised)
        return;
    m_initialised = true;
    initialise();
}

void TAssetRegisterForm::initialise()
{
    EDay->setFocus();
    if (Global == nullptr || m_connection == nullptr || Global->CompanyCode.trimmed().isEmpty()) {
        ShowMessageDlg(QStringLiteral("شركتي انتخاب نشده است."), QString(), QStringLiteral("1ER"));
        return;
    }
    m_date->setDate(Global->Today);
    try {
        DataSet options(m_connection);
        m_settings = std::make_unique<TCompanySettings>(
            ReadCompanySettings(options, Global->CompanyCode + Global->FiscalYear));
        if (!m_settings->NAMTAFSILY2.trimmed().isEmpty()) {
            lbTafsily2->setText(QStringLiteral("از ") + m_settings->NAMTAFSILY2.trimmed());
            NameRange(lbTafsily2, FrTafsily2Cod, ToTafsily2Cod);
        }
        m_codeBoxes->setSettings(m_settings.get());
        m_codeBoxes->readWidths();
        m_resultTable.start(*m_connection, NewWorkTableName());
        m_totalsTable = m_resultTable.name() + QStringLiteral("T");
        ReportGrid->setTableName(m_resultTable.name());
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
    EDay->selectAll();
}

QList<QLineEdit*> TAssetRegisterForm::EnterOrder() const
{
    QList<QLineEdit*> order;
    for (const RangeCodeBoxes::Box& box : m_codeBoxes->boxes())
        order << box.edit;
    return order;
}

void TAssetRegisterForm::refuse(const QString& text, QLineEdit* at)
{
    ShowMessageDlg(text, QString(), QStringLiteral("1ER"));
    at->setFocus();
    at->selectAll();
}

QString TAssetRegisterForm::checkedDate()
{
    const QString date = NormalJalaliDate(JalaliJoin(LatinDigits(EYear->text()).trimmed(),
                                                     LatinDigits(EMonth->text()).trimmed(),
                                                     LatinDigits(EDay->text()).trimmed()));
    if (date.isEmpty()) {
        refuse(BadDateText, EDay);
        return QString();
    }
    if (!insidePeriod(date)) {
        refuse(NoPeriodText, EDay);
        return QString();
    }
    return date;
}

// Whether `date` falls in a fiscal period of the company the register of periods
// lists; without that register, in the period open.
bool TAssetRegisterForm::insidePeriod(const QString& date)
{
    try {
        QSqlQuery q = m_connection->select(
            QStringLiteral("SELECT StartDate, EndDate FROM ") +
                m_connection->dialect().tableIn(kRegisterDatabase, QStringLiteral("Sdc_Company")) +
                QStringLiteral(" WHERE trim(sCode) = ?"),
            {Global->CompanyCode.trimmed()});
        bool any = false;
        while (q.next()) {
            any = true;
            if (q.value(0).toString() <= date && date <= q.value(1).toString())
                return true;
        }
        if (any)
            return false;
    } catch (const DatabaseError&) {
        // The register of periods is not at hand: the period open decides.
    }
    return Global->StartDate <= date && date <= Global->EndDate;
}

void TAssetRegisterForm::makeTotalsTable()
{
    // One row per article in its code order (the assets of none, blank or NULL, in one
    // row that says so), then the grand total ("جمع كل").
    QStringList sums;
    QStringList outer;
    for (const char* amount : kSummed) {
        sums << QStringLiteral("SUM(") + QString::fromLatin1(amount) + QStringLiteral(") AS ") +
                    QString::fromLatin1(amount);
        outer << QStringLiteral("G.") + QString::fromLatin1(amount);
    }
    const QString article =
        QStringLiteral("CASE WHEN trim(COALESCE(MadehCod, '')) = '' THEN '' ELSE MadehCod END");
    const QString summed = sums.join(QStringLiteral(", "));
    const Dialect& dialect = m_connection->dialect();
    dialect.dropTempTable(m_totalsTable);
    m_connection->execute(
        dialect.createTempTable(m_totalsTable) +
            QStringLiteral(" AS SELECT 0 AS Grand, G.MadehCod, CASE WHEN G.MadehCod = '' THEN ? "
                           "ELSE G.MadehNam END AS MadehNam, G.Tedad, ") +
            outer.join(QStringLiteral(", ")) + QStringLiteral(" FROM (SELECT ") + article +
            QStringLiteral(" AS MadehCod, MAX(MadehNam) AS MadehNam, COUNT(*) AS Tedad, ") +
            summed + QStringLiteral(" FROM ") + SqlIdent(m_resultTable.name()) +
            QStringLiteral(" GROUP BY ") + article +
            QStringLiteral(") AS G UNION ALL SELECT 1, '', ?, COUNT(*), ") + summed +
            QStringLiteral(" FROM ") + SqlIdent(m_resultTable.name()),
        {NoArticleText, QStringLiteral("جمع كل")});
}

void TAssetRegisterForm::makeTotals()
{
    makeTotalsTable();
    quTotals->open(QStringLiteral("SELECT * FROM ") + SqlIdent(m_totalsTable) +
                   QStringLiteral(" ORDER BY Grand, MadehCod"));
}

void TAssetRegisterForm::clearResult()
{
    quRegister->close();
    quTotals->close();
    m_shownDate.clear();
    try {
        m_resultTable.clear();
        m_connection->dialect().dropTempTable(m_resultTable.name());
        m_connection->dialect().dropTempTable(m_totalsTable);
    } catch (const DatabaseError&) {
        // Nothing shown either way.
    }
}

bool TAssetRegisterForm::ShowRegister()
{
    if (m_connection == nullptr || m_resultTable.isEmpty() || !m_settings)
        return false;
    const QString date = checkedDate();
    if (date.isEmpty())
        return false;
    // The codes in their stored form, the asset codes known, each range the right way up.
    const QList<RangeCodeBoxes::Box>& boxes = m_codeBoxes->boxes();
    try {
        for (const RangeCodeBoxes::Box& c : boxes) {
            const QString typed = RangeCodeBoxes::Widen(c);
            if (c.asset && !typed.isEmpty() &&
                !m_connection
                     ->select(QStringLiteral("SELECT 1 FROM D_Amval WHERE DaraCod IN (?, ?)"),
                              {c.edit->text(), typed})
                     .next()) {
                refuse(NoAssetText, c.edit);
                return false;
            }
        }
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        return false;
    }
    for (qsizetype i = 0; i + 1 < boxes.size(); i += 2) {
        const QString from = boxes.at(i).edit->text();
        const QString to = boxes.at(i + 1).edit->text();
        if (!from.trimmed().isEmpty() && !to.trimmed().isEmpty() && from > to) {
            refuse(UpsideDownText, boxes.at(i).edit);
            return false;
        }
    }
    QString states;
    if (cbInUse->isChecked())
        states += QLatin1Char('U');
    if (cbSetAside->isChecked())
        states += QLatin1Char('T');
    if (cbRetired->isChecked())
        states += QLatin1Char('R');
    if (cbSold->isChecked())
        states += QLatin1Char('S');
    if (states.isEmpty()) {
        ShowMessageDlg(QStringLiteral("هيچ وضعيتي انتخاب نشده است."), QString(),
                       QStringLiteral("1ER"));
        cbInUse->setFocus();
        return false;
    }
    clearResult();
    lbStatus->clear();
    // The call for assets `first` to `last`.
    const auto arguments = [&](const QString& first, const QString& last) {
        QStringList list{date, first, last};
        for (qsizetype i = 2; i < boxes.size(); ++i)
            list << boxes.at(i).edit->text();
        return list << states << m_resultTable.name();
    };
    // The rows of assets `first` to `last` go into the work table (made by the first
    // call), numbered on from those before; how many came.
    const auto call = [&](const QString& first, const QString& last) {
        return m_connection->callProcedure(kProcedure, arguments(first, last))
            .value(QStringLiteral("Count"))
            .toInt();
    };
    try {
        // The first screen's assets of the range in code order, and whether more follow:
        // those are shown at once, the rest read in one go after them.
        QStringList codes;
        {
            QStringList terms{QStringLiteral("1 = 1")};
            QVariantList values;
            if (!FrDaraCod->text().trimmed().isEmpty()) {
                terms << QStringLiteral("DaraCod >= ?");
                values << FrDaraCod->text();
            }
            if (!ToDaraCod->text().trimmed().isEmpty()) {
                terms << QStringLiteral("DaraCod <= ?");
                values << ToDaraCod->text();
            }
            QSqlQuery q = m_connection->select(
                QStringLiteral("SELECT DaraCod FROM D_Amval WHERE ") +
                    terms.join(QStringLiteral(" AND ")) +
                    QStringLiteral(" ORDER BY DaraCod LIMIT ") + QString::number(FirstScreen() + 1),
                values);
            while (q.next())
                codes << q.value(0).toString();
        }
        const qsizetype first = std::min<qsizetype>(FirstScreen(), codes.size());
        m_rowsIn = first > 0 ? call(codes.first(), codes.at(first - 1))
                             : call(FrDaraCod->text(), ToDaraCod->text());
        quRegister->open(QStringLiteral("SELECT * FROM ") + SqlIdent(m_resultTable.name()) +
                         QStringLiteral(" ORDER BY IDX"));
        if (FirstScreenShown)
            FirstScreenShown();
        if (codes.size() > first) {
            lbStatus->setText(QStringLiteral("در حال خواندن داراييها ..."));
            // The window comes up only when the reading takes long, with the steps the
            // reading tells.
            std::unique_ptr<TWorkProgress> progress;
            {
                ProgressScope scope(*m_connection, [&](qint64 done, qint64 total) {
                    if (!progress)
                        progress = std::make_unique<TWorkProgress>(
                            this, Caption + QStringLiteral(": لطفا صبر كنيد"), total);
                    return progress->step(done);
                });
                m_rowsIn += call(codes.at(first), ToDaraCod->text());
            }
            progress.reset();
            // The rest of the rows, the grid staying where the clerk put it.
            const int at = quRegister->recNo();
            quRegister->requery();
            if (at > 1)
                quRegister->moveBy(at - quRegister->recNo());
        }
        makeTotals();
        // Made again by one call over the whole range (the rows numbered as the two
        // calls numbered them), with its sums, when the server session went.
        m_resultTable.madeBy([this, whole = arguments(FrDaraCod->text(), ToDaraCod->text())] {
            m_connection->callProcedure(kProcedure, whole);
            makeTotalsTable();
        });
    } catch (const DatabaseError& e) {
        clearResult();
        if (e.kind() == DatabaseError::Kind::Cancelled)
            lbStatus->setText(StoppedText);
        else
            ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        EDay->setFocus();
        return false;
    }
    m_shownDate = date;
    lbStatus->setText(m_rowsIn == 0 ? NothingText : CountText(m_rowsIn));
    dbgRegister->setFocus();
    return true;
}

void TAssetRegisterForm::moveOn(QLineEdit* edit)
{
    if (!FocusNextBox(EnterOrder(), edit))
        ShowRegister();
}
