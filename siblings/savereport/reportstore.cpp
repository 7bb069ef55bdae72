#include "reportstore.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "sqlquote.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

namespace {
const QString kCatalogue = QStringLiteral("Saved_Reports");

QString TableOf(int reportId)
{
    return QStringLiteral("SR_%1").arg(reportId);
}
} // namespace

bool ReportStore::hasCatalogue() const
{
    return m_db.dialect().tableExists(kCatalogue);
}

void ReportStore::createCatalogue() const
{
    m_db.execute(QStringLiteral(
        "CREATE TABLE IF NOT EXISTS \"Saved_Reports\" (ReportId INTEGER, sProg VARCHAR(50), "
        "sForm VARCHAR(50), ReportName VARCHAR(100), Title VARCHAR(200), TableName VARCHAR(50), "
        "Created VARCHAR(30))"));
}

QList<ReportStore::Entry> ReportStore::reports(const QString& sProg, const QString& sForm) const
{
    QList<Entry> list;
    if (!hasCatalogue())
        return list;
    QSqlQuery q =
        m_db.select(QStringLiteral("SELECT ReportId, ReportName, Title, TableName, Created FROM ") +
                        SqlIdent(kCatalogue) +
                        QStringLiteral(" WHERE sProg = ? AND sForm = ? ORDER BY ReportName"),
                    {SqlText(sProg), SqlText(sForm)});
    while (q.next())
        list.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).toString(),
                     q.value(3).toString(), q.value(4).toString()});
    return list;
}

ReportStore::Entry ReportStore::find(const QString& sProg, const QString& sForm,
                                     const QString& name) const
{
    for (const Entry& e : reports(sProg, sForm))
        if (e.reportName.trimmed().compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            return e;
    return {};
}

ReportStore::Entry ReportStore::save(const QString& sProg, const QString& sForm,
                                     const QString& name, const QString& title,
                                     const QString& sourceTable)
{
    createCatalogue();
    const Entry old = find(sProg, sForm, name);
    Transaction t(m_db);
    if (old.reportId != 0)
        remove(old.reportId);
    QSqlQuery q = m_db.select(QStringLiteral("SELECT COALESCE(MAX(ReportId), 0) + 1 FROM ") +
                              SqlIdent(kCatalogue));
    Entry e;
    e.reportId = q.next() ? q.value(0).toInt() : 1;
    e.reportName = name.trimmed();
    e.title = title;
    e.tableName = TableOf(e.reportId);
    e.created = QDateTime::currentDateTime().toString(Qt::ISODate);
    m_db.execute(QStringLiteral("DROP TABLE IF EXISTS ") + SqlIdent(e.tableName));
    m_db.execute(QStringLiteral("CREATE TABLE ") + SqlIdent(e.tableName) +
                 QStringLiteral(" AS SELECT * FROM ") + SqlIdent(sourceTable));
    m_db.execute(QStringLiteral("INSERT INTO ") + SqlIdent(kCatalogue) +
                     QStringLiteral(" (ReportId, sProg, sForm, ReportName, Title, TableName, "
                                    "Created) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                 {e.reportId, SqlText(sProg), SqlText(sForm), SqlText(e.reportName), SqlText(title),
                  e.tableName, e.created});
    t.commit();
    return e;
}

void ReportStore::remove(int reportId)
{
    Transaction t(m_db);
    m_db.execute(QStringLiteral("DROP TABLE IF EXISTS ") + SqlIdent(TableOf(reportId)));
    m_db.execute(QStringLiteral("DELETE FROM ") + SqlIdent(kCatalogue) +
                     QStringLiteral(" WHERE ReportId = ?"),
                 {reportId});
    t.commit();
}
