#include "countrowchecks.h"

#include "dbconnection.h"
#include "persiantext.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>

namespace CountRowChecks {

namespace {

// Codes looked up by one statement.
constexpr int kCodesAStatement = 400;

const QString kEmpty = QStringLiteral("كد دارايي خالي مي باشد.");
const QString kNoAsset = QStringLiteral("كد دارايي وجود ندارد.");
const QString kCountedIn = QStringLiteral("اين دارايي در سند شماره:");
const QString kCountedEnd = QStringLiteral(" ثبت شده است");
const QString kTwice = QStringLiteral("كد دارايي تكراري مي باشد.");

// Runs `select` (its condition ending in "IN (") over `codes` a chunk at a time and
// hands each row to `take`.
template <typename Take>
void EachChunk(DbConnection& db, const QString& select, const QString& tail,
               const QStringList& codes, Take take)
{
    for (qsizetype at = 0; at < codes.size(); at += kCodesAStatement) {
        const QStringList chunk = codes.mid(at, kCodesAStatement);
        QStringList marks(chunk.size(), QStringLiteral("?"));
        QSqlQuery q = db.select(select + marks.join(QStringLiteral(", ")) + QStringLiteral(")") +
                                    tail,
                                QVariantList(chunk.cbegin(), chunk.cend()));
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
    QStringList wanted;
    {
        QSet<QString> seen;
        for (const QString& typed : codes) {
            const QString code = CodeOf(typed);
            if (!code.isEmpty() && !seen.contains(code)) {
                seen.insert(code);
                wanted << code;
            }
        }
    }
    QSet<QString> assets;
    EachChunk(db, QStringLiteral("SELECT trim(DaraCod) FROM D_Amval WHERE trim(DaraCod) IN ("),
              QString(), wanted, [&](const QSqlQuery& q) { assets.insert(q.value(0).toString()); });
    QHash<QString, QString> counted;
    EachChunk(db,
              QStringLiteral("SELECT trim(DaraCod), MIN(SanadNoAmval) FROM D_Gardani WHERE "
                             "trim(DaraCod) IN ("),
              QStringLiteral(" GROUP BY trim(DaraCod)"), wanted,
              [&](const QSqlQuery& q) { counted.insert(q.value(0).toString(), q.value(1).toString()); });

    QSet<QString> inCount;
    for (const QString& code : kept)
        inCount.insert(CodeOf(code));
    inCount.remove(QString());
    QList<Verdict> verdicts;
    verdicts.reserve(codes.size());
    for (const QString& typed : codes) {
        const QString code = CodeOf(typed);
        Verdict v;
        if (code.isEmpty()) {
            v.refusal = Refusal::Empty;
        } else if (!assets.contains(code)) {
            v.refusal = Refusal::NoAsset;
        } else if (counted.contains(code)) {
            v.refusal = Refusal::Counted;
            v.countedIn = counted.value(code);
        } else if (inCount.contains(code)) {
            v.refusal = Refusal::Twice;
        } else {
            inCount.insert(code);
        }
        verdicts << v;
    }
    return verdicts;
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
