#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "democompany.h"
#include "dialect.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QCalendar>
#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <tuple>

namespace {

const QString kYear = QStringLiteral("1404");
const QString kPreviousYear = QStringLiteral("1403");

// Every row of `sql`, each value as text.
QList<QStringList> Rows(const DbConnection& db, const QString& sql)
{
    QSqlQuery q = db.select(sql);
    QList<QStringList> out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i).toString();
        out << row;
    }
    return out;
}

QString Value(const DbConnection& db, const QString& sql)
{
    const QList<QStringList> rows = Rows(db, sql);
    return rows.isEmpty() || rows.first().isEmpty() ? QString() : rows.first().first();
}

// KEY=VALUE; texts as the module reads them.
QString SettingValue(const QString& text, const QString& key)
{
    const QString upper = text.toUpper();
    const int at = upper.indexOf(key.toUpper() + QLatin1Char('='));
    if (at < 0)
        return QString();
    const int from = at + key.size() + 1;
    const int end = text.indexOf(QLatin1Char(';'), from);
    return text.mid(from, end < 0 ? -1 : end - from);
}

// The rights letters of `user` for `prefix`, built from UserSdcDetail as the voucher
// windows build them.
QString RightsLetters(const DbConnection& db, int user, const QString& prefix)
{
    QString text;
    for (const QStringList& row :
         Rows(db, QStringLiteral("SELECT StrId, ") + SqlIdent(QString::number(user)) +
                      QStringLiteral(" FROM UserSdcDetail WHERE StrId LIKE ") +
                      SqlQuote(prefix + QLatin1Char('%')) +
                      QStringLiteral(" ORDER BY StrId, Parent")))
        text += row.at(0) + QLatin1Char('(') + row.at(1) + QStringLiteral("),");
    QString letters;
    if (text.contains(QStringLiteral("_SABT(Y)")))
        letters += QStringLiteral("N_");
    if (text.contains(QStringLiteral("_EDIT(Y)")))
        letters += QStringLiteral("E_");
    if (text.contains(QStringLiteral("_DEL(Y)")))
        letters += QStringLiteral("D_");
    if (text.contains(QStringLiteral("_VIEW(Y)")))
        letters += QStringLiteral("V_");
    return letters;
}

// The chart of accounts of a database and the validation of an account chain by
// its rules: required levels, existence, activity and group/member restrictions
// with their precedence. Returns the fault, or an empty text.
class ChartBook
{
public:
    explicit ChartBook(const DbConnection& db)
    {
        for (const QStringList& r : Rows(db, QStringLiteral("SELECT Koll, IsActive FROM Koll")))
            m_kolls.insert(r.at(0), r.at(1).trimmed() == QStringLiteral("فعال"));
        for (const QStringList& r :
             Rows(db,
                  QStringLiteral("SELECT Koll, Moein, IsActive, IsTafsily1, IsTafsily2, "
                                 "IsProject, GrohTafsily, TafsilyJoz, GrohTafsily2, Tafsily2Joz, "
                                 "GrohProject, ProjectJoz FROM Moein")))
            m_moeins.insert(r.at(0) + r.at(1), r.mid(2));
        const auto load = [&db](QHash<QString, QStringList>& level, const QString& sql) {
            for (const QStringList& r : Rows(db, sql))
                level.insert(r.at(0), r.mid(1));
        };
        load(m_tafsilys, QStringLiteral("SELECT Tafsily, IsActive, GrohTafsily2, Tafsily2Joz, "
                                        "GrohProject, ProjectJoz FROM Tafsily"));
        load(m_tafsily2s,
             QStringLiteral("SELECT Tafsily2, IsActive, '', '', GrohProject, ProjectJoz "
                            "FROM Tafsily2"));
        load(m_projects, QStringLiteral("SELECT ProjectCod, IsActive FROM M_Project"));
        m_tafsilyGroup = db.dialect().columnWidth(QStringLiteral("GrohTafsily"),
                                                  QStringLiteral("TafsilyGrohCod"));
        m_tafsily2Group = db.dialect().columnWidth(QStringLiteral("GrohTafsily2"),
                                                   QStringLiteral("Tafsily2GrohCod"));
        m_projectGroup = db.dialect().columnWidth(QStringLiteral("M_GrohProject"),
                                                  QStringLiteral("ProjectGrohCod"));
    }

