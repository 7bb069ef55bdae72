#include "reportrows.h"

#include "accountpicklists.h"
#include "assetpicklists.h"
#include "boxwalk.h"
#include "chartofaccounts.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "gridexport.h"
#include "hostcontext.h"
#include "messages.h"
#include "persiantext.h"
#include "picklist.h"
#include "settings.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include "amvalgardaniunit.h"
#include "asasechangeunit.h"
#include "barkenardunit.h"
#include "barkenarmunit.h"
#include "buycreateunit.h"
#include "changevezaratunit.h"
#include "daraereduceunit.h"
#include "firsttadilunit.h"
#include "foroshdayehunit.h"
#include "kenardunit.h"
#include "kenarmunit.h"
#include "soulationchangeunit.h"
#include "tahvilantegalunit.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <algorithm>
#include <cmath>

void FillReportTable(DbConnection& connection, const QString& name, const QStringList& columns,
                     const QList<QVariantList>& rows)
{
    const Dialect& dialect = connection.dialect();
    dialect.dropTempTable(name);
    connection.execute(dialect.createTempTable(name) + QStringLiteral(" (IDX INTEGER, ") +
                       columns.join(QStringLiteral(", ")) + QLatin1Char(')'));
    // Many rows a statement: a card of a thousand vouchers is a few round trips.
    constexpr qsizetype kRowsPerInsert = 50;
    const QString row =
        QStringLiteral("(?") + QStringLiteral(", ?").repeated(columns.size()) + QLatin1Char(')');
    for (qsizetype from = 0; from < rows.size(); from += kRowsPerInsert) {
        const qsizetype count = std::min(kRowsPerInsert, rows.size() - from);
        QVariantList values;
        for (qsizetype r = from; r < from + count; ++r)
            values << int(r + 1) << rows.at(r);
        connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(name) +
                               QStringLiteral(" VALUES ") +
                               QStringList(count, row).join(QStringLiteral(", ")),
                           values);
    }
}

ReportTable::ReportTable() = default;
ReportTable::~ReportTable() = default;

void ReportTable::start(DbConnection& connection, const QString& name)
{
    m_connection = &connection;
    m_name = name;
    m_watch = std::make_unique<SessionWatch>(connection, [this] { remake(); });
}

void ReportTable::fill(const QStringList& columns, const QList<QVariantList>& rows)
{
    FillReportTable(*m_connection, m_name, columns, rows);
    m_make = [this, columns, rows] { FillReportTable(*m_connection, m_name, columns, rows); };
}

void ReportTable::madeFrom(const QString& saved)
{
    m_make = [this, saved] { CopySavedReport(*m_connection, m_name, saved); };
}

void ReportTable::madeBy(std::function<void()> make)
{
    m_make = [this, make = std::move(make)] {
        m_connection->dialect().dropTempTable(m_name);
        make();
    };
}

void ReportTable::clear()
{
    m_make = nullptr;
}

void ReportTable::remake()
{
    if (m_make)
        m_make();
}

TVoucherForm* NewVoucherWindow(VoucherKindId kind)
{
    switch (kind) {
    case VoucherKindId::BuyCreate:
        return new TBuyCreateForm();
    case VoucherKindId::AsaseChange:
        return new TAsaseChangeForm();
    case VoucherKindId::FirstTadil:
        return new TFirstTadilForm();
    case VoucherKindId::ForoshDaymeh:
        return new TForoshDayehForm();
    case VoucherKindId::DaraeReduce:
        return new TDaraeReduceForm();
    case VoucherKindId::KenarM:
        return new TKenarMForm();
    case VoucherKindId::KenarD:
        return new TKenarDForm();
    case VoucherKindId::TahvilAntegal:
        return new TTahvilAntegalForm();
    case VoucherKindId::SoulationChange:
        return new TSoulationChangeForm();
    case VoucherKindId::ChangeVezArat:
        return new TChangeVezAratForm();
    case VoucherKindId::BarKenarM:
        return new TBarKenarMForm();
    case VoucherKindId::BarKenarD:
        return new TBarKenarDForm();
    case VoucherKindId::Gardani:
        return new TAmvalGardaniForm();
    }
    return nullptr;
}

TVoucherForm* OpenVoucherWindow(TAmvalForm* like, const QString& table, const QString& number)
{
    const VoucherKind* kind = FindVoucherKindByTable(table);
    if (kind == nullptr || number.trimmed().isEmpty())
        return nullptr;
    TVoucherForm* form = NewVoucherWindow(kind->id);
    if (form == nullptr)
        return nullptr;
    if (like != nullptr)
        like->CoverWith(form);
    else
        form->show();
    form->SanadID->setText(number.trimmed());
    form->LoadVoucher();
    return form;
}

namespace {
QLocale Grouped()
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::DefaultNumberOptions);
    return locale;
}
} // namespace

QString AmountText(double value)
{
    const double whole = std::round(value);
    if (std::abs(value - whole) < 0.005)
        return Grouped().toString(qlonglong(whole));
    return Grouped().toString(value, 'f', 2);
}

