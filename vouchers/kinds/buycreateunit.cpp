#include "buycreateunit.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "endgheimatunit.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "picklist.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSet>
#include <QSqlQuery>

#include <cmath>

const QString TBuyCreateForm::Caption = QStringLiteral("خريد/ساخت");

namespace {

const QString kBoughtTable = QStringLiteral("D_Buy_Create");
// Added to the captions of the purchase's lists.
const QString kBoughtOrMade = QStringLiteral("(خريداري/ساخته شده)");
const QString kNoMethod = QStringLiteral("ندارد");

const QString kEndFee = QStringLiteral("EndFee");
const QString kEsshat = QStringLiteral("Esshat");
const QString kMabadiCod = QStringLiteral("MabadiCod");

} // namespace

TVoucherKind TBuyCreateForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::BuyCreate);
    kind.RecognisesOtherPeriod = false;
    kind.LayoutKey = GridLayoutKeys::BUY_CREATE;
    kind.DataSetName = QStringLiteral("quBuyCreate");
    kind.PrintTitle = QStringLiteral("سند خريد/ساخت شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_BUY_CREATE");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [خريد/ساخت]");
    return kind;
}

TBuyCreateForm::TBuyCreateForm(QWidget* parent) : TVoucherForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("BuyCreateForm"));
    // The companion window is made with the purchase window and goes with it.
    m_endGheimatForm = new TEndGheimatForm(this);
}

TBuyCreateForm::~TBuyCreateForm() = default;

QList<TVoucherColumn> TBuyCreateForm::Columns()
{
    using namespace VoucherColumn;
    const QString chainRule = DGlobal()->TYPESARFASLCOD;
    // The account chain comes with the delivery source: shown, never typed.
    auto chain = [&chainRule](const QString& field, const QString& title, int width) {
        return TVoucherColumn(field, title, width).Fixed().Rule(chainRule);
    };
    return {TVoucherColumn(DaraCod, QStringLiteral("دارايي"), 80)
                .Rule(DGlobal()->TYPEDARACOD)
                .Picks([this] { return pickAsset(); }),
            TVoucherColumn(AmvalDes, QStringLiteral("شرح"), 210),
            // The cost price is the sum of the components typed in their own window;
            // it goes on after the window, not after a refusal.
            TVoucherColumn(kEndFee, QStringLiteral("بهاي تمام شده"), 100)
                .Fixed()
                .Rule(kAmountRule)
                .Picks([this] { return ShowCostComponents() == 2 ? 2 : 1; }),
            // An asset without a depreciation method has no salvage value.
            TVoucherColumn(kEsshat, QStringLiteral("ارزش اسقاط"), 75)
                .Rule(kAmountRule)
                .EditableWhile([this] { return m_raveshEst.trimmed() != kNoMethod; }),
            TVoucherColumn(kMabadiCod, QStringLiteral("مبادي تحويل"), 75)
                .Rule(QStringLiteral("NUM"))
                .Picks([this] { return pickDeliverySource(); }),
            TVoucherColumn(Bargeh, QStringLiteral("برگه"), 45).Ends(),
            chain(Koll, QStringLiteral("كل"), 30), chain(Moein, QStringLiteral("معين"), 35),
            chain(Tafsily, QStringLiteral("تفصيلي"), 55),
            chain(Tafsily2,
                  DGlobal()->NAMTAFSILY2.isEmpty() ? QStringLiteral("تفصيلي 2")
                                                   : DGlobal()->NAMTAFSILY2,
                  55),
            chain(ProjectCod, DGlobal()->NAMPROJECT, 60).Ends()};
}

void TBuyCreateForm::CreateFooter()
{
    EDaraNam = FooterEdit(QStringLiteral("EDaraNam"), 200);
    EMabadiNam = FooterEdit(QStringLiteral("EMabadiNam"), 200);
    EEndFeeSum = FooterEdit(QStringLiteral("EEndFeeSum"), 120, true);
    EEsshatSum = FooterEdit(QStringLiteral("EEsshatSum"), 120, true);
    // Label and edit pairs, four to a line.
    LayOutFooter(QList<std::pair<QLabel*, QLineEdit*>>{
                     {FooterLabel(QStringLiteral("نام دارايي:")), EDaraNam},
                     {FooterLabel(QStringLiteral("مبادي تحويل:")), EMabadiNam},
                     {FooterLabel(QStringLiteral("جمع بهاي تمام شده:")), EEndFeeSum},
                     {FooterLabel(QStringLiteral("جمع ارزش اسقاط:")), EEsshatSum}} +
                 ChainFooter());
}

