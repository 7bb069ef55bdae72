#include "countreconcileunit.h"

#include "boxwalk.h"
#include "commandquery.h"
#include "context/global.h"
#include "context/mydatabase.h"
#include "context/tempgridform.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datetrio.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "jalalidate.h"
#include "kenarmunit.h"
#include "messages.h"
#include "persiantext.h"
#include "reportgrid.h"
#include "reportrows.h"
#include "settings.h"
#include "sqlquote.h"
#include "tahvilantegalunit.h"
#include "vouchercolumns.h"
#include "voucherkinds.h"

#include <QAction>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("مغايرت شمارش با دفتر دارايي");
const QString kFirstDate = QStringLiteral("1300/01/01");
const QString kLastDate = QStringLiteral("9999/99/99");
const QString kMakanCod = QStringLiteral("MakanCod");
const QString kPersonelCod = QStringLiteral("PersonelCod");

QString Field(const DataSet* ds, int row, const QString& name)
{
    return ds->value(row, ds->fieldByName(name)->index()).toString();
}

// Opens a voucher window of its own, as large as `like`, and proposes `rows` in it.
template <class Form>
Form* Propose(QWidget* like, const QList<QVariantMap>& rows, const QString& date)
{
    if (rows.isEmpty())
        return nullptr;
    auto* form = new Form();
    form->resize(like->size());
    form->move(like->mapToGlobal(QPoint(0, 0)));
    form->show();
    try {
        if (form->ProposeRows(rows, date))
            return form;
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
    form->close();
    return nullptr;
}

// "(<expression> >= ? AND <expression> <= ?)" for the ends given, "1 = 1" for none.
QString InRange(const QString& expression, const QString& from, const QString& to,
                QVariantList& values)
{
    QStringList parts;
    if (!from.trimmed().isEmpty()) {
        parts << expression + QStringLiteral(" >= ?");
        values << from;
    }
    if (!to.trimmed().isEmpty()) {
        parts << expression + QStringLiteral(" <= ?");
        values << to;
    }
    return parts.isEmpty()
               ? QStringLiteral("1 = 1")
               : QLatin1Char('(') + parts.join(QStringLiteral(" AND ")) + QLatin1Char(')');
}

} // namespace

QString TCountReconcileForm::GroupCaption(int group)
{
    switch (group) {
    case Matched:
        return QStringLiteral("شمارش شده، مطابق دفتر");
    case Elsewhere:
        return QStringLiteral("شمارش شده در مکاني جز مکان دفتر");
    case OtherHolder:
        return QStringLiteral("شمارش شده در مکان دفتر، نزد تحويل گيرنده ديگر");
    case NotCounted:
        return QStringLiteral("در دفتر در مکان شمارش شده، شمارش نشده");
    case MovedSince:
        return QStringLiteral("شمارش شده، پس از شمارش با سند ديگري جابجا شده");
    default:
        return QStringLiteral("کد شمارش شده دارايي نيست");
    }
}

