#include "countrowchecks.h"

#include "dbconnection.h"
#include "dialect.h"
#include "persiantext.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <algorithm>

namespace CountRowChecks {

namespace {

// Codes looked up by one statement; from so many codes on, the register and the
// stored counts are read whole instead (one statement each, rather than thousands).
constexpr int kCodesAStatement = 100;
constexpr int kWholeTablesFrom = 1000;

const QString kEmpty = QStringLiteral("كد دارايي خالي مي باشد.");
const QString kNoAsset = QStringLiteral("كد دارايي وجود ندارد.");
const QString kCountedIn = QStringLiteral("اين دارايي در سند شماره:");
const QString kCountedEnd = QStringLiteral(" ثبت شده است");
const QString kTwice = QStringLiteral("كد دارايي تكراري مي باشد.");

// Hands `take` the rows of `select` for `codes`: with its condition "DaraCod IN (...)"
// over a chunk of them at a time, each looked up in the stored form of `table`
// (right-aligned with blanks to its column's width) and as the bare digits another
// program may have written, both by the column's index; or, for many codes, without
// the condition, every row of the table.
template <typename Take>
void EachRow(DbConnection& db, const QString& table, const QString& select, const QString& tail,
             const QStringList& codes, Take take)
{
    if (codes.size() >= kWholeTablesFrom) {
        QSqlQuery q = db.select(select + tail);
        while (q.next())
            take(q);
        return;
    }
    const int width = db.dialect().columnWidth(table, QStringLiteral("DaraCod"));
    for (qsizetype at = 0; at < codes.size(); at += kCodesAStatement) {
        const QStringList chunk = codes.mid(at, kCodesAStatement);
        QVariantList values;
        for (const QString& code : chunk)
            values << code.rightJustified(std::max(width, 0), QLatin1Char(' ')) << code;
        const QStringList marks(values.size(), QStringLiteral("?"));
        QSqlQuery q = db.select(select + QStringLiteral(" WHERE DaraCod IN (") +
                                    marks.join(QStringLiteral(", ")) + QStringLiteral(")") + tail,
                                values);
        while (q.next())
            take(q);
    }
}

} // namespace

QString CodeOf(const QString& typed)
{
    return LatinDigits(typed.trimmed());
}

QList<Verdict> Check(DbConnection& db, const QStringList& codes, const QStringList& kept)
{
    QStringList read; // each code as the checks compare it
    QStringList wanted;
    read.reserve(codes.size());
    {
        QSet<QString> seen;
        seen.reserve(codes.size());
        for (const QString& typed : codes) {
            read << CodeOf(typed);
            const QString& code = read.constLast();
            if (!code.isEmpty() && !seen.contains(code)) {
                seen.insert(code);
                wanted << code;
            }
        }
    }
    QSet<QString> assets;
    assets.reserve(wanted.size());
    EachRow(db, QStringLiteral("D_Amval"), QStringLiteral("SELECT trim(DaraCod) FROM D_Amval"),
            QString(), wanted, [&](const QSqlQuery& q) { assets.insert(q.value(0).toString()); });
    QHash<QString, QString> counted;
    EachRow(db, QStringLiteral("D_Gardani"),
            QStringLiteral("SELECT trim(DaraCod), MIN(SanadNoAmval) FROM D_Gardani"),
            QStringLiteral(" GROUP BY trim(DaraCod)"), wanted, [&](const QSqlQuery& q) {
                counted.insert(q.value(0).toString(), q.value(1).toString());
            });

    QSet<QString> inCount;
    inCount.reserve(kept.size() + wanted.size());
    for (const QString& code : kept)
        inCount.insert(CodeOf(code));
    inCount.remove(QString());
    QList<Verdict> verdicts(read.size());
    for (qsizetype i = 0; i < read.size(); ++i) {
        const QString& code = read.at(i);
        Verdict& v = verdicts[i];
        if (code.isEmpty()) {
            v.refusal = Refusal::Empty;
        } else if (!assets.contains(code)) {
            v.refusal = Refusal::NoAsset;
        } else if (const auto in = counted.constFind(code); in != counted.cend()) {
            v.refusal = Refusal::Counted;
            v.countedIn = in.value();
        } else if (inCount.contains(code)) {
            v.refusal = Refusal::Twice;
        } else {
            inCount.insert(code);
        }
    }
    return verdicts;
}

Facts LookUp(DbConnection& db, const QString& code, const QString& date)
{
    const auto forms = [&](const QString& table) {
        const int width = db.dialect().columnWidth(table, QStringLiteral("DaraCod"));
        return QVariantList{code.rightJustified(std::max(width, 0), QLatin1Char(' ')), code};
    };
    QVariantList values;
    values << forms(QStringLiteral("D_ForoshDaymeh")) << date;
    values << forms(QStringLiteral("D_KenarD")) << date;
    values << forms(QStringLiteral("D_BarKenarD")) << date;
    values << forms(QStringLiteral("D_Gardani")) << forms(QStringLiteral("D_Amval"));
    // A retirement stands until a return from it (a return on its day follows it): the
    // last of each, each read by its table's code index.
    QSqlQuery q = db.select(
        QStringLiteral(
            "SELECT A.DaraNam, trim(COALESCE(A.MakanCod, '')), "
            "trim(COALESCE(A.PersonelCod, '')), (SELECT MIN(F.sDate) FROM D_ForoshDaymeh AS F "
            "WHERE F.DaraCod IN (?, ?) AND F.sDate <= ?), (SELECT MAX(K.sDate) FROM D_KenarD AS "
            "K WHERE K.DaraCod IN (?, ?) AND K.sDate <= ?), (SELECT MAX(B.sDate) FROM D_BarKenarD "
            "AS B WHERE B.DaraCod IN (?, ?) AND B.sDate <= ?), (SELECT MIN(G.SanadNoAmval) FROM "
            "D_Gardani AS G WHERE G.DaraCod IN (?, ?)) FROM D_Amval AS A WHERE A.DaraCod IN (?, "
            "?)"),
        values);
    Facts facts;
    if (!q.next())
        return facts;
    facts.found = true;
    facts.name = q.value(0).toString().trimmed();
    facts.place = q.value(1).toString();
    facts.holder = q.value(2).toString();
    facts.soldOn = q.value(3).toString();
    const QString retired = q.value(4).toString();
    if (retired > q.value(5).toString())
        facts.retiredOn = retired;
    facts.countedIn = q.value(6).toString().trimmed();
    return facts;
}

QString Text(const Verdict& verdict)
{
    switch (verdict.refusal) {
    case Refusal::None:
        return QString();
    case Refusal::Empty:
        return kEmpty;
    case Refusal::NoAsset:
        return kNoAsset;
    case Refusal::Counted:
        return kCountedIn + verdict.countedIn + kCountedEnd;
    case Refusal::Twice:
        return kTwice;
    }
    return QString();
}

} // namespace CountRowChecks