void TBuyCreateForm::ClearFooter()
{
    TVoucherForm::ClearFooter();
    m_raveshEst.clear();
}

void TBuyCreateForm::ConfigureFields()
{
    for (const QString& name : {QStringLiteral("EndFee"), QStringLiteral("Esshat")}) {
        if (DataField* field = quAsnad->findField(name))
            field->setDisplayFormat(kAmountFormat);
    }
}

void TBuyCreateForm::RefreshFooter()
{
    // The codes as the row stores them: a code typed past its list names itself too.
    const QHash<QString, QString> names = ReadNames(
        ChainNameParts(FieldText(QStringLiteral("Koll")), FieldText(QStringLiteral("Moein")),
                       FieldText(QStringLiteral("Tafsily")), FieldText(QStringLiteral("Tafsily2")),
                       FieldText(QStringLiteral("ProjectCod"))) +
        QList<TNamePart>{AssetPart(QStringLiteral("DaraNam")),
                         AssetPart(QStringLiteral("RaveshEst")),
                         {"MabadiNam", "Select MabadiNam  From D_Mabadi  Where MabadiCod = ",
                          StoredCode(QStringLiteral("MabadiCod"))}});
    ShowChainNames(names);
    EDaraNam->setText(names.value(QStringLiteral("DaraNam")));
    EMabadiNam->setText(names.value(QStringLiteral("MabadiNam")));
    m_raveshEst = names.value(QStringLiteral("RaveshEst"));
}

void TBuyCreateForm::RefreshTotals()
{
    if (!quAsnad->active()) {
        EEndFeeSum->clear();
        EEsshatSum->clear();
        return;
    }
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral("Select Sum(EndFee) As EndFee, Sum(Esshat) As Esshat From ") +
        SqlIdent(TransTableName()));
    const bool row = q.next();
    EEndFeeSum->setText(FormatAmount(row ? AmountText(q.value(0)) : QString()));
    EEsshatSum->setText(FormatAmount(row ? AmountText(q.value(1)) : QString()));
}

void TBuyCreateForm::CreateExtraTables()
{
    DbConnection* connection = MyDatabase->Connection;
    const Dialect& dialect = connection->dialect();
    auto width = [&dialect](const QString& table, const QString& column) {
        const int w = dialect.columnWidth(table, column);
        return QString::number(w > 0 ? w : 50);
    };
    const QString relate = QStringLiteral("D_Buy_Create_Relate_Gheimat");
    if (dialect.tempObjectExists(GheimatTableName()))
        dialect.dropTempTable(GheimatTableName());
    ExecSQL(
        MyDatabase,
        dialect.createTempTable(GheimatTableName()) + QStringLiteral("(SanadNoAmval Varchar(") +
            width(relate, QStringLiteral("SanadNoAmval")) + QStringLiteral("), DaraCod Varchar(") +
            width(relate, VoucherColumn::DaraCod) + QStringLiteral("), GheimatCod Varchar(") +
            width(relate, QStringLiteral("GheimatCod")) + QStringLiteral("), GheimatNam Varchar(") +
            width(QStringLiteral("D_Gheimat"), QStringLiteral("GheimatNam")) +
            QStringLiteral("), sValue Float) "));
    // The components are looked up by asset and component, for every asset of the
    // voucher, each time its date is committed.
    ExecSQL(MyDatabase, QStringLiteral("Create Index ") +
                            SqlIdent(GheimatTableName() + QStringLiteral("_Key")) +
                            QStringLiteral(" On ") + SqlIdent(GheimatTableName()) +
                            QStringLiteral(" (DaraCod, GheimatCod)"));
}

