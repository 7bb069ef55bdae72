#include "sourcechainform.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "persiantext.h"
#include "picklist.h"

#include <QLabel>
#include <QLineEdit>

const QString TSourceChainForm::MabadiCod = QStringLiteral("MabadiCod");

namespace {

const QString kAnyCode = QStringLiteral("CODE");

const QStringList kChain{VoucherColumn::Koll, VoucherColumn::Moein, VoucherColumn::Tafsily,
                         VoucherColumn::Tafsily2, VoucherColumn::ProjectCod};
const QStringList kZeroFilled{VoucherColumn::Tafsily, VoucherColumn::Tafsily2,
                              VoucherColumn::ProjectCod};

} // namespace

QString TSourceChainForm::AssetRule() const
{
    return DGlobal()->TYPEDARACOD.isEmpty() ? kAnyCode : DGlobal()->TYPEDARACOD;
}

TVoucherColumn TSourceChainForm::SourceColumn()
{
    return TVoucherColumn(MabadiCod, QStringLiteral("مبادي تحويل"), 75)
        .Rule(QStringLiteral("NUM"))
        .Picks(WhileEditable([this] { return PickSourceForRow(); }));
}

QList<TVoucherColumn> TSourceChainForm::ChainColumns() const
{
    using namespace VoucherColumn;
    const QString rule = DGlobal()->TYPESARFASLCOD.isEmpty() ? kAnyCode : DGlobal()->TYPESARFASLCOD;
    auto level = [&rule](const QString& field, const QString& title, int width) {
        return TVoucherColumn(field, title, width).Fixed().Rule(rule);
    };
    return {level(Koll, QStringLiteral("كل"), 30), level(Moein, QStringLiteral("معين"), 35),
            level(Tafsily, QStringLiteral("تفصيلي"), 55),
            level(Tafsily2,
                  DGlobal()->NAMTAFSILY2.isEmpty() ? QStringLiteral("تفصيلي 2")
                                                   : DGlobal()->NAMTAFSILY2,
                  60),
            level(ProjectCod, DGlobal()->NAMPROJECT, 60).Ends()};
}

QList<std::pair<QLabel*, QLineEdit*>> TSourceChainForm::SourceFooter()
{
    auto label = [this](const QString& text) { return new QLabel(text, FooterPanel); };
    EMabadiNam = FooterEdit(QStringLiteral("EMabadiNam"), 200);
    CreateChainNameBoxes();
    LTafsily2 = label(DGlobal()->NAMTAFSILY2 + QLatin1Char(':'));
    LProject = label(DGlobal()->NAMPROJECT + QLatin1Char(':'));
    return {{label(QStringLiteral("مبادي تحويل")), EMabadiNam},
            {label(QStringLiteral("كل:")), EKollNam},
            {label(QStringLiteral("معين:")), EMoeinNam},
            {label(QStringLiteral("تفصيلي:")), ETafsilyNam},
            {LTafsily2, ETafsily2Nam},
            {LProject, EProjectNam}};
}

void TSourceChainForm::ClearSourceNames()
{
    EMabadiNam->clear();
    ShowChainNames({});
}

QList<TNamePart> TSourceChainForm::SourceNameParts() const
{
    using namespace VoucherColumn;
    return ChainNameParts(Stored(Koll), Stored(Moein), Stored(Tafsily), Stored(Tafsily2),
                          Stored(ProjectCod)) +
           QList<TNamePart>{{"MabadiNam", "Select MabadiNam From D_Mabadi   Where MabadiCod = ",
                             Stored(MabadiCod)}};
}

void TSourceChainForm::ShowSourceNames(const QHash<QString, QString>& names)
{
    ShowChainNames(names);
    EMabadiNam->setText(names.value(QStringLiteral("MabadiNam")));
}

QString TSourceChainForm::Stored(const QString& field) const
{
    const QString text = LatinDigits(FieldText(field).trimmed());
    if (kZeroFilled.contains(field, Qt::CaseInsensitive))
        return text.isEmpty() ? text : PadLeftWith(text, QLatin1Char('0'), FieldWidth(field));
    return PadLeft(text, FieldWidth(field));
}

bool TSourceChainForm::Found(const QString& sql, const QString& value)
{
    DataSet* q = LookupQuery();
    q->open(sql, {value});
    const bool any = !q->isEmpty();
    q->close();
    return any;
}

void TSourceChainForm::takeSourceChain(const QString& source)
{
    DataSet* q = LookupQuery();
    q->open(QStringLiteral("Select Koll, Moein, Tafsily, Tafsily2, ProjectCod From D_Mabadi "
                           "Where MabadiCod = ?"),
            {source});
    if (!q->isEmpty()) {
        for (const QString& level : kChain)
            quAsnad->fieldByName(level)->setValue(q->fieldByName(level)->asString());
    }
    q->close();
}

void TSourceChainForm::NormaliseSource()
{
    takeSourceChain(Stored(MabadiCod));
    for (const QString& name : QStringList{MabadiCod} + kChain)
        quAsnad->fieldByName(name)->setValue(Stored(name));
}

TRowRefusal TSourceChainForm::CheckSource()
{
    using namespace VoucherColumn;
    const QString source = Stored(MabadiCod);
    auto sources = [this] { return PickSourceForRow(); };
    if (source.trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("كد مبادي تحويل دارايي خالي مي باشد."), MabadiCod,
                               sources);
    if (!Found(QStringLiteral("Select MabadiCod From D_Mabadi Where MabadiCod = ?"), source))
        return TRowRefusal::Of(QStringLiteral("مبادي تحويل دارايي وجود ندارد."), MabadiCod,
                               sources);
    if (FieldText(Koll).trimmed().isEmpty() || FieldText(Moein).trimmed().isEmpty())
        return TRowRefusal::Of(QStringLiteral("براي مبادي تحويل دارايي سرفصل تعريف نشده است"),
                               MabadiCod);
    return TRowRefusal::Accept();
}

int TSourceChainForm::PickSourceForRow()
{
    const int result = ShowPickList(PickDeliverySource(DGlobal(), FieldText(MabadiCod)));
    dbgAsnad->setFocus();
    if (result != 1)
        return result;
    for (const QString& name : QStringList{MabadiCod} + kChain)
        quAsnad->fieldByName(name)->setValue(TempGridForm->quTemp->fieldByName(name)->asString());
    RefreshFooter();
    return 1;
}
