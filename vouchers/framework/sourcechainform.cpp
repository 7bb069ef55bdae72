#include "sourcechainform.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "d_globalunit.h"
#include "dataset.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "persiantext.h"
#include "picklist.h"

#include <QLabel>
#include <QLineEdit>

const QString TSourceChainForm::MabadiCod = QStringLiteral("MabadiCod");

namespace {

const QString kAnyCode = QStringLiteral("CODE");

const QStringList kChain{VoucherColumn::Koll, VoucherColumn::Moein, VoucherColumn::Tafsily,
                         VoucherColumn::Tafsily2, VoucherColumn::ProjectCod};

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
    EMabadiNam = FooterEdit(QStringLiteral("EMabadiNam"), 200);
    return QList<std::pair<QLabel*, QLineEdit*>>{
               {FooterLabel(QStringLiteral("مبادي تحويل")), EMabadiNam}} +
           ChainFooter();
}

QList<TNamePart> TSourceChainForm::SourceNameParts() const
{
    using namespace VoucherColumn;
    return ChainNameParts(StoredCode(Koll), StoredCode(Moein), StoredCode(Tafsily),
                          StoredCode(Tafsily2), StoredCode(ProjectCod)) +
           QList<TNamePart>{{"MabadiNam", "Select MabadiNam From D_Mabadi   Where MabadiCod = ",
                             StoredCode(MabadiCod)}};
}

void TSourceChainForm::ShowSourceNames(const QHash<QString, QString>& names)
{
    ShowChainNames(names);
    EMabadiNam->setText(names.value(QStringLiteral("MabadiNam")));
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
    takeSourceChain(StoredCode(MabadiCod));
    for (const QString& name : QStringList{MabadiCod} + kChain)
        quAsnad->fieldByName(name)->setValue(StoredCode(name));
}

TRowRefusal TSourceChainForm::CheckSource()
{
    using namespace VoucherColumn;
    const QString source = StoredCode(MabadiCod);
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
    const std::optional<TChosenSource> chosen =
        Pick(PickDeliverySource(*DGlobal(), FieldText(MabadiCod)));
    dbgAsnad->setFocus();
    if (!chosen)
        return 2;
    TakeSource(*quAsnad, *chosen);
    RefreshFooter();
    return 1;
}