    QString check(const QStringList& chain) const
    {
        const QString &koll = chain.at(0), &moein = chain.at(1), &tafsily = chain.at(2),
                      &tafsily2 = chain.at(3), &project = chain.at(4);
        if (!m_kolls.value(koll))
            return QStringLiteral("Koll '%1' missing or inactive").arg(koll);
        if (!m_moeins.contains(koll + moein))
            return QStringLiteral("Moein '%1%2' missing").arg(koll, moein);
        const QStringList m = m_moeins.value(koll + moein);
        if (m.at(0).trimmed() != QStringLiteral("فعال"))
            return QStringLiteral("Moein '%1%2' inactive").arg(koll, moein);
        const auto has = [](const QString& flag) {
            return flag.trimmed() == QStringLiteral("دارد");
        };

        if (has(m.at(1))) {
            const QString fault = detail(QStringLiteral("Tafsily"), m_tafsilys, tafsily, m.at(4),
                                         m.at(5), m_tafsilyGroup);
            if (!fault.isEmpty())
                return fault;
        } else if (!tafsily.isEmpty()) {
            return QStringLiteral("Tafsily '%1' where the Moein has none").arg(tafsily);
        }

        if (has(m.at(2))) {
            QString groups = m.at(6), members = m.at(7);
            const QStringList t = m_tafsilys.value(tafsily);
            if (!t.isEmpty() && (!t.at(1).isEmpty() || !t.at(2).isEmpty()))
                groups = t.at(1), members = t.at(2);
            const QString fault = detail(QStringLiteral("Tafsily2"), m_tafsily2s, tafsily2, groups,
                                         members, m_tafsily2Group);
            if (!fault.isEmpty())
                return fault;
        } else if (!tafsily2.isEmpty()) {
            return QStringLiteral("Tafsily2 '%1' where the Moein has none").arg(tafsily2);
        }

        if (has(m.at(3))) {
            QString groups = m.at(8), members = m.at(9);
            const QStringList t2 = m_tafsily2s.value(tafsily2);
            const QStringList t = m_tafsilys.value(tafsily);
            if (!t2.isEmpty() && (!t2.at(3).isEmpty() || !t2.at(4).isEmpty()))
                groups = t2.at(3), members = t2.at(4);
            else if (!t.isEmpty() && (!t.at(3).isEmpty() || !t.at(4).isEmpty()))
                groups = t.at(3), members = t.at(4);
            const QString fault = detail(QStringLiteral("ProjectCod"), m_projects, project, groups,
                                         members, m_projectGroup);
            if (!fault.isEmpty())
                return fault;
        } else if (!project.isEmpty()) {
            return QStringLiteral("ProjectCod '%1' where the Moein has none").arg(project);
        }
        return QString();
    }

private:
    static QString detail(const QString& level, const QHash<QString, QStringList>& accounts,
                          const QString& code, const QString& groups, const QString& members,
                          int groupLength)
    {
        if (code.trimmed().isEmpty())
            return level + QStringLiteral(" empty");
        if (!accounts.contains(code))
            return QStringLiteral("%1 '%2' missing").arg(level, code);
        if (accounts.value(code).at(0).trimmed() != QStringLiteral("فعال"))
            return QStringLiteral("%1 '%2' inactive").arg(level, code);
        const bool inGroup = !groups.isEmpty() && groups.contains(code.left(groupLength));
        const bool listed = !members.isEmpty() && members.contains(code);
        if ((!groups.isEmpty() || !members.isEmpty()) && !inGroup && !listed)
            return QStringLiteral("%1 '%2' outside its restriction").arg(level, code);
        return QString();
    }

    QHash<QString, bool> m_kolls;
    QHash<QString, QStringList> m_moeins;
    QHash<QString, QStringList> m_tafsilys;
    QHash<QString, QStringList> m_tafsily2s;
    QHash<QString, QStringList> m_projects;
    int m_tafsilyGroup = 0;
    int m_tafsily2Group = 0;
    int m_projectGroup = 0;
};

// The voucher tables with their date column.
QList<std::pair<QString, QString>> VoucherTables()
{
    QList<std::pair<QString, QString>> out;
    for (const QString& t : Schema::VoucherTableNames())
        out.append({t, t == QLatin1String("D_Gardani") ? QStringLiteral("SDate")
                                                       : QStringLiteral("sDate")});
    return out;
}

} // namespace

class tst_democompany : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void registerListsBothPeriodsAndTheyOpen();
    void sameSeedGivesTheSameData();
    void codesAreStoredInTheirForm();
    void referencesAndAccountChainsExist();
    void disposedAssetsAppearInNoLaterVoucher();
    void assetsAreBoughtBeforeTheyAreUsed();
    void purchaseComponentsSumToTheCost();
    void everyKindHasNumberedVouchers();
    void usersRightsAndPrivileges();
    void settingsKeepStoredVouchersEditable();
    void chartOffersRestrictionsAndInactiveAccounts();
    void defaultYearIsTheCurrentJalaliYear();

private:
    std::unique_ptr<DbConnection> open(const QString& year, const QString& folder = QString());
    QByteArray digest(const QString& folder);

    QTemporaryDir m_dir;
};

void tst_democompany::initTestCase()
{
    QVERIFY(m_dir.isValid());
    DemoOptions options;
    options.currentYear = kYear;
    CreateDemoCompany(m_dir.path(), options);
}

std::unique_ptr<DbConnection> tst_democompany::open(const QString& year, const QString& folder)
{
    DatabaseFolder f(folder.isEmpty() ? m_dir.path() : folder);
    return f.openCompany(QStringLiteral("1"), year, false);
}

// A digest of the tables the seed decides: assets, people, chart and vouchers.
QByteArray tst_democompany::digest(const QString& folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    const QStringList tables{
        QStringLiteral("D_Amval"),        QStringLiteral("Person"),
        QStringLiteral("D_Mabadi"),       QStringLiteral("Moein"),
        QStringLiteral("D_Buy_Create"),   QStringLiteral("D_Buy_Create_Relate_Gheimat"),
        QStringLiteral("D_ForoshDaymeh"), QStringLiteral("D_Tahvil_Antegal"),
        QStringLiteral("D_Gardani"),      QStringLiteral("Asnad")};
    for (const QString& year : {kPreviousYear, kYear}) {
        std::unique_ptr<DbConnection> db = open(year, folder);
        if (!db)
            return {};
        for (const QString& table : tables) {
            const int columns = int(db->dialect().tableColumns(table).size());
            QStringList order;
            for (int i = 1; i <= columns; ++i)
                order << QString::number(i);
            for (const QStringList& row :
                 Rows(*db, QStringLiteral("SELECT * FROM ") + SqlIdent(table) +
                               QStringLiteral(" ORDER BY ") + order.join(QLatin1Char(','))))
                hash.addData(row.join(QLatin1Char('\t')).toUtf8() + '\n');
        }
    }
    return hash.result();
}