void TBuyCreateForm::RemakeExtraTables()
{
    CreateExtraTables();
    DbConnection* connection = MyDatabase->Connection;
    CommandQuery* open = m_endGheimatForm->quGheimat;
    const bool typing = !m_componentsAsset.isEmpty() && open->active();
    for (const QVariantList& row : std::as_const(m_components)) {
        if (typing && row.at(1).toString() == m_componentsAsset)
            continue;
        connection->execute(QStringLiteral("Insert Into ") + SqlIdent(GheimatTableName()) +
                                QStringLiteral(" (SanadNoAmval, DaraCod, GheimatCod, GheimatNam, "
                                               "sValue) Values (?, ?, ?, ?, ?)"),
                            row);
    }
    if (typing)
        open->rewriteRows();
}

void TBuyCreateForm::keepComponents()
{
    m_components.clear();
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral("Select SanadNoAmval, DaraCod, GheimatCod, GheimatNam, sValue From ") +
        SqlIdent(GheimatTableName()));
    while (q.next())
        m_components << QVariantList{q.value(0), q.value(1), q.value(2), q.value(3), q.value(4)};
}

void TBuyCreateForm::AfterDateCommit()
{
    DbConnection* connection = MyDatabase->Connection;
    const QString table = SqlIdent(GheimatTableName());
    const QString number = SanadNo();
    connection->execute(QStringLiteral("Delete From ") + table);
    connection->execute(
        QStringLiteral("Insert Into ") + table +
            QStringLiteral(" Select R.SanadNoAmval, R.DaraCod, "
                           "R.GheimatCod, G.GheimatNam, R.sValue From "
                           "D_Buy_Create_Relate_Gheimat As R "
                           "Left Outer Join D_Gheimat As G On (R.GheimatCod = G.GheimatCod) "
                           "Where R.SanadNoAmval = ?"),
        {number});
    // Every asset already there gets the components it lacks, with amount 0.
    connection->execute(
        QStringLiteral("Insert Into ") + table +
            QStringLiteral(" Select Distinct ?, Tmp.DaraCod, G.GheimatCod, G.GheimatNam, 0 From ") +
            table + QStringLiteral(" As Tmp, D_Gheimat As G Where Not Exists (Select 1 From ") +
            table +
            QStringLiteral(" As X Where X.DaraCod = Tmp.DaraCod And X.GheimatCod = G.GheimatCod)"),
        {number});
    keepComponents();
}

int TBuyCreateForm::pickAsset()
{
    if (!quAsnad->active())
        return 2;
    // Only assets without a cost price, not bought in another purchase voucher, and
    // put into use on or after the company's start.
    PickList<TChosenAsset> narrowed = PickAssetToBuy(*DGlobal(), FieldText(VoucherColumn::DaraCod),
                                                     PaddedNumber(), CompanyStartDate());
    narrowed.shown.caption += kBoughtOrMade;
    const std::optional<TChosenAsset> chosen = Pick(narrowed);
    dbgAsnad->setFocus();
    return TakePickedAsset(chosen, true);
}

int TBuyCreateForm::pickDeliverySource()
{
    if (!quAsnad->active())
        return 2;
    PickList<TChosenSource> sources =
        PickDeliverySource(*DGlobal(), FieldText(QStringLiteral("MabadiCod")));
    sources.shown.caption += kBoughtOrMade;
    const std::optional<TChosenSource> chosen = Pick(sources);
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    TakeSource(*quAsnad, *chosen);
    RefreshFooter();
    return 1;
}

void TBuyCreateForm::NormaliseRow()
{
    for (const QString& name :
         {VoucherColumn::DaraCod, QStringLiteral("MabadiCod"), QStringLiteral("Koll"),
          QStringLiteral("Moein"), QStringLiteral("Tafsily"), QStringLiteral("Tafsily2"),
          QStringLiteral("ProjectCod")})
        quAsnad->fieldByName(name)->setValue(StoredCode(name));
    DataField* endFee = quAsnad->fieldByName(QStringLiteral("EndFee"));
    endFee->setValue(endFee->asFloat());
    DataField* esshat = quAsnad->fieldByName(QStringLiteral("Esshat"));
    esshat->setValue(esshat->asFloat());
}