std::optional<QString> PickRangeCode(DbConnection& connection, const TCompanySettings& settings,
                                     const QString& column, const QString& current)
{
    const auto code = [](const auto& choice) {
        return choice ? std::optional<QString>(choice->code) : std::nullopt;
    };
    if (column == QLatin1String("MakanCod"))
        return code(Pick(PickLocation(current)));
    if (column == QLatin1String("VezCod"))
        return code(Pick(PickTaxGroup(current)));
    if (column == QLatin1String("VazCod"))
        return code(Pick(PickAssetCondition(current)));
    if (column == QLatin1String("DaraCod"))
        return code(Pick(PickAsset(settings, current)));
    if (column == QLatin1String("PersonelCod"))
        return code(Pick(PickRecipient(connection, settings, current)));
    if (column == QLatin1String("MabadiCod"))
        return code(Pick(PickDeliverySource(settings, current)));
    AccountCodes codes;
    codes.tafsily2 = current;
    PickList<TChosenAccount> list = PickTafsily2(connection, Global->UserID, codes, QString(),
                                                 settings.LenCodGrohTafsily2, settings);
    list.shown.caption = settings.NAMTAFSILY2;
    const std::optional<TChosenAccount> account = Pick(list);
    return account ? std::optional<QString>(account->codes.tafsily2) : std::nullopt;
}

RangeCodeBoxes::RangeCodeBoxes(QObject* parent, DbConnection* connection,
                               std::function<void(QLineEdit*)> moveOn)
    : QObject(parent), m_connection(connection), m_moveOn(std::move(moveOn))
{}

void RangeCodeBoxes::add(QLineEdit* from, QLineEdit* to, const QString& column)
{
    for (QLineEdit* edit : {from, to}) {
        m_boxes.append({edit, column, column == QLatin1String("DaraCod")});
        edit->installEventFilter(this);
    }
}

void RangeCodeBoxes::readWidths()
{
    const Dialect& dialect = m_connection->dialect();
    for (Box& box : m_boxes) {
        box.width = dialect.columnWidth(box.column == QLatin1String("MabadiCod")
                                            ? QStringLiteral("D_Mabadi")
                                            : QStringLiteral("D_Amval"),
                                        box.column);
        if (box.width > 0)
            box.edit->setMaxLength(box.width);
    }
}

QString RangeCodeBoxes::Widen(const Box& box)
{
    const QString typed = LatinDigits(box.edit->text()).trimmed();
    // An empty box stays empty: widened, a code with no zero fill would be blanks.
    box.edit->setText(typed.isEmpty() ? typed : WidenCode(box.column, typed, box.width));
    return typed;
}

bool RangeCodeBoxes::confirm(const Box& box)
{
    if (m_settings == nullptr)
        return true;
    Widen(box);
    std::optional<QString> chosen;
    try {
        chosen = PickRangeCode(*m_connection, *m_settings, box.column, box.edit->text());
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        return false;
    }
    box.edit->setFocus();
    if (!chosen)
        return false;
    box.edit->setText(*chosen);
    return true;
}

bool RangeCodeBoxes::eventFilter(QObject* watched, QEvent* event)
{
    const auto box = std::find_if(m_boxes.cbegin(), m_boxes.cend(),
                                  [watched](const Box& b) { return b.edit == watched; });
    if (box == m_boxes.cend())
        return false;
    if (event->type() == QEvent::MouseButtonDblClick) {
        confirm(*box);
        return true;
    }
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // An empty box leaves its end of the range open; a typed code is confirmed in
        // its list before the cursor moves on.
        if (!box->edit->text().trimmed().isEmpty() && !confirm(*box))
            return true;
        m_moveOn(box->edit);
        return true;
    }
    const QString rule = m_settings == nullptr ? QString()
                         : box->asset          ? m_settings->TYPEDARACOD
                                               : m_settings->TYPESARFASLCOD;
    return FilterBoxKey(box->edit, key, rule);
}

void NameRange(QLabel* label, QWidget* from, QWidget* to)
{
    label->setBuddy(from);
    const QString text = label->text().trimmed();
    const QString fromWord = QStringLiteral("از");
    to->setAccessibleName(QStringLiteral("تا ") +
                          (text.startsWith(fromWord) ? text.mid(fromWord.size()).trimmed() : text));
}

void GroupAmounts(DataSet& ds)
{
    for (int f = 0; f < ds.fieldCount(); ++f) {
        DataField* field = ds.field(f);
        if (field->kind() == DataField::Kind::Float)
            field->setDisplayFormat(QStringLiteral("###,###,###,###,##0.###"));
    }
}

DbGrid* ReadOnlyReportGrid(QWidget* parent, QObject* owner, DbConnection* connection,
                           const QString& name, DataSet*& data)
{
    data = new DataSet(connection, owner);
    data->setObjectName(QStringLiteral("qu") + name);
    data->setReadOnly(true);
    data->beforeDelete = [](DataSet&) { DataSet::Abort(); };
    data->afterOpen = [](DataSet& ds) { GroupAmounts(ds); };
    auto* grid = new DbGrid(parent);
    grid->setObjectName(QStringLiteral("dbg") + name);
    grid->setLayoutDirection(Qt::RightToLeft);
    grid->setEditingEnabled(false);
    grid->setDataSet(data);
    return grid;
}