void tst_democompany::registerListsBothPeriodsAndTheyOpen()
{
    const QList<CompanyPeriod> periods = DatabaseFolder(m_dir.path()).periods();
    QStringList company1;
    for (const CompanyPeriod& p : periods) {
        if (p.company == QLatin1String("1"))
            company1 << p.year;
        QCOMPARE(p.databaseName, CompanyDatabaseName(p.company, p.year));
        QVERIFY(!p.name.trimmed().isEmpty());
        QCOMPARE(p.startDate, p.year + QStringLiteral("/01/01"));
    }
    QCOMPARE(company1, QStringList({kPreviousYear, kYear}));
    // The second company has a period of its own.
    QVERIFY(periods.size() > 2);

    // The period list entry of the carry-forward window: year in characters 1 to 4,
    // the company code in characters 6 to 9.
    std::unique_ptr<DbConnection> reg =
        std::make_unique<DbConnection>(DatabaseFolder(m_dir.path()).registerFile());
    const QList<QStringList> entries =
        Rows(*reg, QStringLiteral("SELECT sYear || '-' || sCode || ' : ' || sName FROM Sdc_Company "
                                  "ORDER BY sCode, sYear"));
    QVERIFY(!entries.isEmpty());
    QCOMPARE(entries.first().first().mid(5, 4).trimmed(), QStringLiteral("1"));

    for (const CompanyPeriod& p : periods) {
        std::unique_ptr<DbConnection> db =
            DatabaseFolder(m_dir.path()).openCompany(p.company, p.year, false);
        QVERIFY2(db, qPrintable(p.databaseName));
        QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM Options WHERE sCode = ") +
                                SqlQuote(p.company + p.year)),
                 QStringLiteral("1"));
        QVERIFY(Value(*db, QStringLiteral("SELECT COUNT(*) FROM D_Amval")).toInt() > 0);
    }
    std::unique_ptr<DbConnection> current = open(kYear);
    QCOMPARE(Value(*current, QStringLiteral("SELECT COUNT(*) FROM D_Amval")),
             QStringLiteral("300"));
}

void tst_democompany::sameSeedGivesTheSameData()
{
    const QByteArray first = digest(m_dir.path());
    QVERIFY(!first.isEmpty());

    QTemporaryDir other;
    DemoOptions options;
    options.currentYear = kYear;
    CreateDemoCompany(other.path(), options);
    QCOMPARE(digest(other.path()), first);

    // Writing the demo again over an existing one replaces it.
    CreateDemoCompany(other.path(), options);
    QCOMPARE(digest(other.path()), first);

    QTemporaryDir third;
    options.seed = 7;
    CreateDemoCompany(third.path(), options);
    QVERIFY(digest(third.path()) != first);
}

void tst_democompany::codesAreStoredInTheirForm()
{
    const QSet<QString> rightAligned{
        QStringLiteral("daracod"),   QStringLiteral("vazcod"),      QStringLiteral("vezcod"),
        QStringLiteral("oldvezcod"), QStringLiteral("newvezcod"),   QStringLiteral("madehcod"),
        QStringLiteral("makancod"),  QStringLiteral("personelcod"), QStringLiteral("mabadicod"),
        QStringLiteral("koll"),      QStringLiteral("moein"),       QStringLiteral("hkoll"),
        QStringLiteral("hmoein"),    QStringLiteral("gheimatcod"),  QStringLiteral("sanadnoamval"),
        QStringLiteral("d_koll"),    QStringLiteral("d_moein")};
    const QSet<QString> zeroFilled{
        QStringLiteral("tafsily"),   QStringLiteral("tafsily2"),   QStringLiteral("projectcod"),
        QStringLiteral("htafsily"),  QStringLiteral("htafsily2"),  QStringLiteral("hprojectcod"),
        QStringLiteral("d_tafsily"), QStringLiteral("d_tafsily2"), QStringLiteral("d_projectcod")};
    const QSet<QString> dates{QStringLiteral("sdate"),
                              QStringLiteral("bahredate"),
                              QStringLiteral("startdate"),
                              QStringLiteral("sanaddate"),
                              QStringLiteral("buydate"),
                              QStringLiteral("garantiend"),
                              QStringLiteral("company_startdate")};
    const QRegularExpression dateShape(QStringLiteral("^\\d{4}/\\d{2}/\\d{2}$"));
    const QCalendar jalali(QCalendar::System::Jalali);

    for (const QString& year : {kPreviousYear, kYear}) {
        std::unique_ptr<DbConnection> db = open(year);
        QVERIFY(db);
        int checked = 0;
        for (const TableDef& table : Schema::CompanyTables()) {
            for (const ColumnDef& column : table.columns) {
                const QString name = column.name.toLower();
                const bool isCode =
                    rightAligned.contains(name) || zeroFilled.contains(name) ||
                    (table.name == QLatin1String("Person") && name == QLatin1String("code"));
                if (!isCode && !dates.contains(name))
                    continue;
                for (const QStringList& row :
                     Rows(*db, QStringLiteral("SELECT DISTINCT ") + SqlIdent(column.name) +
                                   QStringLiteral(" FROM ") + SqlIdent(table.name))) {
                    const QString v = row.first();
                    if (v.isEmpty())
                        continue;
                    ++checked;
                    const QString where = table.name + QLatin1Char('.') + column.name +
                                          QStringLiteral(" '") + v + QLatin1Char('\'');
                    if (dates.contains(name)) {
                        QVERIFY2(dateShape.match(v).hasMatch(), qPrintable(where));
                        QVERIFY2(jalali.isDateValid(v.left(4).toInt(), v.mid(5, 2).toInt(),
                                                    v.mid(8, 2).toInt()),
                                 qPrintable(where));
                        continue;
                    }
                    QVERIFY2(column.width > 0 && v.size() == column.width, qPrintable(where));
                    if (zeroFilled.contains(name)) {
                        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+$")).match(v).hasMatch(),
                                 qPrintable(where));
                    } else {
                        const QString code = v.trimmed();
                        QVERIFY2(!code.contains(QLatin1Char(' ')) && v.endsWith(code),
                                 qPrintable(where));
                    }
                }
            }
        }
        // Codes are stored padded: at least the asset and account codes were seen.
        QVERIFY(checked > 1000);
    }
}