TCountReconcileForm::TCountReconcileForm(const QString& countTable, const QString& place,
                                         const QString& person, const QString& date,
                                         const QString& number, QWidget* parent)
    : TAmvalForm(kCaption, parent), m_countTable(countTable), m_place(place.trimmed()),
      m_person(person.trimmed()), m_date(date), m_number(number.trimmed())
{
    setObjectName(QStringLiteral("CountReconcileForm"));
    DbConnection* connection = MyDatabase->Connection;
    if (Global != nullptr) {
        DataSet options(connection);
        m_settings = ReadCompanySettings(options, Global->CompanyCode + Global->FiscalYear);
    }

    // The choice: places and count dates, each a range.
    auto* criteria = new QWidget(ClientPanel);
    auto* grid = new QGridLayout(criteria);
    grid->setContentsMargins(8, 6, 8, 4);
    grid->setHorizontalSpacing(8);
    const auto box = [criteria](const QString& name, int width) {
        auto* edit = new QLineEdit(criteria);
        edit->setObjectName(name);
        edit->setFixedWidth(width);
        return edit;
    };
    const auto trio = [&](const QString& prefix, QLineEdit*& day, QLineEdit*& month,
                          QLineEdit*& year) {
        auto* holder = new QWidget(criteria);
        auto* line = new QHBoxLayout(holder);
        line->setContentsMargins(0, 0, 0, 0);
        line->setSpacing(2);
        day = box(prefix + QStringLiteral("Day"), 28);
        month = box(prefix + QStringLiteral("Month"), 28);
        year = box(prefix + QStringLiteral("Year"), 44);
        for (QLineEdit* part : {day, month, year}) {
            part->setParent(holder);
            line->addWidget(part);
        }
        line->addStretch(1);
        return holder;
    };
    FrMakanCod = box(QStringLiteral("FrMakanCod"), 110);
    ToMakanCod = box(QStringLiteral("ToMakanCod"), 110);
    QWidget* fromDate = trio(QStringLiteral("Fr"), FrDay, FrMonth, FrYear);
    QWidget* toDate = trio(QStringLiteral("To"), ToDay, ToMonth, ToYear);
    const QString to = QStringLiteral("تا");
    auto* placeLabel = new QLabel(QStringLiteral("از مکان استقرار"), criteria);
    NameRange(placeLabel, FrMakanCod, ToMakanCod);
    grid->addWidget(placeLabel, 0, 0);
    grid->addWidget(FrMakanCod, 0, 1);
    grid->addWidget(new QLabel(to, criteria), 0, 2);
    grid->addWidget(ToMakanCod, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("از تاريخ شمارش"), criteria), 1, 0);
    grid->addWidget(fromDate, 1, 1);
    grid->addWidget(new QLabel(to, criteria), 1, 2);
    grid->addWidget(toDate, 1, 3);
    grid->setColumnStretch(4, 1);
    clientLayout()->addWidget(criteria);
    m_places = new RangeCodeBoxes(this, connection, [this](QLineEdit* e) { moveOn(e); });
    m_places->setSettings(&m_settings);
    m_places->add(FrMakanCod, ToMakanCod, kMakanCod);
    m_places->readWidths();
    FrMakanCod->setText(m_place);
    ToMakanCod->setText(m_place);
    m_fromDate = new TDateTrio(FrDay, FrMonth, FrYear, this);
    m_toDate = new TDateTrio(ToDay, ToMonth, ToYear, this);
    m_fromDate->setBlankStaysBlank(true);
    m_toDate->setBlankStaysBlank(true);
    m_fromDate->setCaption(QStringLiteral("از تاريخ شمارش"));
    m_toDate->setCaption(QStringLiteral("تا تاريخ شمارش"));
    if (Global != nullptr) {
        m_fromDate->setDate(Global->StartDate);
        m_toDate->setDate(Global->EndDate);
    }
    connect(m_fromDate, &TDateTrio::commitRequested, this, [this] { moveOn(FrYear); });
    connect(m_toDate, &TDateTrio::commitRequested, this, [this] { moveOn(ToYear); });

    quReconcile = new DataSet(connection, this);
    quReconcile->setObjectName(QStringLiteral("quReconcile"));
    quReconcile->setReadOnly(true);
    dbgReconcile = new DbGrid(ClientPanel);
    dbgReconcile->setObjectName(QStringLiteral("dbgReconcile"));
    dbgReconcile->setLayoutDirection(Qt::RightToLeft);
    dbgReconcile->setEditingEnabled(false);
    dbgReconcile->setDataSet(quReconcile);
    clientLayout()->addWidget(dbgReconcile, 1);

    auto* buttons = new QHBoxLayout;
    cmdTransfer = new QPushButton(QStringLiteral("سند تحويل/انتقال پيشنهادي"), ClientPanel);
    cmdTransfer->setObjectName(QStringLiteral("cmdTransfer"));
    cmdDelivery =
        new QPushButton(QStringLiteral("سند تحويل پيشنهادي به تحويل گيرنده شمارش"), ClientPanel);
    cmdDelivery->setObjectName(QStringLiteral("cmdDelivery"));
    cmdSetAside = new QPushButton(QStringLiteral("سند کنارگذاري موقت پيشنهادي"), ClientPanel);
    cmdSetAside->setObjectName(QStringLiteral("cmdSetAside"));
    for (QPushButton* b : {cmdTransfer, cmdDelivery, cmdSetAside}) {
        b->setAutoDefault(true); // Enter presses the button the focus is on
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    clientLayout()->addLayout(buttons);

    miShow = new QAction(QStringLiteral("نمايش مغايرت"), this);
    miShow->setObjectName(QStringLiteral("miShow"));
    miShow->setShortcut(QKeySequence(Qt::Key_F5));
    miShow->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    addAction(miShow);
    connect(miShow, &QAction::triggered, this, [this] { Reconcile(); });

    reload();
    ReportGrid = new TReportGrid(dbgReconcile, this);
    ReportGrid->setSProg(QStringLiteral("D"));
    ReportGrid->setSItem(QStringLiteral("ASNAD"));
    ReportGrid->setSForm(QStringLiteral("GARDANI_MOGHAYERAT"));
    ReportGrid->setTitle(kCaption);
    ReportGrid->setKeyColumn(VoucherColumn::DaraCod);
    ReportGrid->setRowColumn(QStringLiteral("IDX"));
    // The proposals are on the report's menu as well, after its own items.
    miTransfer = new QAction(cmdTransfer->text(), this);
    miTransfer->setObjectName(QStringLiteral("miTransfer"));
    miDelivery = new QAction(cmdDelivery->text(), this);
    miDelivery->setObjectName(QStringLiteral("miDelivery"));
    miSetAside = new QAction(cmdSetAside->text(), this);
    miSetAside->setObjectName(QStringLiteral("miSetAside"));
    ReportGrid->Menu()->addSeparator();
    ReportGrid->Menu()->addAction(miTransfer);
    ReportGrid->Menu()->addAction(miDelivery);
    ReportGrid->Menu()->addAction(miSetAside);
    connect(cmdTransfer, &QPushButton::clicked, this, [this] { ProposeTransfer(); });
    connect(miTransfer, &QAction::triggered, this, [this] { ProposeTransfer(); });
    connect(cmdDelivery, &QPushButton::clicked, this, [this] { ProposeDelivery(); });
    connect(miDelivery, &QAction::triggered, this, [this] { ProposeDelivery(); });
    connect(cmdSetAside, &QPushButton::clicked, this, [this] { ProposeSetAside(); });
    connect(miSetAside, &QAction::triggered, this, [this] { ProposeSetAside(); });
    updateButtons();
    dbgReconcile->setFocus();
}

