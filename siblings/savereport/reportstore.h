#pragma once

#include <QList>
#include <QString>

class DbConnection;

// Named reports kept in the company database: a catalogue row per report in
// "Saved_Reports", and the report's rows copied into a table of its own
// ("SR_<ReportId>"). Errors are DatabaseError exceptions.
class ReportStore
{
public:
    struct Entry
    {
        int reportId = 0;
        QString reportName;
        QString title;
        QString tableName;
        QString created;
    };

    explicit ReportStore(DbConnection& connection) : m_db(connection) {}

    // The reports of one window, by name.
    QList<Entry> reports(const QString& sProg, const QString& sForm) const;
    // The report of that name, or one with reportId 0.
    Entry find(const QString& sProg, const QString& sForm, const QString& name) const;
    // Copies the rows of `sourceTable` under `name`, replacing a report of that name.
    Entry save(const QString& sProg, const QString& sForm, const QString& name,
               const QString& title, const QString& sourceTable);
    void remove(int reportId);

private:
    void createCatalogue() const;
    bool hasCatalogue() const;

    DbConnection& m_db;
};
