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
#include "servicewindows.h"
#include "sqlquote.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSqlQuery>

const QString TBuyCreateForm::Caption = QStringLiteral("خريد/ساخت");

namespace {

const QString kAmountFormat = QStringLiteral("###,###,###,###");
const QString kBoughtTable = QStringLiteral("D_Buy_Create");
const QString kNoMethod = QStringLiteral("ندارد");

QString Q(const QString& value)
{
    return SqlQuote(value);
}

} // namespace

TVoucherKind TBuyCreateForm::Parameters()
{
    TVoucherKind kind;
    kind.Table = kBoughtTable;
    kind.Procedure = QStringLiteral("sp_D_Asnad_BuyCreate");
    kind.KindCaption = Caption;
    kind.RecognisesOtherPeriod = false;
    kind.RightsPrefix = QStringLiteral("D_A_BUYCREATE_");
    kind.LayoutKey = GridLayoutKeys::BUY_CREATE;
    kind.TypeCode = QStringLiteral("12");
    kind.InstantVoucher = true;
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

QList<DbGridColumn> TBuyCreateForm::GridColumns() const
{
    auto column = [](const QString& field, const QString& title, int width, bool readOnly) {
        DbGridColumn c = DbGridColumn::Make(field, title, width);
        c.readOnly = readOnly;
        return c;
    };
    return {column(QStringLiteral("DaraCod"), QStringLiteral("دارايي"), 80, false),
            column(QStringLiteral("AmvalDes"), QStringLiteral("شرح"), 210, false),
            column(QStringLiteral("EndFee"), QStringLiteral("بهاي تمام شده"), 100, true),
            column(QStringLiteral("Esshat"), QStringLiteral("ارزش اسقاط"), 75, false),
            column(QStringLiteral("MabadiCod"), QStringLiteral("مبادي تحويل"), 75, false),
            column(QStringLiteral("Bargeh"), QStringLiteral("برگه"), 45, false),
            column(QStringLiteral("Koll"), QStringLiteral("كل"), 30, true),
            column(QStringLiteral("Moein"), QStringLiteral("معين"), 35, true),
            column(QStringLiteral("Tafsily"), QStringLiteral("تفصيلي"), 55, true),
            column(QStringLiteral("Tafsily2"),
                   DGlobal()->NAMTAFSILY2.isEmpty() ? QStringLiteral("تفصيلي 2")
                                                    : DGlobal()->NAMTAFSILY2,
                   55, true),
            column(QStringLiteral("ProjectCod"), DGlobal()->NAMPROJECT, 60, true)};
}

void TBuyCreateForm::CreateFooter()
{
    auto edit = [this](const QString& name, int width) { return FooterEdit(name, width); };
    auto label = [this](const QString& text) { return new QLabel(text, FooterPanel); };
    EDaraNam = edit(QStringLiteral("EDaraNam"), 200);
    EMabadiNam = edit(QStringLiteral("EMabadiNam"), 200);
    EEndFeeSum = FooterEdit(QStringLiteral("EEndFeeSum"), 120, true);
    EEsshatSum = FooterEdit(QStringLiteral("EEsshatSum"), 120, true);
    CreateChainNameBoxes();
    LTafsily2 = label(DGlobal()->NAMTAFSILY2 + QLatin1Char(':'));
    LProject = label(DGlobal()->NAMPROJECT + QLatin1Char(':'));

    // Label and edit pairs, four to a line.
    const QList<std::pair<QLabel*, QLineEdit*>> pairs{
        {label(QStringLiteral("نام دارايي:")), EDaraNam},
        {label(QStringLiteral("مبادي تحويل:")), EMabadiNam},
        {label(QStringLiteral("جمع بهاي تمام شده:")), EEndFeeSum},
        {label(QStringLiteral("جمع ارزش اسقاط:")), EEsshatSum},
        {label(QStringLiteral("كل:")), EKollNam},
        {label(QStringLiteral("معين:")), EMoeinNam},
        {label(QStringLiteral("تفصيلي:")), ETafsilyNam},
        {LTafsily2, ETafsily2Nam},
        {LProject, EProjectNam}};
    LayOutFooter(pairs);
}

void TBuyCreateForm::clearNames()
{
    for (QLineEdit* e : {EDaraNam, EMabadiNam})
        e->clear();
    ShowChainNames({});
    m_raveshEst.clear();
}

void TBuyCreateForm::ClearFooter()
{
    clearNames();
    EEndFeeSum->clear();
    EEsshatSum->clear();
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
    const QString asset = FieldText(QStringLiteral("DaraCod"));
    const QHash<QString, QString> names = ReadNames(
        ChainNameParts(FieldText(QStringLiteral("Koll")), FieldText(QStringLiteral("Moein")),
                       FieldText(QStringLiteral("Tafsily")), FieldText(QStringLiteral("Tafsily2")),
                       FieldText(QStringLiteral("ProjectCod"))) +
        QList<TNamePart>{
            {"DaraNam", "Select DaraNam    From D_Amval   Where DaraCod   = ", asset},
            {"RaveshEst", "Select RaveshEst  From D_Amval   Where DaraCod   = ", asset},
            {"MabadiNam", "Select MabadiNam  From D_Mabadi  Where MabadiCod = ",
             FieldText(QStringLiteral("MabadiCod"))}});
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
            width(relate, QStringLiteral("DaraCod")) + QStringLiteral("), GheimatCod Varchar(") +
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

void TBuyCreateForm::AfterDateCommit()
{
    const QString table = SqlIdent(GheimatTableName());
    const QString number = Q(SanadNo());
    ExecSQL(MyDatabase, QStringLiteral("Delete From ") + table);
    ExecSQL(MyDatabase,
            QStringLiteral("Insert Into ") + table +
                QStringLiteral(" Select R.SanadNoAmval, R.DaraCod, "
                               "R.GheimatCod, G.GheimatNam, R.sValue From "
                               "D_Buy_Create_Relate_Gheimat As R "
                               "Left Outer Join D_Gheimat As G On (R.GheimatCod = G.GheimatCod) "
                               "Where R.SanadNoAmval = ") +
                number);
    // Every asset already there gets the components it lacks, with amount 0.
    ExecSQL(
        MyDatabase,
        QStringLiteral("Insert Into ") + table + QStringLiteral(" Select Distinct ") + number +
            QStringLiteral(", Tmp.DaraCod, G.GheimatCod, G.GheimatNam, 0 From ") + table +
            QStringLiteral(" As Tmp, D_Gheimat As G Where Not Exists (Select 1 From ") + table +
            QStringLiteral(" As X Where X.DaraCod = Tmp.DaraCod And X.GheimatCod = G.GheimatCod)"));
}

bool TBuyCreateForm::ColumnEditable(const QString& field) const
{
    static const QStringList computed{QStringLiteral("EndFee"),   QStringLiteral("Koll"),
                                      QStringLiteral("Moein"),    QStringLiteral("Tafsily"),
                                      QStringLiteral("Tafsily2"), QStringLiteral("ProjectCod")};
    if (computed.contains(field, Qt::CaseInsensitive))
        return false;
    if (field.compare(QStringLiteral("Esshat"), Qt::CaseInsensitive) == 0)
        return m_raveshEst.trimmed() != kNoMethod;
    return true;
}

QString TBuyCreateForm::KeyRule(const QString& field) const
{
    static const QStringList chain{QStringLiteral("Koll"), QStringLiteral("Moein"),
                                   QStringLiteral("Tafsily"), QStringLiteral("Tafsily2"),
                                   QStringLiteral("ProjectCod")};
    if (field.compare(QStringLiteral("DaraCod"), Qt::CaseInsensitive) == 0)
        return DGlobal()->TYPEDARACOD;
    if (chain.contains(field, Qt::CaseInsensitive))
        return DGlobal()->TYPESARFASLCOD;
    if (field.compare(QStringLiteral("MabadiCod"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("NUM");
    if (field.compare(QStringLiteral("EndFee"), Qt::CaseInsensitive) == 0 ||
        field.compare(QStringLiteral("Esshat"), Qt::CaseInsensitive) == 0)
        return kAmountRule;
    return QString();
}

bool TBuyCreateForm::HasPick(const QString& field) const
{
    return field.compare(QStringLiteral("DaraCod"), Qt::CaseInsensitive) == 0 ||
           field.compare(QStringLiteral("MabadiCod"), Qt::CaseInsensitive) == 0 ||
           field.compare(QStringLiteral("EndFee"), Qt::CaseInsensitive) == 0;
}

int TBuyCreateForm::OpenPick(const QString& field)
{
    if (field.compare(QStringLiteral("DaraCod"), Qt::CaseInsensitive) == 0)
        return pickAsset();
    if (field.compare(QStringLiteral("MabadiCod"), Qt::CaseInsensitive) == 0)
        return pickDeliverySource();
    if (field.compare(QStringLiteral("EndFee"), Qt::CaseInsensitive) == 0)
        return ShowCostComponents() == 2 ? 2 : 1; // on after the window, not after a refusal
    return 1;
}

bool TBuyCreateForm::IsLastEditable(const QString& field) const
{
    return field.compare(QStringLiteral("Bargeh"), Qt::CaseInsensitive) == 0 ||
           field.compare(QStringLiteral("ProjectCod"), Qt::CaseInsensitive) == 0;
}

QString TBuyCreateForm::padded(const QString& field) const
{
    return PadLeft(FieldText(field).trimmed(), FieldWidth(field));
}

int TBuyCreateForm::pickAsset()
{
    if (!quAsnad->active())
        return 2;
    PickAsset(DGlobal(), FieldText(QStringLiteral("DaraCod")));
    // Only assets without a cost price, not bought in another purchase voucher, and
    // put into use on or after the company's start.
    const QString narrowed =
        QStringLiteral("Select * From ") + SqlIdent(TempGridForm->TableName) +
        QStringLiteral(" Where EndValue = 0 And DaraCod Not In (Select DaraCod From "
                       "D_Buy_Create Where SanadNoAmval<>") +
        Q(PaddedNumber()) + QStringLiteral(") And BahreDate >= ") + Q(CompanyStartDate()) +
        QStringLiteral(" Order By DaraCod");
    TempGridForm->SetCaption(TempGridForm->Caption() + QStringLiteral("(خريداري/ساخته شده)"));
    const int result = ShowPickList(narrowed);
    dbgAsnad->setFocus();
    if (result != 1)
        return result;
    const QString code = TempGridForm->quTemp->fieldByName(QStringLiteral("DaraCod"))->asString();
    quAsnad->fieldByName(QStringLiteral("DaraCod"))->setValue(code);
    RefreshFooter();
    const QString column =
        AssetStateGuard(DGlobal(), LookupQuery(), code, PaddedNumber(), VoucherDate());
    return column.isEmpty() ? 1 : 2;
}

int TBuyCreateForm::pickDeliverySource()
{
    if (!quAsnad->active())
        return 2;
    const QString sql = PickDeliverySource(DGlobal(), FieldText(QStringLiteral("MabadiCod")));
    TempGridForm->SetCaption(TempGridForm->Caption() + QStringLiteral("(خريداري/ساخته شده)"));
    const int result = ShowPickList(sql);
    dbgAsnad->setFocus();
    if (result != 1)
        return result;
    for (const QString& name :
         {QStringLiteral("MabadiCod"), QStringLiteral("Koll"), QStringLiteral("Moein"),
          QStringLiteral("Tafsily"), QStringLiteral("Tafsily2"), QStringLiteral("ProjectCod")})
        quAsnad->fieldByName(name)->setValue(TempGridForm->quTemp->fieldByName(name)->asString());
    RefreshFooter();
    return 1;
}

void TBuyCreateForm::NormaliseRow()
{
    for (const QString& name : {QStringLiteral("DaraCod"), QStringLiteral("MabadiCod"),
                                QStringLiteral("Koll"), QStringLiteral("Moein")})
        quAsnad->fieldByName(name)->setValue(padded(name));
    for (const QString& name :
         {QStringLiteral("Tafsily"), QStringLiteral("Tafsily2"), QStringLiteral("ProjectCod")}) {
        const QString text = FieldText(name).trimmed();
        quAsnad->fieldByName(name)->setValue(
            text.isEmpty() ? text : PadLeftWith(text, QLatin1Char('0'), FieldWidth(name)));
    }
    DataField* endFee = quAsnad->fieldByName(QStringLiteral("EndFee"));
    endFee->setValue(endFee->asFloat());
    DataField* esshat = quAsnad->fieldByName(QStringLiteral("Esshat"));
    esshat->setValue(esshat->asFloat());
}

QString TBuyCreateForm::assetAlreadyBought(const QString& code)
{
    DataSet* q = LookupQuery();
    const QString number = PaddedNumber();
    q->open(QStringLiteral("Select Count(*) As iCount From ") + kBoughtTable +
            QStringLiteral(" Where DaraCod = ") + Q(code));
    const int stored = q->fieldByName(QStringLiteral("iCount"))->asInteger();
    if (stored >= 1) {
        q->open(QStringLiteral("Select * From ") + kBoughtTable +
                QStringLiteral(" Where DaraCod = ") + Q(code));
        const QString other = q->fieldByName(QStringLiteral("SanadNoAmval"))->asString();
        if (PadLeft(other.trimmed(), number.size()) != number) {
            q->close();
            return Refuse(QStringLiteral("اين دارايي در سند ") + other.trimmed() +
                              QStringLiteral(" خريد/ساخت شده است"),
                          QStringLiteral("DaraCod"));
        }
    }
    if (Inserting()) {
        q->open(QStringLiteral("Select Count(*) As iCount From ") + SqlIdent(TransTableName()) +
                QStringLiteral(" Where DaraCod = ") + Q(code));
        if (q->fieldByName(QStringLiteral("iCount"))->asInteger() >= 1) {
            q->close();
            return Refuse(QStringLiteral("قبلا براي اين دارايي سند خريد/ساخت زده شده است"),
                          QStringLiteral("DaraCod"));
        }
    }
    q->close();
    return QString();
}

QString TBuyCreateForm::CheckRow()
{
    const QString asset = QStringLiteral("DaraCod");
    const QString code = padded(asset);
    const QString number = PaddedNumber();
    const QString date = VoucherDate();
    DataSet* q = LookupQuery();

    if (code.trimmed().isEmpty())
        return Refuse(QStringLiteral("كد دارايي خالي مي باشد."), asset);
    q->open(QStringLiteral("Select * From D_Amval Where DaraCod = ") + Q(code));
    if (q->isEmpty()) {
        q->close();
        Refuse(QStringLiteral("كد دارايي وجود ندارد."), asset);
        pickAsset();
        return asset;
    }
    m_raveshEst = q->fieldByName(QStringLiteral("RaveshEst"))->asString().trimmed();
    const double endValue = q->fieldByName(QStringLiteral("EndValue"))->asFloat();
    q->close();
    if (endValue != 0)
        return Refuse(QStringLiteral("بهاي تمام شده دارايي ثبت شده است"), asset);
    if (const QString column = assetAlreadyBought(code); !column.isEmpty())
        return column;
    if (const QString column = AssetStateGuard(DGlobal(), q, code, number, date);
        !column.isEmpty()) {
        dbgAsnad->focusField(column);
        return column;
    }
    if (quAsnad->fieldByName(QStringLiteral("EndFee"))->asFloat() == 0)
        return Refuse(QStringLiteral("بهاي تمام شده دارايي صفر مي باشد"), QStringLiteral("EndFee"));

    const QString source = QStringLiteral("MabadiCod");
    const QString sourceCode = padded(source);
    if (sourceCode.trimmed().isEmpty()) {
        Refuse(QStringLiteral("كد مبادي تحويل دارايي خالي مي باشد."), source);
        pickDeliverySource();
        return source;
    }
    q->open(QStringLiteral("Select MabadiCod From D_Mabadi Where MabadiCod = ") + Q(sourceCode));
    const bool found = !q->isEmpty();
    q->close();
    if (!found) {
        Refuse(QStringLiteral("مبادي تحويل دارايي وجود ندارد."), source);
        pickDeliverySource();
        return source;
    }
    if (FieldText(QStringLiteral("Koll")).trimmed().isEmpty() ||
        FieldText(QStringLiteral("Moein")).trimmed().isEmpty())
        return Refuse(QStringLiteral("براي مبادي تحويل دارايي سرفصل تعريف نشده است"), source);

    const QString form = FieldText(QStringLiteral("Bargeh")).trimmed();
    if (form.isEmpty())
        return Refuse(QStringLiteral("شماره برگه خريد/ساخت خالي مي باشد."),
                      QStringLiteral("Bargeh"));
    const QString other = DGlobal()->FindFormNumber(q, kBoughtTable, number, form,
                                                    FieldWidth(QStringLiteral("SanadNoAmval")),
                                                    FieldWidth(QStringLiteral("Bargeh")));
    if (!other.isEmpty())
        return Refuse(QStringLiteral(" شماره برگه در سند ") + other.trimmed() +
                          QStringLiteral(" تكرار شده است. "),
                      QStringLiteral("Bargeh"));

    const ProcedureResult start = MyDatabase->Connection->callProcedure(
        QStringLiteral("sp_D_Return_StartDate"), {Global->CompanyCode + Global->FiscalYear, code});
    const QString used = start.rows.isEmpty() || start.rows.first().isEmpty()
                             ? QString()
                             : start.rows.first().first().toString().trimmed();
    if (!used.isEmpty() && used < date)
        return Refuse(QStringLiteral(
                          "تاريخ بهره برداري دارايي انتخاب شده از تاريخ خريد/ساخت آن كوچكتر است ."),
                      asset);
    return QString();
}

void TBuyCreateForm::AfterRowChecks()
{
    if (m_raveshEst == kNoMethod)
        quAsnad->fieldByName(QStringLiteral("Esshat"))->setValue(0.0);
}

void TBuyCreateForm::BeforeRowDelete()
{
    if (quAsnad->fieldByName(QStringLiteral("EndFee"))->asFloat() != 0)
        ExecSQL(MyDatabase, QStringLiteral("Delete From ") + SqlIdent(GheimatTableName()) +
                                QStringLiteral(" Where DaraCod = ") +
                                Q(padded(QStringLiteral("DaraCod"))));
}

void TBuyCreateForm::AfterRowPost()
{
    ExecSQL(MyDatabase, QStringLiteral("Delete From ") + SqlIdent(GheimatTableName()) +
                            QStringLiteral(" Where DaraCod Not In(Select DaraCod From ") +
                            SqlIdent(TransTableName()) + QStringLiteral(") "));
}

int TBuyCreateForm::ShowCostComponents()
{
    if (!GridEditable() || !quAsnad->active())
        return 2;
    const QString number = PaddedNumber();
    const QString code = padded(QStringLiteral("DaraCod"));
    const QString asset = QStringLiteral("DaraCod");
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select * From D_Amval Where DaraCod = ") + Q(code) + QLatin1Char(' '));
    if (q->isEmpty()) {
        q->close();
        Refuse(QStringLiteral("کد دارايي ثبت نشده است"), asset);
        GoFirstColumn();
        return 2;
    }
    const QString inUse = q->fieldByName(QStringLiteral("BahreDate"))->asString();
    q->close();
    if (inUse < CompanyStartDate()) {
        Refuse(QStringLiteral("بهاي تمام شده دارايي ثبت شده است"), asset);
        return 2;
    }
    if (!assetAlreadyBought(code).isEmpty())
        return 2;

    const QString table = SqlIdent(GheimatTableName());
    const QString ofAsset = QStringLiteral(" Where SanadNoAmval = ") + Q(number) +
                            QStringLiteral(" And DaraCod = ") + Q(code);
    CommandQuery* components = m_endGheimatForm->quGheimat;
    components->setConnection(MyDatabase->Connection);
    components->open(QStringLiteral("Select * From ") + table +
                     QStringLiteral(" Where DaraCod = ") + Q(code));
    if (components->isEmpty()) {
        components->close();
        q->open(QStringLiteral("Select Count(*) As iCount From D_Buy_Create_Relate_Gheimat "
                               "Where SanadNoAmval = ") +
                Q(number) + QStringLiteral(" And DaraCod = ") + Q(code));
        const bool stored = q->fieldByName(QStringLiteral("iCount"))->asInteger() > 0;
        q->close();
        if (stored)
            ExecSQL(MyDatabase,
                    QStringLiteral("Insert Into ") + table +
                        QStringLiteral("(SanadNoAmval, DaraCod, GheimatCod, GheimatNam, sValue) "
                                       "Select BU.SanadNoAmval, BU.DaraCod, BU.GheimatCod, "
                                       "G.GheimatNam, BU.sValue From "
                                       "D_Buy_Create_Relate_Gheimat As Bu "
                                       "Left Outer Join D_Gheimat As G On (G.GheimatCod = "
                                       "BU.GheimatCod) Where BU.SanadNoAmval = ") +
                        Q(number) + QStringLiteral(" And BU.DaraCod = ") + Q(code) +
                        QLatin1Char(' '));
        else
            ExecSQL(MyDatabase,
                    QStringLiteral("Insert Into ") + table +
                        QStringLiteral("(SanadNoAmval, DaraCod, GheimatCod, GheimatNam, sValue) "
                                       "Select ") +
                        Q(number) + QStringLiteral(" As SanadNoAmval, ") + Q(code) +
                        QStringLiteral(" As DaraCod, G.GheimatCod, G.GheimatNam, Cast(0 As Float) "
                                       "As sValue From D_Gheimat As G Order By G.GheimatCod"));
    } else {
        // Components typed before the number was settled follow the voucher.
        ExecSQL(MyDatabase, QStringLiteral("Update ") + table +
                                QStringLiteral(" Set SanadNoAmval = ") + Q(number) +
                                QStringLiteral(" Where DaraCod = ") + Q(code));
    }
    components->open(QStringLiteral("Select * From ") + table + ofAsset);

    // What the components were, so that Cancel gives back exactly that.
    QList<std::pair<QString, double>> before;
    QSqlQuery stored = MyDatabase->Connection->select(
        QStringLiteral("Select GheimatCod, sValue From ") + table + ofAsset);
    while (stored.next())
        before.append({stored.value(0).toString(), stored.value(1).toDouble()});

    const int result = ExecModal([this] { return m_endGheimatForm->exec(); });
    if (components->active() && components->state() != DataSet::State::Browse)
        components->cancel();
    components->close();
    if (result == 1) {
        q->open(QStringLiteral("Select Sum(sValue) As sValue From ") + table + ofAsset);
        const double sum = q->fieldByName(QStringLiteral("sValue"))->asFloat();
        q->close();
        quAsnad->fieldByName(QStringLiteral("EndFee"))->setValue(sum);
        RefreshTotals();
    } else {
        for (const auto& [component, value] : before)
            ExecSQL(MyDatabase, QStringLiteral("Update ") + table +
                                    QStringLiteral(" Set sValue = ") + QString::number(value, 'f') +
                                    ofAsset + QStringLiteral(" And GheimatCod = ") + Q(component));
    }
    dbgAsnad->setFocus();
    return result;
}