TCountReconcileForm::~TCountReconcileForm()
{
    dbgReconcile->setDataSet(nullptr);
}

QList<QLineEdit*> TCountReconcileForm::EnterOrder() const
{
    return {FrMakanCod, ToMakanCod, FrDay, FrMonth, FrYear, ToDay, ToMonth, ToYear};
}

void TCountReconcileForm::Reconcile()
{
    try {
        reload();
    } catch (const DatabaseError& e) {
        quReconcile->close();
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
    updateButtons();
    dbgReconcile->setFocus();
}

void TCountReconcileForm::reload()
{
    DbConnection* connection = MyDatabase->Connection;
    const Dialect& dialect = connection->dialect();
    const int codeWidth = dialect.columnWidth(QStringLiteral("D_Amval"), VoucherColumn::DaraCod);
    const int placeWidth = m_places->boxes().first().width;
    // Codes and places as the register keeps them, so that the register is read by its
    // key and places compare as texts.
    const auto code = [&](const QString& column) {
        return dialect.padLeftExpression(
            QStringLiteral("trim(COALESCE(") + column + QStringLiteral(", ''))"), codeWidth);
    };
    const auto place = [&](const QString& column) {
        return dialect.padLeftExpression(
            QStringLiteral("trim(COALESCE(") + column + QStringLiteral(", ''))"), placeWidth);
    };
    const auto date = [](const QLineEdit* year, const QLineEdit* month, const QLineEdit* day,
                         const QString& none) {
        if (year->text().isEmpty() || month->text().isEmpty() || day->text().isEmpty())
            return none;
        return JalaliJoin(year->text(), month->text(), day->text());
    };
    const QString from = date(FrYear, FrMonth, FrDay, kFirstDate);
    const QString upto = date(ToYear, ToMonth, ToDay, kLastDate);
    const auto padded = [placeWidth](const QString& text) {
        const QString bare = LatinDigits(text).trimmed();
        return bare.isEmpty() || placeWidth <= 0 ? bare : PadLeft(bare, placeWidth);
    };
    const QString fromPlace = padded(FrMakanCod->text());
    const QString toPlace = padded(ToMakanCod->text());

    // Every count row of the dates (the count window's own rows in place of the
    // stored rows of its voucher, with the note a scan left on a row of an asset the
    // register has at another place or holder), each asset once.
    QVariantList values{m_number, from, upto};
    QString rows = QStringLiteral("SELECT ") + code(QStringLiteral("G.DaraCod")) +
                   QStringLiteral(" AS Code, ") + place(QStringLiteral("G.MakanCod")) +
                   QStringLiteral(" AS Place, trim(COALESCE(G.PersonelCod, '')) AS Holder, "
                                  "trim(G.SanadNoAmval) AS Num, G.SDate AS CDate, '' AS Mark FROM "
                                  "D_Gardani "
                                  "AS G WHERE trim(G.SanadNoAmval) <> ? AND G.SDate >= ? AND "
                                  "G.SDate <= ? AND trim(COALESCE(G.DaraCod, '')) <> ''");
    if (!m_countTable.isEmpty() && m_date >= from && m_date <= upto) {
        rows += QStringLiteral(" UNION ALL SELECT ") + code(QStringLiteral("T.DaraCod")) +
                QStringLiteral(", ?, ?, ?, ?, COALESCE(T.ScanMark, '') FROM ") +
                SqlIdent(m_countTable) +
                QStringLiteral(" AS T WHERE trim(COALESCE(T.DaraCod, '')) <> ''");
        values << padded(m_place) << m_person << m_number << m_date;
    }
    QString sql =
        QStringLiteral("WITH CountRows AS (") + rows +
        QStringLiteral("), Counted AS (SELECT Code, MIN(Place) AS Place, MIN(Holder) "
                       "AS Holder, MIN(Num) AS Num, MIN(CDate) AS CDate, MAX(Mark) AS Mark FROM "
                       "CountRows GROUP BY Code), CountedPlaces AS (SELECT DISTINCT "
                       "Place FROM Counted WHERE ") +
        InRange(QStringLiteral("Place"), fromPlace, toPlace, values) + QStringLiteral(") ");

    QString captions = QStringLiteral("CASE R.Groh");
    for (int group : {Matched, Elsewhere, OtherHolder, NotCounted, NoAsset, MovedSince})
        captions += QStringLiteral(" WHEN ") + QString::number(group) + QStringLiteral(" THEN ") +
                    SqlQuote(GroupCaption(group)); // our own texts, not the user's
    captions += QStringLiteral(" END");
    const QString registered = place(QStringLiteral("A.MakanCod"));
    // A voucher dated after the count that moved the asset to a place or a holder: a
    // transfer, a setting aside, a return from either retirement.
    QStringList movedSince;
    for (const VoucherKindId kind : {VoucherKindId::TahvilAntegal, VoucherKindId::KenarM,
                                     VoucherKindId::BarKenarM, VoucherKindId::BarKenarD})
        movedSince << QStringLiteral("EXISTS (SELECT 1 FROM ") +
                          SqlIdent(VoucherKindOf(kind).table) +
                          QStringLiteral(" AS V WHERE V.DaraCod IN (A.DaraCod, trim(A.DaraCod)) "
                                         "AND V.sDate > K.CDate)");
    const QString moved = movedSince.join(QStringLiteral(" OR "));
    sql +=
        QStringLiteral("SELECT ROW_NUMBER() OVER (ORDER BY R.Groh, R.DaraCod) AS IDX, ") +
        captions +
        QStringLiteral(
            " AS GrohNam, R.DaraCod, R.DaraNam, R.CountMakan, CM.MakanNam AS CountMakanNam, "
            "R.CountPerson, CP.\"Name\" || ' ' || CP.Family AS CountPersonNam, R.MakanCod, "
            "M.MakanNam, R.PersonelCod, P.\"Name\" || ' ' || P.Family AS PersonelNam, "
            "R.CountNo, R.CountDate, R.CountMark, R.Groh, R.VazCod, R.Tafsily2 FROM (SELECT "
            "CASE WHEN "
            "A.DaraCod IS NULL THEN 5 WHEN ") +
        registered +
        QStringLiteral(" = K.Place AND trim(COALESCE(A.PersonelCod, '')) = K.Holder THEN 1 WHEN ") +
        moved + QStringLiteral(" THEN 6 WHEN ") + registered +
        QStringLiteral(
            " <> K.Place THEN 2 ELSE 3 END AS Groh, K.Code AS DaraCod, "
            "COALESCE(A.DaraNam, '') AS DaraNam, K.Place AS CountMakan, K.Holder "
            "AS CountPerson, K.Num AS CountNo, K.CDate AS CountDate, K.Mark AS CountMark, "
            "A.MakanCod, "
            "A.PersonelCod, A.VazCod, A.Tafsily2 FROM Counted AS K LEFT JOIN "
            "D_Amval AS A ON A.DaraCod = K.Code WHERE ") +
        InRange(QStringLiteral("K.Place"), fromPlace, toPlace, values) +
        QStringLiteral(" OR (A.DaraCod IS NOT NULL AND ") +
        InRange(registered, fromPlace, toPlace, values) +
        // In use: not set aside, sold, or retired for good without a return.
        QStringLiteral(") UNION ALL SELECT 4, A.DaraCod, A.DaraNam, NULL, NULL, NULL, NULL, NULL, "
                       "A.MakanCod, "
                       "A.PersonelCod, A.VazCod, A.Tafsily2 FROM D_Amval AS A WHERE ") +
        registered +
        QStringLiteral(
            " IN (SELECT Place FROM CountedPlaces) AND trim(COALESCE(A.KenarDate, '')) = '' "
            "AND NOT EXISTS (SELECT 1 FROM Counted AS C WHERE C.Code = A.DaraCod) AND NOT "
            "EXISTS (SELECT 1 FROM D_ForoshDaymeh AS F WHERE F.DaraCod IN (A.DaraCod, "
            "trim(A.DaraCod))) AND NOT EXISTS (SELECT 1 FROM D_KenarD AS KD WHERE KD.DaraCod "
            "IN (A.DaraCod, trim(A.DaraCod)) AND NOT EXISTS (SELECT 1 FROM D_BarKenarD AS B "
            "WHERE trim(B.DaraCod) = trim(KD.DaraCod)))) AS R LEFT JOIN D_Makan AS M ON "
            "trim(M.MakanCod) = trim(R.MakanCod) LEFT JOIN Person AS P ON trim(P.Code) = "
            "trim(R.PersonelCod) LEFT JOIN D_Makan AS CM ON trim(CM.MakanCod) = "
            "trim(R.CountMakan) LEFT JOIN Person AS CP ON trim(CP.Code) = trim(R.CountPerson) "
            "ORDER BY R.Groh, R.DaraCod");
    quReconcile->open(sql, values);
    dbgReconcile->setColumns(
        {DbGridColumn::Make(QStringLiteral("IDX"), QStringLiteral("رديف"), 40),
         DbGridColumn::Make(QStringLiteral("GrohNam"), QStringLiteral("وضعيت"), 290),
         DbGridColumn::Make(VoucherColumn::DaraCod, QStringLiteral("دارايي"), 70),
         DbGridColumn::Make(QStringLiteral("DaraNam"), QStringLiteral("نام دارايي"), 200),
         DbGridColumn::Make(QStringLiteral("CountMakan"), QStringLiteral("مکان شمارش"), 70),
         DbGridColumn::Make(QStringLiteral("CountMakanNam"), QStringLiteral("نام مکان شمارش"), 130),
         DbGridColumn::Make(QStringLiteral("CountPerson"), QStringLiteral("تحويل گيرنده شمارش"),
                            90),
         DbGridColumn::Make(QStringLiteral("CountPersonNam"),
                            QStringLiteral("نام تحويل گيرنده شمارش"), 130),
         DbGridColumn::Make(kMakanCod, QStringLiteral("مکان در دفتر"), 70),
         DbGridColumn::Make(QStringLiteral("MakanNam"), QStringLiteral("نام مکان در دفتر"), 130),
         DbGridColumn::Make(kPersonelCod, QStringLiteral("تحويل گيرنده در دفتر"), 90),
         DbGridColumn::Make(QStringLiteral("PersonelNam"),
                            QStringLiteral("نام تحويل گيرنده در دفتر"), 130),
         DbGridColumn::Make(QStringLiteral("CountNo"), QStringLiteral("سند شمارش"), 60),
         DbGridColumn::Make(QStringLiteral("CountDate"), QStringLiteral("تاريخ شمارش"), 75),
         DbGridColumn::Make(QStringLiteral("CountMark"), QStringLiteral("ملاحظه شمارش"), 160)});
}

QStringList TCountReconcileForm::Assets(int group) const
{
    QStringList assets;
    if (!quReconcile->active())
        return assets;
    for (int row = 0; row < quReconcile->recordCount(); ++row) {
        if (Field(quReconcile, row, QStringLiteral("Groh")).toInt() == group)
            assets << Field(quReconcile, row, VoucherColumn::DaraCod).trimmed();
    }
    return assets;
}

QList<QVariantMap>
TCountReconcileForm::rowsOf(int group, const std::function<QVariantMap(int row)>& make) const
{
    QList<QVariantMap> rows;
    if (!quReconcile->active())
        return rows;
    for (int row = 0; row < quReconcile->recordCount(); ++row) {
        if (Field(quReconcile, row, QStringLiteral("Groh")).toInt() == group)
            rows << make(row);
    }
    return rows;
}

QString TCountReconcileForm::latestCountDate(int group) const
{
    QString latest;
    if (quReconcile->active()) {
        for (int row = 0; row < quReconcile->recordCount(); ++row) {
            const int g = Field(quReconcile, row, QStringLiteral("Groh")).toInt();
            if (group == 0 ? g != NotCounted : g == group)
                latest = std::max(latest, Field(quReconcile, row, QStringLiteral("CountDate")));
        }
    }
    return latest.isEmpty() ? m_date : latest;
}

void TCountReconcileForm::updateButtons()
{
    const std::pair<QPushButton*, QAction*> proposals[] = {
        {cmdTransfer, miTransfer}, {cmdDelivery, miDelivery}, {cmdSetAside, miSetAside}};
    const int groups[] = {Elsewhere, OtherHolder, NotCounted};
    for (int i = 0; i < 3; ++i) {
        const bool any = !Assets(groups[i]).isEmpty();
        proposals[i].first->setEnabled(any);
        if (proposals[i].second != nullptr)
            proposals[i].second->setEnabled(any);
    }
}

TTahvilAntegalForm* TCountReconcileForm::proposeMove(int group)
{
    // Each asset goes to the holder and the place that counted it; its condition and
    // cost centre stay the register's. The form number is the user's to type. The
    // voucher is dated on the last count of its assets.
    const QList<QVariantMap> rows = rowsOf(group, [this](int row) {
        return QVariantMap{
            {VoucherColumn::DaraCod, Field(quReconcile, row, VoucherColumn::DaraCod)},
            {kPersonelCod, Field(quReconcile, row, QStringLiteral("CountPerson")).trimmed()},
            {kMakanCod, Field(quReconcile, row, QStringLiteral("CountMakan")).trimmed()},
            {VoucherColumn::VazCod, Field(quReconcile, row, VoucherColumn::VazCod)},
            {VoucherColumn::Tafsily2, Field(quReconcile, row, VoucherColumn::Tafsily2)},
            {VoucherColumn::AmvalDes,
             QStringLiteral("اموال گرداني ") + Field(quReconcile, row, QStringLiteral("CountNo"))}};
    });
    return Propose<TTahvilAntegalForm>(this, rows, latestCountDate(group));
}

TTahvilAntegalForm* TCountReconcileForm::ProposeTransfer()
{
    return proposeMove(Elsewhere);
}

TTahvilAntegalForm* TCountReconcileForm::ProposeDelivery()
{
    return proposeMove(OtherHolder);
}

TKenarMForm* TCountReconcileForm::ProposeSetAside()
{
    // Assets not found are taken out of use, on the day of the last count; where they
    // are kept is the user's to say.
    const QList<QVariantMap> rows = rowsOf(NotCounted, [this](int row) {
        return QVariantMap{
            {VoucherColumn::DaraCod, Field(quReconcile, row, VoucherColumn::DaraCod)},
            {VoucherColumn::VazCod, Field(quReconcile, row, VoucherColumn::VazCod)},
            {VoucherColumn::Tafsily2, Field(quReconcile, row, VoucherColumn::Tafsily2)},
            {VoucherColumn::AmvalDes, QStringLiteral("اموال گرداني")}};
    });
    return Propose<TKenarMForm>(this, rows, latestCountDate(0));
}

void TCountReconcileForm::moveOn(QLineEdit* edit)
{
    const QList<QLineEdit*> order = EnterOrder();
    if (order.contains(edit) && !FocusNextBox(order, edit))
        Reconcile();
}
