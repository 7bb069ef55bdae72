#include "countreconcileunit.h"

#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "hostcontext.h"
#include "kenarmunit.h"
#include "messages.h"
#include "reportgrid.h"
#include "sqlquote.h"
#include "tahvilantegalunit.h"
#include "vouchercolumns.h"

#include <QAction>
#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kCaption = QStringLiteral("مغايرت شمارش با دفتر دارايي");

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

} // namespace

QString TCountReconcileForm::GroupCaption(int group)
{
    switch (group) {
    case Matched:
        return QStringLiteral("شمارش شده، مطابق دفتر");
    case Elsewhere:
        return QStringLiteral("شمارش شده، در دفتر در مکان يا نزد تحويل گيرنده ديگر");
    case NotCounted:
        return QStringLiteral("در دفتر در اين مکان، شمارش نشده");
    default:
        return QStringLiteral("کد شمارش شده دارايي نيست");
    }
}

TCountReconcileForm::TCountReconcileForm(const QString& countTable, const QString& place,
                                         const QString& person, const QString& date,
                                         const QString& number, QWidget* parent)
    : TAmvalForm(kCaption + QStringLiteral(" - سند ") + number, parent), m_countTable(countTable),
      m_place(place), m_person(person), m_date(date), m_number(number)
{
    setObjectName(QStringLiteral("CountReconcileForm"));
    quReconcile = new DataSet(MyDatabase->Connection, this);
    quReconcile->setObjectName(QStringLiteral("quReconcile"));
    quReconcile->setReadOnly(true);
    dbgReconcile = new DbGrid(ClientPanel);
    dbgReconcile->setObjectName(QStringLiteral("dbgReconcile"));
    dbgReconcile->setLayoutDirection(Qt::RightToLeft);
    dbgReconcile->setDataSet(quReconcile);
    clientLayout()->addWidget(dbgReconcile, 1);

    auto* buttons = new QHBoxLayout;
    cmdTransfer = new QPushButton(QStringLiteral("سند تحويل/انتقال پيشنهادي"), ClientPanel);
    cmdTransfer->setObjectName(QStringLiteral("cmdTransfer"));
    cmdSetAside = new QPushButton(QStringLiteral("سند کنارگذاري موقت پيشنهادي"), ClientPanel);
    cmdSetAside->setObjectName(QStringLiteral("cmdSetAside"));
    buttons->addWidget(cmdTransfer);
    buttons->addWidget(cmdSetAside);
    buttons->addStretch(1);
    clientLayout()->addLayout(buttons);

    reload();
    ReportGrid = new TReportGrid(dbgReconcile, this);
    ReportGrid->setSProg(QStringLiteral("D"));
    ReportGrid->setSItem(QStringLiteral("ASNAD"));
    ReportGrid->setSForm(QStringLiteral("GARDANI_MOGHAYERAT"));
    ReportGrid->setTitle(kCaption + QStringLiteral(" - سند اموال گرداني شماره ") + number);
    ReportGrid->setKeyColumn(VoucherColumn::DaraCod);
    ReportGrid->setRowColumn(QStringLiteral("IDX"));
    // The proposals are on the report's menu as well, after its own items.
    miTransfer = new QAction(cmdTransfer->text(), this);
    miTransfer->setObjectName(QStringLiteral("miTransfer"));
    miSetAside = new QAction(cmdSetAside->text(), this);
    miSetAside->setObjectName(QStringLiteral("miSetAside"));
    ReportGrid->Menu()->addSeparator();
    ReportGrid->Menu()->addAction(miTransfer);
    ReportGrid->Menu()->addAction(miSetAside);
    connect(cmdTransfer, &QPushButton::clicked, this, [this] { ProposeTransfer(); });
    connect(miTransfer, &QAction::triggered, this, [this] { ProposeTransfer(); });
    connect(cmdSetAside, &QPushButton::clicked, this, [this] { ProposeSetAside(); });
    connect(miSetAside, &QAction::triggered, this, [this] { ProposeSetAside(); });
    updateButtons();
}

TCountReconcileForm::~TCountReconcileForm()
{
    dbgReconcile->setDataSet(nullptr);
}