TRowRefusal TBuyCreateForm::assetAlreadyBought(const QString& code)
{
    DataSet* q = LookupQuery();
    const QString number = PaddedNumber();
    const QString asset = VoucherColumn::DaraCod;
    q->open(QStringLiteral("Select SanadNoAmval From ") + kBoughtTable +
                QStringLiteral(" Where DaraCod = ?"),
            {code});
    if (!q->isEmpty()) {
        const QString other = q->fieldByName(VoucherColumn::SanadNoAmval)->asString();
        if (PadLeft(other.trimmed(), number.size()) != number) {
            q->close();
            return TRowRefusal::Of(QStringLiteral("اين دارايي در سند ") + other.trimmed() +
                                       QStringLiteral(" خريد/ساخت شده است"),
                                   asset);
        }
    }
    if (Inserting()) {
        q->open(QStringLiteral("Select Count(*) As iCount From ") + SqlIdent(TransTableName()) +
                    QStringLiteral(" Where DaraCod = ?"),
                {code});
        if (q->fieldByName(QStringLiteral("iCount"))->asInteger() >= 1) {
            q->close();
            return TRowRefusal::Of(QStringLiteral("قبلا براي اين دارايي سند خريد/ساخت زده شده است"),
                                   asset);
        }
    }
    q->close();
    return TRowRefusal::Accept();
}