void tst_democompany::referencesAndAccountChainsExist()
{
    // Code column → the table and key it refers to.
    const QList<std::tuple<QString, QString, QString>> references{
        {QStringLiteral("DaraCod"), QStringLiteral("D_Amval"), QStringLiteral("DaraCod")},
        {QStringLiteral("VazCod"), QStringLiteral("D_VazDarae"), QStringLiteral("VazCod")},
        {QStringLiteral("VezCod"), QStringLiteral("D_VezArat"), QStringLiteral("VezCod")},
        {QStringLiteral("OldVezCod"), QStringLiteral("D_VezArat"), QStringLiteral("VezCod")},
        {QStringLiteral("NewVezCod"), QStringLiteral("D_VezArat"), QStringLiteral("VezCod")},
        {QStringLiteral("MadehCod"), QStringLiteral("D_Madeh151"), QStringLiteral("MadehCod")},
        {QStringLiteral("MakanCod"), QStringLiteral("D_Makan"), QStringLiteral("MakanCod")},
        {QStringLiteral("PersonelCod"), QStringLiteral("Person"), QStringLiteral("Code")},
        {QStringLiteral("MabadiCod"), QStringLiteral("D_Mabadi"), QStringLiteral("MabadiCod")},
        {QStringLiteral("GheimatCod"), QStringLiteral("D_Gheimat"), QStringLiteral("GheimatCod")}};
    for (const QString& year : {kPreviousYear, kYear}) {
        std::unique_ptr<DbConnection> db = open(year);
        QVERIFY(db);
        for (const TableDef& table : Schema::CompanyTables()) {
            for (const auto& [column, target, key] : references) {
                if (!table.column(column) || table.name == target)
                    continue;
                const QString missing = Value(
                    *db, QStringLiteral(
                             "SELECT %1 FROM %2 WHERE %1 <> '' AND %1 NOT IN (SELECT %3 FROM %4)")
                             .arg(SqlIdent(column), SqlIdent(table.name), SqlIdent(key),
                                  SqlIdent(target)));
                QVERIFY2(missing.isEmpty(), qPrintable(table.name + QLatin1Char('.') + column +
                                                       QStringLiteral(": ") + missing));
            }
        }
        // The cost centre columns of the retirement and transfer vouchers.
        for (const QString& table : Schema::VoucherTableNames()) {
            if (Schema::FindCompanyTable(table)->column(QStringLiteral("Koll")))
                continue;
            if (!Schema::FindCompanyTable(table)->column(QStringLiteral("Tafsily2")))
                continue;
            QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM ") + SqlIdent(table) +
                                    QStringLiteral(
                                        " WHERE Tafsily2 NOT IN (SELECT Tafsily2 FROM Tafsily2)")),
                     QStringLiteral("0"));
        }

        const ChartBook chart(*db);
        const auto chains = [&](const QString& table, const QString& prefix) {
            const QStringList c{prefix + QStringLiteral("Koll"), prefix + QStringLiteral("Moein"),
                                prefix + QStringLiteral("Tafsily"),
                                prefix + QStringLiteral("Tafsily2"),
                                prefix + QStringLiteral("ProjectCod")};
            QStringList faults;
            int rows = 0;
            QStringList quoted;
            for (const QString& n : c)
                quoted << SqlIdent(n);
            for (const QStringList& row :
                 Rows(*db, QStringLiteral("SELECT ") + quoted.join(QStringLiteral(", ")) +
                               QStringLiteral(" FROM ") + SqlIdent(table))) {
                ++rows;
                const QString fault = chart.check(row);
                if (!fault.isEmpty())
                    faults << table + QStringLiteral(" ") + prefix + QStringLiteral(": ") + fault;
            }
            return std::make_pair(rows, faults);
        };
        int checked = 0;
        for (const TableDef& table : Schema::CompanyTables()) {
            for (const QString& prefix : {QString(), QStringLiteral("H"), QStringLiteral("D_")}) {
                if (!table.column(prefix + QStringLiteral("Koll")) ||
                    table.name == QLatin1String("Koll") || table.name == QLatin1String("Moein") ||
                    table.name == QLatin1String("N_Command") ||
                    table.name == QLatin1String("A_AsnadAnbar") ||
                    table.name == QLatin1String("AsnadDetail"))
                    continue;
                const auto [rows, faults] = chains(table.name, prefix);
                checked += rows;
                QVERIFY2(faults.isEmpty(), qPrintable(faults.mid(0, 5).join(QLatin1Char('\n'))));
            }
        }
        QVERIFY(checked > 200);
    }
}

void tst_democompany::disposedAssetsAppearInNoLaterVoucher()
{
    std::unique_ptr<DbConnection> previous = open(kPreviousYear);
    std::unique_ptr<DbConnection> current = open(kYear);
    QVERIFY(previous && current);

    QSet<QString> disposedBefore;
    for (DbConnection* db : {previous.get(), current.get()}) {
        // Asset → (date, table, number) of its sale or permanent retirement.
        QHash<QString, QStringList> disposals;
        for (const QString& table :
             {QStringLiteral("D_ForoshDaymeh"), QStringLiteral("D_KenarD")}) {
            for (const QStringList& r :
                 Rows(*db, QStringLiteral("SELECT DaraCod, sDate, SanadNoAmval FROM ") + table)) {
                QVERIFY2(!disposals.contains(r.at(0)),
                         qPrintable(QStringLiteral("disposed twice: ") + r.at(0)));
                disposals.insert(r.at(0), {r.at(1), table, r.at(2)});
            }
        }
        QVERIFY(!disposals.isEmpty());
        for (const auto& [table, dateColumn] : VoucherTables()) {
            for (const QStringList& r :
                 Rows(*db, QStringLiteral("SELECT DaraCod, %1, SanadNoAmval FROM %2")
                               .arg(SqlIdent(dateColumn), SqlIdent(table)))) {
                const QString where =
                    table + QLatin1Char(' ') + r.at(2) + QLatin1Char(' ') + r.at(0);
                QVERIFY2(!disposedBefore.contains(r.at(0)),
                         qPrintable(where + QStringLiteral(" after a past period")));
                if (!disposals.contains(r.at(0)))
                    continue;
                const QStringList d = disposals.value(r.at(0));
                if (table == d.at(1) && r.at(2) == d.at(2))
                    continue; // the disposal itself
                if (table == QLatin1String("D_BarKenarD") && d.at(1) == QLatin1String("D_KenarD")) {
                    QVERIFY2(r.at(1) > d.at(0), qPrintable(where));
                    continue; // the return from that retirement
                }
                QVERIFY2(r.at(1) < d.at(0), qPrintable(where + QStringLiteral(" on ") + r.at(1) +
                                                       QStringLiteral(", disposed ") + d.at(0)));
            }
        }
        for (auto it = disposals.cbegin(); it != disposals.cend(); ++it)
            disposedBefore.insert(it.key());
    }

    // The guard the windows run finds nothing for the rows of other vouchers: no
    // sale or retirement on or before their date.
    for (const QString& table :
         {QStringLiteral("D_Tahvil_Antegal"), QStringLiteral("D_AsaseChange"),
          QStringLiteral("D_KenarM"), QStringLiteral("D_DaraeReduce")}) {
        for (const QStringList& r :
             Rows(*current, QStringLiteral("SELECT DaraCod, SanadNoAmval, sDate FROM ") + table)) {
            for (const QString& disposal :
                 {QStringLiteral("D_ForoshDaymeh"), QStringLiteral("D_KenarD")}) {
                QCOMPARE(
                    Value(*current, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE DaraCod = %2 AND "
                                                   "SanadNoAmval <> %3 AND sDate <= %4")
                                        .arg(disposal, SqlQuote(r.at(0)), SqlQuote(r.at(1)),
                                             SqlQuote(r.at(2)))),
                    QStringLiteral("0"));
            }
        }
    }
}