void TCountReconcileForm::reload()
{
    DbConnection* connection = MyDatabase->Connection;
    const Dialect& dialect = connection->dialect();
    const QString count = SqlIdent(m_countTable);
    // The count's codes as the register keeps them, so that the register is read by
    // its key.
    const QString counted = dialect.padLeftExpression(
        QStringLiteral("trim(T.DaraCod)"),
        dialect.columnWidth(QStringLiteral("D_Amval"), VoucherColumn::DaraCod));
    const QString here = QStringLiteral("trim(COALESCE(A.MakanCod, '')) = ? AND "
                                        "trim(COALESCE(A.PersonelCod, '')) = ?");
    QString captions = QStringLiteral("CASE R.Groh");
    for (int group : {Matched, Elsewhere, NotCounted, NoAsset})
        captions += QStringLiteral(" WHEN ") + QString::number(group) + QStringLiteral(" THEN ") +
                    SqlQuote(GroupCaption(group)); // our own texts, not the user's
    captions += QStringLiteral(" END");
    const QString sql =
        QStringLiteral("SELECT ROW_NUMBER() OVER (ORDER BY R.Groh, R.DaraCod) AS IDX, ") +
        captions +
        QStringLiteral(
            " AS GrohNam, R.DaraCod, R.DaraNam, R.MakanCod, M.MakanNam, R.PersonelCod, "
            "P.\"Name\" || ' ' || P.Family AS PersonelNam, R.Groh, R.VazCod, R.Tafsily2 FROM ("
            "SELECT CASE WHEN A.DaraCod IS NULL THEN 4 WHEN ") +
        here +
        QStringLiteral(" THEN 1 ELSE 2 END AS Groh, T.DaraCod, COALESCE(A.DaraNam, '') AS "
                       "DaraNam, A.MakanCod, A.PersonelCod, A.VazCod, A.Tafsily2 FROM ") +
        count + QStringLiteral(" AS T LEFT JOIN D_Amval AS A ON A.DaraCod = ") + counted +
        QStringLiteral(" WHERE trim(COALESCE(T.DaraCod, '')) <> '' UNION ALL SELECT 3, "
                       "A.DaraCod, A.DaraNam, A.MakanCod, A.PersonelCod, A.VazCod, A.Tafsily2 "
                       "FROM D_Amval AS A WHERE ") +
        here +
        QStringLiteral(" AND trim(COALESCE(A.KenarDate, '')) = '' AND NOT EXISTS (SELECT 1 FROM ") +
        count +
        QStringLiteral(
            " AS C WHERE trim(C.DaraCod) = trim(A.DaraCod)) AND NOT EXISTS (SELECT 1 FROM "
            "D_ForoshDaymeh AS F WHERE trim(F.DaraCod) = trim(A.DaraCod)) AND NOT EXISTS "
            "(SELECT 1 FROM D_KenarD AS K WHERE trim(K.DaraCod) = trim(A.DaraCod) AND NOT "
            "EXISTS (SELECT 1 FROM D_BarKenarD AS B WHERE trim(B.DaraCod) = trim(K.DaraCod)))"
            ") AS R LEFT JOIN D_Makan AS M ON trim(M.MakanCod) = trim(R.MakanCod) LEFT JOIN "
            "Person AS P ON trim(P.Code) = trim(R.PersonelCod) ORDER BY R.Groh, R.DaraCod");
    quReconcile->open(sql, {m_place, m_person, m_place, m_person});
    dbgReconcile->setColumns(
        {DbGridColumn::Make(QStringLiteral("IDX"), QStringLiteral("رديف"), 40),
         DbGridColumn::Make(QStringLiteral("GrohNam"), QStringLiteral("وضعيت"), 260),
         DbGridColumn::Make(VoucherColumn::DaraCod, QStringLiteral("دارايي"), 70),
         DbGridColumn::Make(QStringLiteral("DaraNam"), QStringLiteral("نام دارايي"), 220),
         DbGridColumn::Make(QStringLiteral("MakanCod"), QStringLiteral("مکان در دفتر"), 70),
         DbGridColumn::Make(QStringLiteral("MakanNam"), QStringLiteral("نام مکان"), 150),
         DbGridColumn::Make(QStringLiteral("PersonelCod"), QStringLiteral("تحويل گيرنده در دفتر"),
                            90),
         DbGridColumn::Make(QStringLiteral("PersonelNam"), QStringLiteral("نام تحويل گيرنده"),
                            150)});
}

QStringList TCountReconcileForm::Assets(int group) const
{
    QStringList assets;
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
    for (int row = 0; row < quReconcile->recordCount(); ++row) {
        if (Field(quReconcile, row, QStringLiteral("Groh")).toInt() == group)
            rows << make(row);
    }
    return rows;
}

void TCountReconcileForm::updateButtons()
{
    cmdTransfer->setEnabled(!Assets(Elsewhere).isEmpty());
    miTransfer->setEnabled(cmdTransfer->isEnabled());
    cmdSetAside->setEnabled(!Assets(NotCounted).isEmpty());
    miSetAside->setEnabled(cmdSetAside->isEnabled());
}

TTahvilAntegalForm* TCountReconcileForm::ProposeTransfer()
{
    // Each asset goes to the person and the location that counted it; its condition
    // and cost centre stay the register's. The form number is the user's to type.
    const QList<QVariantMap> rows = rowsOf(Elsewhere, [this](int row) {
        return QVariantMap{
            {VoucherColumn::DaraCod, Field(quReconcile, row, VoucherColumn::DaraCod)},
            {QStringLiteral("PersonelCod"), m_person},
            {QStringLiteral("MakanCod"), m_place},
            {VoucherColumn::VazCod, Field(quReconcile, row, VoucherColumn::VazCod)},
            {VoucherColumn::Tafsily2, Field(quReconcile, row, VoucherColumn::Tafsily2)},
            {VoucherColumn::AmvalDes, QStringLiteral("اموال گرداني ") + m_number}};
    });
    return Propose<TTahvilAntegalForm>(this, rows, m_date);
}

TKenarMForm* TCountReconcileForm::ProposeSetAside()
{
    // Assets not found are taken out of use; where they are kept is the user's to say.
    const QList<QVariantMap> rows = rowsOf(NotCounted, [this](int row) {
        return QVariantMap{
            {VoucherColumn::DaraCod, Field(quReconcile, row, VoucherColumn::DaraCod)},
            {VoucherColumn::VazCod, Field(quReconcile, row, VoucherColumn::VazCod)},
            {VoucherColumn::Tafsily2, Field(quReconcile, row, VoucherColumn::Tafsily2)},
            {VoucherColumn::AmvalDes, QStringLiteral("اموال گرداني ") + m_number}};
    });
    return Propose<TKenarMForm>(this, rows, m_date);
}