TRowRefusal TBuyCreateForm::CheckRow()
{
    const QString asset = VoucherColumn::DaraCod;
    const QString code = StoredCode(asset);
    const QString number = PaddedNumber();
    const QString date = VoucherDate();
    DataSet* q = LookupQuery();

    if (code.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد دارايي خالي مي باشد."), asset);
    q->open(QStringLiteral("Select RaveshEst, EndValue From D_Amval Where DaraCod = ?"), {code});
    if (q->isEmpty()) {
        q->close();
        return TRowRefusal::Of(QStringLiteral("كد دارايي وجود ندارد."), asset,
                               [this] { return pickAsset(); });
    }
    m_raveshEst = q->fieldByName(QStringLiteral("RaveshEst"))->asString().trimmed();
    const double endValue = q->fieldByName(QStringLiteral("EndValue"))->asFloat();
    q->close();
    if (endValue != 0)
        return TRowRefusal::Of(QStringLiteral("بهاي تمام شده دارايي ثبت شده است"), asset);
    if (TRowRefusal r = assetAlreadyBought(code); r.Refused())
        return r;
    if (TRowRefusal r = AssetStateRefusal(code); r.Refused())
        return r;
    if (quAsnad->fieldByName(kEndFee)->asFloat() == 0)
        return TRowRefusal::Of(QStringLiteral("بهاي تمام شده دارايي صفر مي باشد"), kEndFee);

    const QString sourceCode = StoredCode(kMabadiCod);
    auto pickSource = [this] { return pickDeliverySource(); };
    if (sourceCode.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد مبادي تحويل دارايي خالي مي باشد."), kMabadiCod,
                               pickSource);
    q->open(QStringLiteral("Select MabadiCod From D_Mabadi Where MabadiCod = ?"), {sourceCode});
    const bool found = !q->isEmpty();
    q->close();
    if (!found)
        return TRowRefusal::Of(QStringLiteral("مبادي تحويل دارايي وجود ندارد."), kMabadiCod,
                               pickSource);
    if (FieldText(VoucherColumn::Koll).trimmed().isEmpty() ||
        FieldText(VoucherColumn::Moein).trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("براي مبادي تحويل دارايي سرفصل تعريف نشده است"),
                               kMabadiCod);

    if (TRowRefusal r = CheckFormNumber(QStringLiteral("شماره برگه خريد/ساخت خالي مي باشد."));
        r.Refused())
        return r;

    const QString used = AssetStartDate(code);
    if (!used.isEmpty() && used < date)
        return TRowRefusal::Of(
            QStringLiteral(
                "تاريخ بهره برداري دارايي انتخاب شده از تاريخ خريد/ساخت آن كوچكتر است ."),
            asset);
    return TRowRefusal::Accept();
}

void TBuyCreateForm::AfterRowChecks()
{
    if (m_raveshEst == kNoMethod)
        quAsnad->fieldByName(kEsshat)->setValue(0.0);
}

// The cost price is the sum of the components typed for the row's asset. When the
// clerk puts another asset into a row whose cost was already typed, the components
// go with the cost to the new asset (in place of any the new asset's own list was
// opened with), rather than being dropped as another asset's: the row would then be
// stored with a cost price no component stands behind.
void TBuyCreateForm::followCostToAsset()
{
    const double cost = quAsnad->fieldByName(kEndFee)->asFloat();
    if (cost == 0)
        return;
    DbConnection* connection = MyDatabase->Connection;
    const QString table = SqlIdent(GheimatTableName());
    const QString code = StoredCode(VoucherColumn::DaraCod);
    const auto costOf = [&](const QString& asset) {
        QSqlQuery q = connection->select(QStringLiteral("Select Sum(sValue) From ") + table +
                                             QStringLiteral(" Where DaraCod = ?"),
                                         {asset});
        return q.next() ? q.value(0).toDouble() : 0.0;
    };
    constexpr double kCent = 0.005;
    if (std::abs(costOf(code) - cost) < kCent)
        return;
    // The asset the cost was typed for: the one whose components no row names now
    // that the row is posted.
    QSqlQuery left =
        connection->select(QStringLiteral("Select Distinct DaraCod From ") + table +
                           QStringLiteral(" Where DaraCod Not In (Select DaraCod From ") +
                           SqlIdent(TransTableName()) + QStringLiteral(")"));
    QStringList before;
    while (left.next())
        before << left.value(0).toString();
    if (before.size() != 1 || std::abs(costOf(before.constFirst()) - cost) >= kCent)
        return;
    connection->execute(
        QStringLiteral("Delete From ") + table + QStringLiteral(" Where DaraCod = ?"), {code});
    connection->execute(QStringLiteral("Update ") + table +
                            QStringLiteral(" Set DaraCod = ? Where DaraCod = ?"),
                        {code, before.constFirst()});
    keepComponents();
}

void TBuyCreateForm::BeforeRowDelete()
{
    if (quAsnad->fieldByName(kEndFee)->asFloat() != 0) {
        const QString asset = StoredCode(VoucherColumn::DaraCod);
        MyDatabase->Connection->execute(QStringLiteral("Delete From ") +
                                            SqlIdent(GheimatTableName()) +
                                            QStringLiteral(" Where DaraCod = ?"),
                                        {asset});
        m_components.removeIf(
            [&asset](const QVariantList& row) { return row.at(1).toString() == asset; });
    }
}

void TBuyCreateForm::AfterRowPost()
{
    followCostToAsset();
    ExecSQL(MyDatabase, QStringLiteral("Delete From ") + SqlIdent(GheimatTableName()) +
                            QStringLiteral(" Where DaraCod Not In(Select DaraCod From ") +
                            SqlIdent(TransTableName()) + QStringLiteral(") "));
    if (m_components.isEmpty())
        return;
    // The same in memory: the grid holds the transaction table's rows.
    QSet<QString> assets;
    const int asset = quAsnad->fieldByName(VoucherColumn::DaraCod)->index();
    for (int row = 0; row < quAsnad->recordCount(); ++row)
        assets << quAsnad->value(row, asset).toString();
    m_components.removeIf(
        [&assets](const QVariantList& row) { return !assets.contains(row.at(1).toString()); });
}

int TBuyCreateForm::ShowCostComponents()
{
    if (!GridEditable() || !quAsnad->active())
        return 2;
    DbConnection* connection = MyDatabase->Connection;
    const QString number = PaddedNumber();
    const QString code = StoredCode(VoucherColumn::DaraCod);
    const QString asset = VoucherColumn::DaraCod;
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select BahreDate From D_Amval Where DaraCod = ?"), {code});
    if (q->isEmpty()) {
        q->close();
        ShowRefusal(TRowRefusal::Of(QStringLiteral("کد دارايي ثبت نشده است"), asset));
        GoFirstColumn();
        return 2;
    }
    const QString inUse = q->fieldByName(QStringLiteral("BahreDate"))->asString();
    q->close();
    if (inUse < CompanyStartDate()) {
        ShowRefusal(TRowRefusal::Of(QStringLiteral("بهاي تمام شده دارايي ثبت شده است"), asset));
        return 2;
    }
    if (const TRowRefusal r = assetAlreadyBought(code); r.Refused()) {
        ShowRefusal(r);
        return 2;
    }

    const QString table = SqlIdent(GheimatTableName());
    const QString ofAsset = QStringLiteral(" Where SanadNoAmval = ? And DaraCod = ?");
    const QVariantList numberAndAsset{number, code};
    CommandQuery* components = m_endGheimatForm->quGheimat;
    components->setConnection(connection);
    components->open(
        QStringLiteral("Select * From ") + table + QStringLiteral(" Where DaraCod = ?"), {code});
    if (components->isEmpty()) {
        components->close();
        q->open(QStringLiteral("Select Count(*) As iCount From D_Buy_Create_Relate_Gheimat") +
                    ofAsset,
                numberAndAsset);
        const bool stored = q->fieldByName(QStringLiteral("iCount"))->asInteger() > 0;
        q->close();
        if (stored)
            connection->execute(
                QStringLiteral("Insert Into ") + table +
                    QStringLiteral("(SanadNoAmval, DaraCod, GheimatCod, GheimatNam, sValue) "
                                   "Select BU.SanadNoAmval, BU.DaraCod, BU.GheimatCod, "
                                   "G.GheimatNam, BU.sValue From "
                                   "D_Buy_Create_Relate_Gheimat As Bu "
                                   "Left Outer Join D_Gheimat As G On (G.GheimatCod = "
                                   "BU.GheimatCod) Where BU.SanadNoAmval = ? And BU.DaraCod = ?"),
                numberAndAsset);
        else
            connection->execute(
                QStringLiteral("Insert Into ") + table +
                    QStringLiteral("(SanadNoAmval, DaraCod, GheimatCod, GheimatNam, sValue) "
                                   "Select ? As SanadNoAmval, ? As DaraCod, G.GheimatCod, "
                                   "G.GheimatNam, Cast(0 As Float) As sValue From D_Gheimat As G "
                                   "Order By G.GheimatCod"),
                numberAndAsset);
    } else {
        // Components typed before the number was settled follow the voucher.
        connection->execute(QStringLiteral("Update ") + table +
                                QStringLiteral(" Set SanadNoAmval = ? Where DaraCod = ?"),
                            numberAndAsset);
    }
    components->open(QStringLiteral("Select * From ") + table + ofAsset, numberAndAsset);

    // What the components were, so that Cancel gives back exactly that.
    QList<std::pair<QString, double>> before;
    QSqlQuery stored = connection->select(
        QStringLiteral("Select GheimatCod, sValue From ") + table + ofAsset, numberAndAsset);
    while (stored.next())
        before.append({stored.value(0).toString(), stored.value(1).toDouble()});

    keepComponents();
    m_componentsAsset = code;
    const int result = m_endGheimatForm->exec();
    m_componentsAsset.clear();
    if (components->active() && components->state() != DataSet::State::Browse)
        components->cancel();
    components->close();
    if (result == 1) {
        q->open(QStringLiteral("Select Sum(sValue) As sValue From ") + table + ofAsset,
                numberAndAsset);
        const double sum = q->fieldByName(QStringLiteral("sValue"))->asFloat();
        q->close();
        quAsnad->fieldByName(kEndFee)->setValue(sum);
        RefreshTotals();
    } else {
        for (const auto& [component, value] : before)
            connection->execute(QStringLiteral("Update ") + table +
                                    QStringLiteral(" Set sValue = ?") + ofAsset +
                                    QStringLiteral(" And GheimatCod = ?"),
                                {value, number, code, component});
    }
    keepComponents();
    dbgAsnad->setFocus();
    return result;
}
