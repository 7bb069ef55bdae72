#include "registerondate.h"

#include "assetregister.h"
#include "companyprocedures.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"

#include <QHash>
#include <QSqlQuery>

namespace RegisterOnDate {

namespace {

const QString kProcedure = QStringLiteral("sp_D_Amval_OnDate");
const QString kAssets = QStringLiteral("D_Amval");

// A code as D_Amval's column `column` stores it: cost centres zero-filled, every
// other code right-aligned with blanks; empty stays empty.
QString Stored(const QString& code, int width, QChar fill)
{
    const QString bare = code.trimmed();
    if (bare.isEmpty() || width <= 0)
        return bare;
    return bare.size() >= width ? bare.left(width) : bare.rightJustified(width, fill);
}

// A range of stored codes: an empty end is open.
struct Range
{
    QString from;
    QString to;
    bool holds(const QString& value) const
    {
        return (from.isEmpty() || value >= from) && (to.isEmpty() || value <= to);
    }
};

// Names of a reference table's codes, by the trimmed code.
QHash<QString, QString> Names(DbConnection& connection, const QString& sql)
{
    QHash<QString, QString> names;
    QSqlQuery q = connection.select(sql);
    while (q.next())
        names.insert(q.value(0).toString().trimmed(), q.value(1).toString().trimmed());
    return names;
}

} // namespace

ProcedureResult AssetsOnDate(DbConnection& connection, const QStringList& arguments)
{
    if (arguments.size() < 14)
        throw DatabaseError(QStringLiteral("%1 expects 14 arguments, %2 given.")
                                .arg(kProcedure)
                                .arg(arguments.size()),
                            kProcedure);
    const auto argument = [&](int i) { return CompanyProcedures::Unquoted(arguments.at(i)); };
    const QString date = argument(0);
    const Dialect& dialect = connection.dialect();
    const auto width = [&](const char* column) {
        return dialect.columnWidth(kAssets, QString::fromLatin1(column));
    };
    const auto range = [&](int i, const char* column, QChar fill = QLatin1Char(' ')) {
        const int w = width(column);
        return Range{Stored(argument(i), w, fill), Stored(argument(i + 1), w, fill)};
    };
    const Range assets = range(1, "DaraCod");
    const Range places = range(3, "MakanCod");
    const Range holders = range(5, "PersonelCod");
    const Range centres = range(7, "Tafsily2", QLatin1Char('0'));
    const Range taxGroups = range(9, "VezCod");
    const Range sources = range(11, "MabadiCod");
    const QString states = argument(13).toUpper();

    ProcedureResult result;
    result.columns = QStringList{
        QStringLiteral("DaraCod"),     QStringLiteral("DaraNam"),
        QStringLiteral("MadehCod"),    QStringLiteral("MadehNam"),
        QStringLiteral("EndValue"),    QStringLiteral("Bought"),
        QStringLiteral("TadilValue"),  QStringLiteral("AsaseChangeValue"),
        QStringLiteral("ReduceValue"), QStringLiteral("Cost"),
        QStringLiteral("Anbashteh"),   QStringLiteral("BookValue"),
        QStringLiteral("Esshat"),      QStringLiteral("RaveshEst"),
        QStringLiteral("Nozooli"),     QStringLiteral("Salianeh"),
        QStringLiteral("PersonelCod"), QStringLiteral("PersonelNam"),
        QStringLiteral("MakanCod"),    QStringLiteral("MakanNam"),
        QStringLiteral("Tafsily2"),    QStringLiteral("NamHesab"),
        QStringLiteral("StateCode"),   QStringLiteral("StateNam"),
        QStringLiteral("StateDate"),   QStringLiteral("VezCod"),
        QStringLiteral("VezNam"),      QStringLiteral("MabadiCod"),
        QStringLiteral("MabadiNam")};
    if (date.isEmpty())
        return result;

    const QList<AssetRegister::StandingRecord> records =
        AssetRegister::ReplayUpTo(connection, date, assets.from, assets.to);
    if (records.isEmpty())
        return result;

    // What the vouchers do not move: the name, article and delivery source.
    struct Fixed
    {
        QString name;
        QString article;
        QString source;
    };
    QHash<QString, Fixed> fixed;
    {
        QStringList terms{QStringLiteral("1 = 1")};
        QVariantList values;
        if (!assets.from.isEmpty()) {
            terms << QStringLiteral("\"DaraCod\" >= ?");
            values << assets.from;
        }
        if (!assets.to.isEmpty()) {
            terms << QStringLiteral("\"DaraCod\" <= ?");
            values << assets.to;
        }
        QSqlQuery q = connection.select(
            QStringLiteral("SELECT \"DaraCod\", \"DaraNam\", \"MadehCod\", \"MabadiCod\" FROM ") +
                SqlIdent(kAssets) + QStringLiteral(" WHERE ") +
                terms.join(QStringLiteral(" AND ")),
            values);
        while (q.next())
            fixed.insert(q.value(0).toString().trimmed(),
                         {q.value(1).toString().trimmed(), q.value(2).toString(),
                          q.value(3).toString()});
    }
    const QHash<QString, QString> articles =
        Names(connection, QStringLiteral("SELECT \"MadehCod\", \"MadehNam\" FROM \"D_Madeh151\""));
    const QHash<QString, QString> placeNames =
        Names(connection, QStringLiteral("SELECT \"MakanCod\", \"MakanNam\" FROM \"D_Makan\""));
    const QHash<QString, QString> people = Names(
        connection, QStringLiteral("SELECT \"Code\", COALESCE(\"Name\", '') || ' ' || "
                                   "COALESCE(\"Family\", '') FROM \"Person\""));
    const QHash<QString, QString> centreNames =
        Names(connection, QStringLiteral("SELECT \"Tafsily2\", \"NamHesab\" FROM \"Tafsily2\""));
    const QHash<QString, QString> taxNames =
        Names(connection, QStringLiteral("SELECT \"VezCod\", \"VezNam\" FROM \"D_VezArat\""));
    const QHash<QString, QString> sourceNames =
        Names(connection, QStringLiteral("SELECT \"MabadiCod\", \"MabadiNam\" FROM \"D_Mabadi\""));

    const int placeWidth = width("MakanCod");
    const int holderWidth = width("PersonelCod");
    const int centreWidth = width("Tafsily2");
    const int taxWidth = width("VezCod");
    const int sourceWidth = width("MabadiCod");
    for (const AssetRegister::StandingRecord& r : records) {
        if (!r.held())
            continue; // not yet registered or bought on that day
        char state = kInUse;
        QString stateName = QStringLiteral("در حال بهره برداري");
        QString stateDate;
        if (!r.soldOn.isEmpty()) {
            state = kSold;
            stateName = QStringLiteral("فروخته شده در ") + r.soldOn;
            stateDate = r.soldOn;
        } else if (!r.retiredOn.isEmpty()) {
            state = kRetired;
            stateName = QStringLiteral("کنارگذاري دايم از ") + r.retiredOn;
            stateDate = r.retiredOn;
        } else if (!r.outOfUseSince.trimmed().isEmpty()) {
            state = kSetAside;
            stateName = QStringLiteral("کنارگذاري موقت از ") + r.outOfUseSince;
            stateDate = r.outOfUseSince;
        }
        if (!states.isEmpty() && !states.contains(QLatin1Char(state)))
            continue;
        const QString bare = r.code.trimmed();
        const Fixed f = fixed.value(bare);
        const QString place = Stored(r.location, placeWidth, QLatin1Char(' '));
        const QString holder = Stored(r.person, holderWidth, QLatin1Char(' '));
        const QString centre = Stored(r.centre, centreWidth, QLatin1Char('0'));
        const QString taxGroup = Stored(r.taxGroup, taxWidth, QLatin1Char(' '));
        const QString source = Stored(f.source, sourceWidth, QLatin1Char(' '));
        if (!places.holds(place) || !holders.holds(holder) || !centres.holds(centre) ||
            !taxGroups.holds(taxGroup) || !sources.holds(source))
            continue;
        const double cost = r.cost();
        result.rows << QVariantList{r.code,
                                    f.name,
                                    f.article,
                                    articles.value(f.article.trimmed()),
                                    r.registered,
                                    r.bought,
                                    r.adjustments,
                                    r.improvements,
                                    r.reductions,
                                    cost,
                                    r.accumulated,
                                    cost - r.accumulated,
                                    r.salvage,
                                    r.method,
                                    r.rate,
                                    r.life,
                                    r.person,
                                    people.value(r.person.trimmed()),
                                    r.location,
                                    placeNames.value(r.location.trimmed()),
                                    r.centre,
                                    centreNames.value(r.centre.trimmed()),
                                    QString(QLatin1Char(state)),
                                    stateName,
                                    stateDate,
                                    r.taxGroup,
                                    taxNames.value(r.taxGroup.trimmed()),
                                    f.source,
                                    sourceNames.value(f.source.trimmed())};
    }
    return result;
}

void Register(CompanyProcedures& procedures)
{
    procedures.add(kProcedure, &AssetsOnDate);
}

} // namespace RegisterOnDate