void tst_democompany::assetsAreBoughtBeforeTheyAreUsed()
{
    for (const QString& year : {kPreviousYear, kYear}) {
        std::unique_ptr<DbConnection> db = open(year);
        QVERIFY(db);
        // A purchase is dated on or before the asset's date of use, and the asset
        // has no cost of its own yet, so that the stored row passes its checks again.
        QCOMPARE(
            Value(*db, QStringLiteral(
                           "SELECT COUNT(*) FROM D_Buy_Create B JOIN D_Amval A ON "
                           "A.DaraCod = B.DaraCod WHERE A.BahreDate < B.sDate OR A.EndValue <> 0")),
            QStringLiteral("0"));
        for (const auto& [table, dateColumn] : VoucherTables()) {
            if (table == QLatin1String("D_Buy_Create"))
                continue;
            const QString rows =
                QStringLiteral("SELECT V.DaraCod, V.%1 AS D FROM %2 V JOIN D_Amval A ON "
                               "A.DaraCod = V.DaraCod ")
                    .arg(SqlIdent(dateColumn), SqlIdent(table));
            // In use on the voucher date (the start-of-use check of the windows).
            QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM (") + rows +
                                    QStringLiteral("WHERE A.BahreDate > V.") +
                                    SqlIdent(dateColumn) + QStringLiteral(")")),
                     QStringLiteral("0"));
            // An asset without a cost of its own was bought in this period, before.
            QCOMPARE(
                Value(*db,
                      QStringLiteral("SELECT COUNT(*) FROM (") + rows +
                          QStringLiteral(
                              "WHERE A.EndValue = 0) R WHERE NOT EXISTS (SELECT 1 FROM "
                              "D_Buy_Create B WHERE B.DaraCod = R.DaraCod AND B.sDate < R.D)")),
                QStringLiteral("0"));
        }
    }

    // A good share of the current register is still to be bought: no cost, no
    // purchase, put into use after the company started — what the purchase pick
    // list offers.
    std::unique_ptr<DbConnection> db = open(kYear);
    const QString start = Value(*db, QStringLiteral("SELECT Company_StartDate FROM Options"));
    QCOMPARE(start, kPreviousYear + QStringLiteral("/01/01"));
    const int buyable =
        Value(*db,
              QStringLiteral("SELECT COUNT(*) FROM D_Amval WHERE EndValue = 0 AND DaraCod NOT IN "
                             "(SELECT DaraCod FROM D_Buy_Create) AND BahreDate >= ") +
                  SqlQuote(start))
            .toInt();
    QVERIFY2(buyable >= 60, qPrintable(QString::number(buyable)));
    // ... and they can be bought after the stored purchases, on their date of use.
    const QString lastPurchase = Value(*db, QStringLiteral("SELECT MAX(sDate) FROM D_Buy_Create"));
    QCOMPARE(Value(*db, QStringLiteral(
                            "SELECT COUNT(*) FROM D_Amval WHERE EndValue = 0 AND DaraCod NOT IN "
                            "(SELECT DaraCod FROM D_Buy_Create) AND BahreDate <= ") +
                            SqlQuote(lastPurchase)),
             QStringLiteral("0"));
}

void tst_democompany::purchaseComponentsSumToTheCost()
{
    for (const QString& year : {kPreviousYear, kYear}) {
        std::unique_ptr<DbConnection> db = open(year);
        QVERIFY(db);
        const QList<QStringList> rows = Rows(
            *db, QStringLiteral(
                     "SELECT B.SanadNoAmval, B.DaraCod, B.EndFee, B.Esshat, "
                     "(SELECT SUM(R.sValue) FROM D_Buy_Create_Relate_Gheimat R WHERE "
                     "R.SanadNoAmval = B.SanadNoAmval AND R.DaraCod = B.DaraCod), "
                     "(SELECT COUNT(*) FROM D_Buy_Create_Relate_Gheimat R WHERE "
                     "R.SanadNoAmval = B.SanadNoAmval AND R.DaraCod = B.DaraCod AND R.sValue <= 0) "
                     "FROM D_Buy_Create B"));
        QVERIFY(rows.size() > 10);
        for (const QStringList& r : rows) {
            const QString where = r.at(0) + QLatin1Char(' ') + r.at(1);
            QVERIFY2(r.at(2).toDouble() > 0, qPrintable(where));
            QVERIFY2(qFuzzyCompare(r.at(2).toDouble(), r.at(4).toDouble()), qPrintable(where));
            QVERIFY2(r.at(3).toDouble() < r.at(2).toDouble(), qPrintable(where));
            QCOMPARE(r.at(5), QStringLiteral("0"));
        }
        // No component belongs to an asset outside its purchase voucher.
        QCOMPARE(
            Value(*db, QStringLiteral(
                           "SELECT COUNT(*) FROM D_Buy_Create_Relate_Gheimat R WHERE NOT EXISTS "
                           "(SELECT 1 FROM D_Buy_Create B WHERE B.SanadNoAmval = R.SanadNoAmval "
                           "AND B.DaraCod = R.DaraCod)")),
            QStringLiteral("0"));
    }
}

void tst_democompany::everyKindHasNumberedVouchers()
{
    std::unique_ptr<DbConnection> current = open(kYear);
    std::unique_ptr<DbConnection> previous = open(kPreviousYear);
    QVERIFY(current && previous);
    const QString voucherWidth = QString::number(current->dialect().columnWidth(
        QStringLiteral("D_Buy_Create"), QStringLiteral("SanadNoAmval")));
    for (const auto& [table, dateColumn] : VoucherTables()) {
        const bool counted = table == QLatin1String("D_Gardani");
        const QList<QStringList> vouchers = Rows(
            *current,
            QStringLiteral("SELECT SanadNoAmval, COUNT(*), MIN(%1), MAX(%1), COUNT(DISTINCT %2), "
                           "COUNT(DISTINCT User_Name), COUNT(DISTINCT DaraCod) FROM %3 "
                           "GROUP BY SanadNoAmval ORDER BY SanadNoAmval")
                .arg(counted ? QStringLiteral("1") : QStringLiteral("Raj"), SqlIdent(dateColumn),
                     SqlIdent(table)));
        QVERIFY2(!vouchers.isEmpty(), qPrintable(table));
        QString lastDate;
        for (int i = 0; i < vouchers.size(); ++i) {
            const QStringList& v = vouchers.at(i);
            const QString where = table + QLatin1Char(' ') + v.at(0);
            // Numbers 1..n without gaps, growing with the dates.
            QCOMPARE(v.at(0).trimmed(), QString::number(i + 1));
            QCOMPARE(QString::number(v.at(0).size()), voucherWidth);
            if (!counted) {
                QCOMPARE(v.at(2), QStringLiteral("1"));
                QVERIFY2(v.at(3) == v.at(1), qPrintable(where)); // Raj 1..n
            }
            QVERIFY2(v.at(4) == QLatin1String("1") && v.at(5) == QLatin1String("1"),
                     qPrintable(where));
            QVERIFY2(v.at(6) == v.at(1), qPrintable(where + QStringLiteral(": an asset twice")));
            const QString date =
                Value(*current, QStringLiteral("SELECT %1 FROM %2 WHERE SanadNoAmval = %3")
                                    .arg(SqlIdent(dateColumn), SqlIdent(table), SqlQuote(v.at(0))));
            QVERIFY2(date >= lastDate, qPrintable(where));
            QVERIFY2(date.startsWith(kYear), qPrintable(where));
            lastDate = date;
        }
    }
    // The kinds with most traffic have several vouchers of several rows.
    QVERIFY(Value(*current, QStringLiteral("SELECT COUNT(DISTINCT SanadNoAmval) FROM D_Buy_Create"))
                .toInt() >= 5);
    QVERIFY(Value(*current, QStringLiteral("SELECT MAX(Raj) FROM D_Tahvil_Antegal")).toInt() >= 3);
    // The previous period has vouchers of its own, dated in it.
    QVERIFY(Value(*previous, QStringLiteral("SELECT COUNT(*) FROM D_Buy_Create")).toInt() > 0);
    QVERIFY(Value(*previous, QStringLiteral("SELECT COUNT(*) FROM D_ForoshDaymeh")).toInt() > 0);
    QCOMPARE(Value(*previous,
                   QStringLiteral("SELECT COUNT(*) FROM D_Tahvil_Antegal WHERE sDate NOT LIKE ") +
                       SqlQuote(kPreviousYear + QStringLiteral("/%"))),
             QStringLiteral("0"));
}

void tst_democompany::usersRightsAndPrivileges()
{
    std::unique_ptr<DbConnection> db = open(kYear);
    QVERIFY(db);
    QCOMPARE(Value(*db, QStringLiteral("SELECT User_Name FROM UserSdc WHERE UserId = 1")),
             QStringLiteral("مدير سيستم"));
    QCOMPARE(RightsLetters(*db, 1, QStringLiteral("D_A_BUYCREATE_")), QStringLiteral("N_E_D_V_"));
    QCOMPARE(RightsLetters(*db, 2, QStringLiteral("D_A_BUYCREATE_")), QStringLiteral("N_V_"));
    QCOMPARE(RightsLetters(*db, 3, QStringLiteral("D_A_BUYCREATE_")), QStringLiteral("V_"));
    const QStringList prefixes{
        QStringLiteral("D_A_BUYCREATE_"),       QStringLiteral("D_A_ASASCHANGE_"),
        QStringLiteral("D_A_FIRSTTADIL_"),      QStringLiteral("D_A_SELLDARAE_"),
        QStringLiteral("D_A_REDUCEDARAE_"),     QStringLiteral("D_A_KENARM_"),
        QStringLiteral("D_A_KENARD_"),          QStringLiteral("D_A_TAHVIL_"),
        QStringLiteral("D_A_CHANGESOULATION_"), QStringLiteral("D_A_CHVEZARAT_"),
        QStringLiteral("D_A_AMVALGARDANI_")};
    for (const QString& prefix : prefixes) {
        QCOMPARE(RightsLetters(*db, 1, prefix), QStringLiteral("N_E_D_V_"));
        QVERIFY2(!RightsLetters(*db, 2, prefix).contains(QLatin1Char('D')), qPrintable(prefix));
        QVERIFY2(RightsLetters(*db, 2, prefix).contains(QLatin1Char('V')), qPrintable(prefix));
        QCOMPARE(RightsLetters(*db, 3, prefix), QStringLiteral("V_"));
        // One row per right, so that the text of a prefix holds each right once.
        QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM UserSdcDetail WHERE StrId LIKE ") +
                                SqlQuote(prefix + QLatin1Char('%'))),
                 QStringLiteral("4"));
    }
    // A user the demo does not have may do nothing.
    QCOMPARE(RightsLetters(*db, 4, QStringLiteral("D_A_BUYCREATE_")), QString());

    const auto zelmora = [&db](int user) {
        return Value(*db,
                     QStringLiteral("SELECT Zelmora FROM UserSdc WHERE UserId = %1").arg(user));
    };
    QCOMPARE(SettingValue(zelmora(1), QStringLiteral("COPY")), QStringLiteral("YES"));
    QCOMPARE(SettingValue(zelmora(1), QStringLiteral("PRINT")), QStringLiteral("YES"));
    QCOMPARE(SettingValue(zelmora(2), QStringLiteral("COPY")), QStringLiteral("NO"));

    // Pick-list privileges: everything for the administrator, a part for the clerk,
    // and only codes that exist.
    const QList<std::pair<QString, QString>> levels{
        {QStringLiteral("Koll"), QStringLiteral("SELECT Koll FROM Koll")},
        {QStringLiteral("Moein"), QStringLiteral("SELECT Koll || Moein FROM Moein")},
        {QStringLiteral("Tafsily"), QStringLiteral("SELECT Tafsily FROM Tafsily")},
        {QStringLiteral("Tafsily2"), QStringLiteral("SELECT Tafsily2 FROM Tafsily2")},
        {QStringLiteral("M_Project"), QStringLiteral("SELECT ProjectCod FROM M_Project")}};
    for (const auto& [table, codes] : levels) {
        const auto count = [&](const QString& user, const QString& extra) {
            return Value(*db,
                         QStringLiteral("SELECT COUNT(*) FROM UserPrivilege WHERE UserId = %1 AND "
                                        "Upper(TableName) = %2 %3")
                             .arg(SqlQuote(user), SqlQuote(table.toUpper()), extra))
                .toInt();
        };
        const int all =
            Value(*db, QStringLiteral("SELECT COUNT(*) FROM (") + codes + QLatin1Char(')')).toInt();
        QCOMPARE(count(QStringLiteral("1"), QString()), all);
        const int clerk = count(QStringLiteral("2"), QString());
        QVERIFY2(clerk > 0 && clerk < all, qPrintable(table));
        QCOMPARE(count(QStringLiteral("2"),
                       QStringLiteral("AND FieldCode NOT IN (") + codes + QLatin1Char(')')),
                 0);
    }
}

void tst_democompany::settingsKeepStoredVouchersEditable()
{
    for (const QString& year : {kPreviousYear, kYear}) {
        std::unique_ptr<DbConnection> db = open(year);
        QVERIFY(db);
        const QList<QStringList> options =
            Rows(*db, QStringLiteral("SELECT Dara, Zelmora FROM Options WHERE sCode = ") +
                          SqlQuote(QStringLiteral("1") + year));
        QCOMPARE(options.size(), 1);
        const QRegularExpression pairs(QStringLiteral("^([^=;]+=[^;]*;)+$"));
        const QString dara = options.first().at(0);
        const QString zelmora = options.first().at(1);
        QVERIFY2(pairs.match(dara).hasMatch(), qPrintable(dara));
        QVERIFY2(pairs.match(zelmora).hasMatch(), qPrintable(zelmora));
        QCOMPARE(SettingValue(dara, QStringLiteral("Ast_Mesure")), QStringLiteral("ماهانه"));
        QVERIFY(!SettingValue(dara, QStringLiteral("SANAD_TIME")).isEmpty());
        QVERIFY(SettingValue(dara, QStringLiteral("SANAD_TIME")) != QLatin1String("ANE"));
        QVERIFY(!SettingValue(dara, QStringLiteral("TYPEDARACOD")).isEmpty());
        QVERIFY(!SettingValue(dara, QStringLiteral("SANAD_TYPE")).isEmpty());
        QCOMPARE(SettingValue(zelmora, QStringLiteral("NAMTAFSILY2")),
                 QStringLiteral("مركز هزينه"));
        QCOMPARE(SettingValue(zelmora, QStringLiteral("NAMPROJECT")), QStringLiteral("پروژه"));
        QVERIFY(!SettingValue(zelmora, QStringLiteral("TYPE_CREATE_NEWAT")).isEmpty());
        QVERIFY(!SettingValue(zelmora, QStringLiteral("TYPESARFASLCOD")).isEmpty());

        const QString lastDepreciation =
            Value(*db, QStringLiteral("SELECT COALESCE(MAX(SanadDate), '1300/00/00') FROM Asnad "
                                      "WHERE TypeSys = 'D' AND WhatDoc IN ('98', '99')"));
        QVERIFY(lastDepreciation.startsWith(year));

        const QList<QStringList> dayBook = Rows(
            *db,
            QStringLiteral("SELECT UserId, WhatDoc, SanadNoAmval, SanadDate, Operator FROM D_Roz"));
        int vouchers = 0;
        int issued = 0;
        for (const VoucherKind& kind : VoucherKinds()) {
            if (kind.whatDoc.isEmpty())
                continue;
            // Every user has a day-book row of each kind.
            int rows = 0;
            for (const QStringList& posted : dayBook) {
                if (posted.at(1) == kind.whatDoc)
                    ++rows;
            }
            QCOMPARE(rows, 3);
            for (const QStringList& v :
                 Rows(*db, QStringLiteral("SELECT DISTINCT SanadNoAmval, sDate FROM ") +
                               SqlIdent(kind.table))) {
                ++vouchers;
                const QString where = kind.table + QLatin1Char(' ') + v.at(0);
                QVERIFY2(v.at(1) > lastDepreciation, qPrintable(where));
                for (const QStringList& posted : dayBook) {
                    if (posted.at(1) != kind.whatDoc)
                        continue;
                    QCOMPARE(posted.at(4), QStringLiteral("ض"));
                    const QString number = posted.at(2);
                    const QString date = posted.at(3);
                    const bool covered = (!number.trimmed().isEmpty() && v.at(0) <= number) ||
                                         v.at(1) < date ||
                                         (number.trimmed().isEmpty() && v.at(1) <= date);
                    QVERIFY2(!covered, qPrintable(where + QStringLiteral(" user ") + posted.at(0)));
                }
                if (!Value(*db, QStringLiteral(
                                    "SELECT SanadNo FROM Asnad WHERE TypeSys='D' AND WhatDoc=") +
                                    SqlQuote(kind.whatDoc) +
                                    QStringLiteral(" AND TRIM(Document) = TRIM(") +
                                    SqlQuote(v.at(0)) +
                                    QStringLiteral(") AND LTRIM(DocToDate) = '1'"))
                         .isEmpty())
                    ++issued;
            }
        }
        // A few vouchers open read-only behind an issued accounting voucher; most do not.
        QVERIFY2(issued >= 1 && issued * 10 < vouchers, qPrintable(QString::number(issued)));
        QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM Asnad WHERE DocToDate = '1'")),
                 QString::number(issued));
    }
}

void tst_democompany::chartOffersRestrictionsAndInactiveAccounts()
{
    std::unique_ptr<DbConnection> db = open(kYear);
    QVERIFY(db);
    for (const QString& table :
         {QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
          QStringLiteral("Tafsily2"), QStringLiteral("M_Project")}) {
        QVERIFY2(Value(*db, QStringLiteral("SELECT COUNT(*) FROM %1 WHERE IsActive = 'غيرفعال'")
                                .arg(SqlIdent(table)))
                         .toInt() > 0,
                 qPrintable(table));
        QCOMPARE(Value(*db, QStringLiteral(
                                "SELECT COUNT(*) FROM %1 WHERE IsActive NOT IN ('فعال', 'غيرفعال')")
                                .arg(SqlIdent(table))),
                 QStringLiteral("0"));
    }
    for (const QString& flag : {QStringLiteral("IsTafsily1"), QStringLiteral("IsTafsily2"),
                                QStringLiteral("IsProject")}) {
        QCOMPARE(
            Value(*db, QStringLiteral("SELECT COUNT(DISTINCT %1) FROM Moein").arg(SqlIdent(flag))),
            QStringLiteral("2"));
        QCOMPARE(Value(*db, QStringLiteral(
                                "SELECT COUNT(*) FROM Moein WHERE %1 NOT IN ('دارد', 'ندارد')")
                                .arg(SqlIdent(flag))),
                 QStringLiteral("0"));
    }
    // Subsidiary accounts narrow their detail levels by groups, by members and by both.
    QVERIFY(
        Value(*db, QStringLiteral(
                       "SELECT COUNT(*) FROM Moein WHERE GrohTafsily <> '' AND TafsilyJoz = ''"))
            .toInt() > 0);
    QVERIFY(
        Value(*db, QStringLiteral(
                       "SELECT COUNT(*) FROM Moein WHERE GrohTafsily = '' AND TafsilyJoz <> ''"))
            .toInt() > 0);
    QVERIFY(
        Value(*db, QStringLiteral(
                       "SELECT COUNT(*) FROM Moein WHERE GrohTafsily <> '' AND TafsilyJoz <> ''"))
            .toInt() > 0);
    QVERIFY(
        Value(*db, QStringLiteral("SELECT COUNT(*) FROM Moein WHERE GrohTafsily2 <> ''")).toInt() >
        0);
    QVERIFY(
        Value(*db, QStringLiteral("SELECT COUNT(*) FROM Moein WHERE ProjectJoz <> ''")).toInt() >
        0);
    // Detail accounts with restrictions of their own, which take precedence.
    QVERIFY(Value(*db,
                  QStringLiteral(
                      "SELECT COUNT(*) FROM Tafsily WHERE GrohTafsily2 <> '' OR Tafsily2Joz <> ''"))
                .toInt() > 0);
    QVERIFY(
        Value(*db, QStringLiteral(
                       "SELECT COUNT(*) FROM Tafsily WHERE GrohProject <> '' OR ProjectJoz <> ''"))
            .toInt() > 0);
    QVERIFY(
        Value(*db, QStringLiteral(
                       "SELECT COUNT(*) FROM Tafsily2 WHERE GrohProject <> '' OR ProjectJoz <> ''"))
            .toInt() > 0);
    // Every group named in a group list is a group of its level.
    const int groupLength =
        db->dialect().columnWidth(QStringLiteral("GrohTafsily"), QStringLiteral("TafsilyGrohCod"));
    const QList<QStringList> groups =
        Rows(*db, QStringLiteral("SELECT TafsilyGrohCod FROM GrohTafsily"));
    QVERIFY(!groups.isEmpty());
    for (const QStringList& row :
         Rows(*db, QStringLiteral("SELECT GrohTafsily FROM Moein WHERE GrohTafsily <> ''"))) {
        for (const QString& g : row.first().split(QLatin1Char(','))) {
            QCOMPARE(g.size(), groupLength);
            QVERIFY2(groups.contains(QStringList{g}), qPrintable(g));
        }
    }
}

void tst_democompany::defaultYearIsTheCurrentJalaliYear()
{
    QTemporaryDir dir;
    DemoOptions options;
    options.assets = 30;
    CreateDemoCompany(dir.path(), options);
    const int year = QCalendar(QCalendar::System::Jalali).partsFromDate(QDate::currentDate()).year;
    QStringList years;
    for (const CompanyPeriod& p : DatabaseFolder(dir.path()).periods()) {
        if (p.company == QLatin1String("1"))
            years << p.year;
    }
    QCOMPARE(years, QStringList({QString::number(year - 1), QString::number(year)}));
    std::unique_ptr<DbConnection> db =
        DatabaseFolder(dir.path()).openCompany(QStringLiteral("1"), QString::number(year), false);
    QVERIFY(db);
    QCOMPARE(Value(*db, QStringLiteral("SELECT COUNT(*) FROM D_Amval")), QStringLiteral("30"));
}

QTEST_GUILESS_MAIN(tst_democompany)
#include "tst_democompany.moc"
