#include "companybooks.h"

#include "assetregister.h"

#include "context/userplaces.h"

#include "databaseerror.h"
#include "databasefolder.h"
#include "dbconnection.h"
#include "demochart.h"
#include "dialect.h"
#include "jalalidate.h"
#include "passwordhash.h"
#include "persiantext.h"
#include "schema.h"
#include "sqlquote.h"
#include "useraccounts.h"
#include "voucherkinds.h"

#include <QCalendar>
#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextStream>
#include <QVariant>
#include <functional>
#include <memory>
#include <stdexcept>

namespace {

// The calendar the period's days are counted in (the day after, a year on); whether
// a date exists is asked of platform/jalalidate.
const QCalendar& Jalali()
{
    static const QCalendar calendar(QCalendar::System::Jalali);
    return calendar;
}

QDate JalaliDate(const QString& text)
{
    const QString normal = NormalJalaliDate(text);
    if (normal.isEmpty())
        return QDate();
    return Jalali().dateFromParts(normal.left(4).toInt(), normal.mid(5, 2).toInt(),
                                  normal.mid(8, 2).toInt());
}

// Where the place is, as a Persian sentence names it.
QString PlaceText(const DatabaseFolder& folder)
{
    if (folder.isServer())
        return QStringLiteral("سرور «") + LeftToRightRun(folder.displayName()) +
               QStringLiteral("»");
    return QStringLiteral("پوشه «") + LeftToRightRun(QDir::toNativeSeparators(folder.folder())) +
           QStringLiteral("»");
}

QString PeriodText(const QString& company, const QString& year)
{
    return QStringLiteral("دوره مالي %1 شركت %2").arg(year.trimmed(), company.trimmed());
}

BooksOutcome Refuse(const QString& text, BooksField field = BooksField::None)
{
    return {text, field};
}

// The periods of the place: the register's, and those of databases the register does
// not list.
QList<CompanyPeriod> KnownPeriods(const DatabaseFolder& folder)
{
    QList<CompanyPeriod> periods = folder.periods();
    QSet<QString> listed;
    for (const CompanyPeriod& p : std::as_const(periods))
        listed.insert(p.company + QLatin1Char('_') + p.year);
    for (const CompanyPeriod& p : folder.periodsOfFiles()) {
        if (!listed.contains(p.company + QLatin1Char('_') + p.year))
            periods << p;
    }
    return periods;
}

const CompanyPeriod* FindPeriod(const QList<CompanyPeriod>& periods, const QString& company,
                                const QString& year)
{
    for (const CompanyPeriod& p : periods) {
        if (p.company == company.trimmed() && p.year == year.trimmed())
            return &p;
    }
    return nullptr;
}

// Whether a data folder can take a new file: the folder, or the nearest folder above
// it that is there (the data folder is made when missing), is a folder one may write
// into. A server is asked when the database is made.
bool Writable(const DatabaseFolder& folder)
{
    if (folder.isServer())
        return true;
    QFileInfo at(folder.folder());
    while (!at.exists()) {
        const QString up = at.absolutePath();
        if (up == at.absoluteFilePath())
            return false;
        at = QFileInfo(up);
    }
    return at.isDir() && at.isWritable();
}

QString UnwritableText(const DatabaseFolder& folder)
{
    return QStringLiteral("در ") + PlaceText(folder) +
           QStringLiteral(" نمي توان فايل ساخت: پوشه نيست و ساخته نمي شود، يا اجازه نوشتن در آن "
                          "نيست. چيزي ساخته نشد.\nپوشه اطلاعات و اجازه هاي آن را بررسي كنيد.");
}

// A period of the place opened for reading only: no schema is brought up to date and
// nothing is written. nullptr when there is no such database.
std::unique_ptr<DbConnection> OpenToRead(const DatabaseFolder& folder, const QString& company,
                                         const QString& year)
{
    const QString name = CompanyDatabaseName(company, year);
    if (!folder.hasDatabase(name))
        return nullptr;
    auto connection =
        std::make_unique<DbConnection>(folder.folder(), name, DbConnection::OpenMode::Existing);
    if (!connection->isOpen()) {
        DatabaseError failure = connection->openFailure();
        if (failure.database().isEmpty())
            failure.setDatabase(folder.companyFile(company, year));
        throw failure;
    }
    connection->dialect().addSpellings(Schema::Spellings());
    return connection;
}

// Whether `userId` is an administrator (every right of every kind) of the period on
// `connection`.
bool HoldsEveryRight(DbConnection& connection, int userId)
{
    try {
        return UserAccounts::IsAdministrator(connection, userId);
    } catch (const DatabaseError&) {
        return false; // no rights column for the user, no rights table
    }
}

QString NoRightsText(const QString& company, const QString& year, const QString& userName,
                     const QString& what)
{
    return what + QStringLiteral(" كار مدير سيستم (كاربري كه همه دسترسي ها را دارد) در ") +
           PeriodText(company, year) + QStringLiteral(" است؛ كاربر «") + userName +
           QStringLiteral("» مدير سيستم نيست. چيزي ساخته نشد.");
}

QString FailureText(const QString& what, const DatabaseFolder& folder, const DatabaseError& e)
{
    return what + QStringLiteral(" در ") + PlaceText(folder) +
           QStringLiteral(" ساخته نشد و چيزي تغيير نكرد.\n") + DatabaseFailureText(e);
}

// The period's dates: both real dates of the calendar, in order, and the year one of
// theirs.
BooksOutcome CheckDates(const QString& year, const QString& start, const QString& end)
{
    if (!QRegularExpression(QStringLiteral("^\\d{4}$")).match(year).hasMatch())
        return Refuse(QStringLiteral("سال مالي بايد چهار رقم باشد."), BooksField::Year);
    const QString from = NormalJalaliDate(start);
    if (from.isEmpty())
        return Refuse(QStringLiteral("ابتداي دوره «%1» تاريخي از تقويم نيست؛ آن را به شكل "
                                     "سال/ماه/روز وارد كنيد، مانند %2/01/01.")
                          .arg(start.trimmed(), year),
                      BooksField::Start);
    const QString to = NormalJalaliDate(end);
    if (to.isEmpty())
        return Refuse(QStringLiteral("انتهاي دوره «%1» تاريخي از تقويم نيست؛ آن را به شكل "
                                     "سال/ماه/روز وارد كنيد.")
                          .arg(end.trimmed()),
                      BooksField::End);
    if (to < from)
        return Refuse(QStringLiteral("انتهاي دوره (%1) پيش از ابتداي آن (%2) است.").arg(to, from),
                      BooksField::End);
    if (JalaliDate(from).addYears(1, Jalali()) <= JalaliDate(to))
        return Refuse(
            QStringLiteral("دوره %1 تا %2 بيش از يك سال است؛ دوره مالي يك سال يا كوتاه تر است.")
                .arg(from, to),
            BooksField::End);
    if (from.left(4) != year && to.left(4) != year)
        return Refuse(QStringLiteral("سال مالي %1 با دوره %2 تا %3 نمي خواند: سال ابتدا يا "
                                     "انتهاي دوره بايد %1 باشد.")
                          .arg(year, from, to),
                      BooksField::Year);
    return {};
}

// -- filling a new period

using Fill = std::function<void(DbConnection&)>;

// Makes the period's database, registered with `row`, whole or not at all. `sources`
// are the databases `fill` reads (reached read-only under their names); `fill` runs
// inside the transaction that fills the new database, after its tables are made.
// False when a database of the period's name appeared meanwhile (nothing was made).
bool BuildPeriod(DatabaseFolder& folder, const CompanyPeriod& row,
                 const Schema::GroupCodeWidths& widths, const QStringList& sources,
                 const Fill& fill)
{
    const QString name = CompanyDatabaseName(row.company, row.year);
    const auto attach = [&](DbConnection& connection) {
        for (const QString& source : sources) {
            if (!connection.attach(source))
                throw DatabaseError(QStringLiteral("The database %1 cannot be read.").arg(source),
                                    QString(), DatabaseError::Kind::Unavailable, source);
        }
    };
    if (folder.isServer()) {
        DbConnection connection(folder.folder(), name, DbConnection::OpenMode::Create);
        if (!connection.isOpen()) {
            DatabaseError failure = connection.openFailure();
            failure.setDatabase(name);
            throw failure;
        }
        connection.dialect().addSpellings(Schema::Spellings());
        attach(connection);
        Transaction transaction(connection);
        // Its own schema, made here: one another program made meanwhile fails the
        // statement instead of being built into.
        try {
            connection.execute(QStringLiteral("CREATE SCHEMA ") + SqlIdent(name));
        } catch (const DatabaseError&) {
            if (folder.hasDatabase(name))
                return false;
            throw;
        }
        connection.createDatabase();
        Schema::CreateCompanySchema(connection, widths);
        fill(connection);
        try {
            folder.addPeriod(row, &connection);
        } catch (DatabaseError& e) {
            e.setDatabase(folder.registerFile()); // what failed is the register's row
            throw;
        }
        transaction.commit();
        return true;
    }
    const bool made = folder.buildFile(name, [&](DbConnection& connection) {
        attach(connection);
        Schema::CreateCompanySchema(connection, widths);
        Transaction transaction(connection);
        fill(connection);
        transaction.commit();
    });
    if (!made)
        return false;
    try {
        folder.addPeriod(row);
    } catch (...) {
        // The file put in place by this call, and nothing else.
        const QString file = folder.companyFile(row.company, row.year);
        QFile::remove(file + QStringLiteral("-journal"));
        QFile::remove(file);
        throw;
    }
    return true;
}

// Copies the rows of `table` from database `source` (attached) in the columns both
// have.
void CopyTable(DbConnection& connection, const QString& source, const QString& table)
{
    const QString from = connection.dialect().tableIn(source, table);
    QSqlRecord record =
        connection.select(QStringLiteral("SELECT * FROM ") + from + QStringLiteral(" WHERE 1 = 0"))
            .record();
    QStringList columns;
    for (const QString& column : connection.dialect().tableColumns(table)) {
        if (record.indexOf(column) >= 0 || record.indexOf(column.toLower()) >= 0)
            columns << column;
    }
    const QString list = Schema::ColumnList(columns);
    connection.execute(QStringLiteral("INSERT INTO ") + SqlIdent(table) + QStringLiteral(" (") +
                       list + QStringLiteral(") SELECT ") + list + QStringLiteral(" FROM ") + from);
}

const QStringList& ChartTables()
{
    static const QStringList tables{
        QStringLiteral("Koll"), QStringLiteral("Moein"), QStringLiteral("Tafsily"),
        QStringLiteral("Tafsily2"), QStringLiteral("M_Project"), QStringLiteral("GrohTafsily"),
        QStringLiteral("GrohTafsily2"), QStringLiteral("M_GrohProject"),
        // The look-up tables.
        QStringLiteral("D_VazDarae"), QStringLiteral("D_VezArat"), QStringLiteral("D_Madeh151"),
        QStringLiteral("D_Makan"), QStringLiteral("D_Mabadi"), QStringLiteral("Person"),
        QStringLiteral("D_Gheimat"), QStringLiteral("A_Anbar")};
    return tables;
}

void WriteOptions(DbConnection& connection, const QString& code, const QString& year,
                  const QString& name, const QString& companyStart, const CompanySettings& s)
{
    connection.execute(QStringLiteral("INSERT INTO \"Options\" (\"sCode\", \"CompanyNam\", "
                                      "\"Company_StartDate\", \"Dara\", \"Zelmora\") VALUES "
                                      "(?, ?, ?, ?, ?)"),
                       {code + year, name, companyStart, s.daraText(), s.zelmoraText()});
}

// The starter chart: sections of a table's rows, each "@Table<TAB>column<TAB>..." and
// then one row a line, its values separated by TAB; "#" starts a comment line. Codes
// are written without their padding and take their stored form here.
class StarterChart
{
public:
    struct Failure
    {
        QString text;
    };

    static void Load(DbConnection& connection, const QString& file)
    {
        QFile f(file);
        if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
            throw Failure{UnreadableText(file)};
        QTextStream in(&f);
        in.setEncoding(QStringConverter::Utf8);
        QString table;
        QStringList columns;
        QString sql;
        int line = 0;
        const auto wrong = [&](const QString& why) {
            return Failure{QStringLiteral("فايل سرفصل هاي آماده «%1» در سطر %2 درست نيست (%3)؛ "
                                          "چيزي ساخته نشد. برنامه را دوباره نصب كنيد، يا حساب ها "
                                          "را خالي يا از شركت ديگري برداريد.")
                               .arg(QDir::toNativeSeparators(file))
                               .arg(line)
                               .arg(why)};
        };
        while (!in.atEnd()) {
            const QString text = in.readLine();
            ++line;
            if (text.trimmed().isEmpty() || text.startsWith(QLatin1Char('#')))
                continue;
            const QStringList cells = text.split(QLatin1Char('\t'));
            if (text.startsWith(QLatin1Char('@'))) {
                table = cells.first().mid(1).trimmed();
                columns = cells.mid(1);
                const TableDef* def = Schema::FindCompanyTable(table);
                if (!def || !ChartTables().contains(def->name))
                    throw wrong(QStringLiteral("جدول ") + table);
                for (const QString& c : std::as_const(columns)) {
                    if (!def->column(c))
                        throw wrong(QStringLiteral("ستون ") + c);
                }
                sql = QStringLiteral("INSERT INTO ") + SqlIdent(def->name) + QStringLiteral(" (") +
                      Schema::ColumnList(columns) + QStringLiteral(") VALUES (") +
                      QStringList(int(columns.size()), QStringLiteral("?"))
                          .join(QStringLiteral(", ")) +
                      QLatin1Char(')');
                continue;
            }
            if (sql.isEmpty() || cells.size() > columns.size())
                throw wrong(QStringLiteral("سطر بيرون از جدول يا بيش از ستون ها"));
            QVariantList values;
            for (int i = 0; i < columns.size(); ++i)
                values << SqlText(Stored(connection, table, columns.at(i), cells.value(i)));
            connection.execute(sql, values);
        }
    }

    static QString UnreadableText(const QString& file)
    {
        return QStringLiteral("فايل سرفصل هاي آماده برنامه «%1» نيست يا خوانده نمي شود. برنامه "
                              "را دوباره نصب كنيد، يا حساب ها را خالي يا از شركت ديگري "
                              "برداريد.")
            .arg(QDir::toNativeSeparators(file));
    }

private:
    // A value as the column stores it: codes right-aligned with blanks or filled with
    // "0" to the column's width, member lists of detail codes each filled.
    static QString Stored(const DbConnection& connection, const QString& table,
                          const QString& column, const QString& value)
    {
        static const QStringList rightAligned{
            QStringLiteral("Koll"),      QStringLiteral("Moein"),      QStringLiteral("D_Koll"),
            QStringLiteral("D_Moein"),   QStringLiteral("VazCod"),     QStringLiteral("VezCod"),
            QStringLiteral("MadehCod"),  QStringLiteral("MakanCod"),   QStringLiteral("Code"),
            QStringLiteral("MabadiCod"), QStringLiteral("GheimatCod"), QStringLiteral("AnbarCod")};
        static const QStringList zeroFilled{
            QStringLiteral("Tafsily"),    QStringLiteral("Tafsily2"),
            QStringLiteral("ProjectCod"), QStringLiteral("D_Tafsily"),
            QStringLiteral("D_Tafsily2"), QStringLiteral("D_ProjectCod")};
        // Member lists and the level whose codes they hold.
        static const QHash<QString, std::pair<QString, QString>> lists{
            {QStringLiteral("TafsilyJoz"), {QStringLiteral("Tafsily"), QStringLiteral("Tafsily")}},
            {QStringLiteral("Tafsily2Joz"),
             {QStringLiteral("Tafsily2"), QStringLiteral("Tafsily2")}},
            {QStringLiteral("ProjectJoz"),
             {QStringLiteral("M_Project"), QStringLiteral("ProjectCod")}}};
        const Dialect& dialect = connection.dialect();
        if (rightAligned.contains(column))
            return DemoChart::RightAligned(value, dialect.columnWidth(table, column));
        if (zeroFilled.contains(column))
            return DemoChart::ZeroFilled(value, dialect.columnWidth(table, column));
        if (const auto it = lists.constFind(column); it != lists.cend()) {
            const int width = dialect.columnWidth(it->first, it->second);
            QStringList codes;
            for (const QString& code : value.split(QLatin1Char(','), Qt::SkipEmptyParts))
                codes << DemoChart::ZeroFilled(code, width);
            return codes.join(QLatin1Char(','));
        }
        return value.trimmed();
    }
};

// The users of database `users` (none when empty), passwords included, and the maker.
// The maker holds every right; the others hold the rights and see the accounts they
// have in database `rights` (the company the chart is copied from), or none. A maker
// who is not among the users is added with `makerHash` as the password.
void WriteUsers(DbConnection& connection, const QString& users, const QString& rights, int maker,
                const QString& makerName, const QString& makerHash)
{
    if (!users.isEmpty())
        CopyTable(connection, users, QStringLiteral("UserSdc"));
    QVariantList others;
    bool listed = false;
    {
        QSqlQuery q = connection.select(QStringLiteral("SELECT \"UserId\" FROM \"UserSdc\""));
        while (q.next()) {
            const int id = q.value(0).toInt();
            if (id == maker)
                listed = true;
            else
                others << id;
        }
    }
    for (const QVariant& id : std::as_const(others))
        Schema::AddUserRightsColumn(connection, id.toInt());
    Schema::AddUserRightsColumn(connection, maker);
    // The maker copies and prints, and marks a spreadsheet's columns in the count.
    const QString everything = QStringLiteral("COPY=YES;PRINT=YES;");
    const QString count = QStringLiteral("D_A_AMVALGARDANI");
    if (listed) {
        connection.execute(
            QStringLiteral(
                "UPDATE \"UserSdc\" SET \"Zelmora\" = ?, \"Dara\" = ? WHERE \"UserId\" = ?"),
            {everything, count, maker});
    } else {
        connection.execute(
            QStringLiteral("INSERT INTO \"UserSdc\" (\"UserId\", \"User_Name\", "
                           "\"UserPass\", \"Zelmora\", \"Dara\", \"PassHash\") "
                           "VALUES (?, ?, ?, ?, ?, ?)"),
            {maker, makerName, SqlText(QString()), everything, count, SqlText(makerHash)});
    }
    if (!rights.isEmpty() && !others.isEmpty()) {
        // The rows of the rights there, in the columns of the users both have.
        const QSqlRecord there =
            connection
                .select(QStringLiteral("SELECT * FROM ") +
                        connection.dialect().tableIn(rights, QStringLiteral("UserSdcDetail")) +
                        QStringLiteral(" WHERE 1 = 0"))
                .record();
        QStringList columns{QStringLiteral("StrId"), QStringLiteral("Parent")};
        for (const QVariant& id : std::as_const(others)) {
            if (there.indexOf(id.toString()) >= 0)
                columns << id.toString();
        }
        const QString list = Schema::ColumnList(columns);
        connection.execute(QStringLiteral("INSERT INTO \"UserSdcDetail\" (") + list +
                           QStringLiteral(") SELECT ") + list + QStringLiteral(" FROM ") +
                           connection.dialect().tableIn(rights, QStringLiteral("UserSdcDetail")));
        connection.execute(
            QStringLiteral(
                "INSERT INTO \"UserPrivilege\" (\"UserId\", \"TableName\", \"FieldCode\") "
                "SELECT \"UserId\", \"TableName\", \"FieldCode\" FROM ") +
                connection.dialect().tableIn(rights, QStringLiteral("UserPrivilege")) +
                QStringLiteral(" WHERE \"UserId\" IN (") +
                QStringList(int(others.size()), QStringLiteral("?")).join(QStringLiteral(", ")) +
                QLatin1Char(')'),
            others);
    }
    for (const RightsRow& r : ModuleRightsRows())
        connection.execute(QStringLiteral("INSERT INTO \"UserSdcDetail\" (\"StrId\", \"Parent\") "
                                          "SELECT ?, ? WHERE NOT EXISTS (SELECT 1 FROM "
                                          "\"UserSdcDetail\" WHERE \"StrId\" = ?)"),
                           {r.id, SqlText(r.parent), r.id});
    connection.execute(QStringLiteral("UPDATE \"UserSdcDetail\" SET ") +
                       SqlIdent(QString::number(maker)) + QStringLiteral(" = 'Y'"));
}

// The assets still held at the end of period `source`, into the new period's register
// with their closing values as its opening ones. Held: not sold in the period and not
// permanently retired since the asset's last return from a permanent retirement (a
// return on the day of a retirement follows it). One statement: it reads the register
// and the vouchers as one committed state, whatever other clerks save meanwhile.
void CarryAssets(DbConnection& connection, const QString& source)
{
    const Dialect& dialect = connection.dialect();
    const TableDef* assets = Schema::FindCompanyTable(QStringLiteral("D_Amval"));
    const QString cost = AssetRegister::HeldAssetCost();
    // The sums count the new period's vouchers only.
    const QStringList sums{QStringLiteral("AsaseChangeValue"), QStringLiteral("TadilValue"),
                           QStringLiteral("ReduceValue")};
    QStringList columns;
    QStringList values;
    for (const ColumnDef& c : assets->columns) {
        columns << c.name;
        const bool number = c.type != ColumnDef::Type::Text;
        QString closing = c.name;
        if (c.name.startsWith(QLatin1String("First")) && assets->column(c.name.mid(5)))
            closing = c.name.mid(5);
        if (c.name == QLatin1String("EndValue"))
            values << cost;
        else if (sums.contains(c.name))
            values << QStringLiteral("0");
        else
            values << QStringLiteral("COALESCE(A.") + SqlIdent(closing) +
                          (number ? QStringLiteral(", 0)") : QStringLiteral(", '')"));
    }
    connection.execute(QStringLiteral("INSERT INTO \"D_Amval\" (") + Schema::ColumnList(columns) +
                       QStringLiteral(") SELECT ") + values.join(QStringLiteral(", ")) +
                       QStringLiteral(" ") +
                       AssetRegister::HeldAssetsFrom(
                           [&](const QString& table) { return dialect.tableIn(source, table); }));
}

// The vouchers the closing values of period `source` hold, which the new period opens
// with: its own as they stand now, those it opened with itself from the period before
// it, and those a carry-over brought into it and still there, each under the period
// it belongs to. A carry-over from any of those periods into the new one leaves them
// out (a voucher saved there later is carried as any other).
void RecordOpeningVouchers(DbConnection& connection, const QString& source)
{
    const Dialect& dialect = connection.dialect();
    const QString opening = SqlIdent(Schema::kOpeningVouchersTable);
    const QString columns = QStringLiteral(" (\"SourceDB\", \"TableNam\", \"SanadNoAmval\") ");
    for (const QString& table : Schema::VoucherTableNames())
        connection.execute(QStringLiteral("INSERT INTO ") + opening + columns +
                               QStringLiteral("SELECT DISTINCT ?, ?, \"SanadNoAmval\" FROM ") +
                               dialect.tableIn(source, table),
                           {source, table});
    // What the source held of other periods (a period made before these lists were
    // kept has none), each voucher named once.
    const QString notYet = QStringLiteral("NOT EXISTS (SELECT 1 FROM ") + opening +
                           QStringLiteral(" AS N WHERE N.\"SourceDB\" = H.\"SourceDB\" AND "
                                          "N.\"TableNam\" = H.\"TableNam\" AND "
                                          "N.\"SanadNoAmval\" = H.\"SanadNoAmval\")");
    const QString held = QStringLiteral("SELECT DISTINCT H.\"SourceDB\", H.\"TableNam\", "
                                        "H.\"SanadNoAmval\" FROM ");
    if (dialect.tableExists(source + QStringLiteral("..") + Schema::kOpeningVouchersTable))
        connection.execute(QStringLiteral("INSERT INTO ") + opening + columns + held +
                           dialect.tableIn(source, Schema::kOpeningVouchersTable) +
                           QStringLiteral(" AS H WHERE ") + notYet);
    if (!dialect.tableExists(source + QStringLiteral("..") + Schema::kCarriedVouchersTable))
        return;
    for (const QString& table : Schema::VoucherTableNames())
        connection.execute(QStringLiteral("INSERT INTO ") + opening + columns + held +
                               dialect.tableIn(source, Schema::kCarriedVouchersTable) +
                               QStringLiteral(" AS H WHERE H.\"TableNam\" = ? AND EXISTS "
                                              "(SELECT 1 FROM ") +
                               dialect.tableIn(source, table) +
                               QStringLiteral(" AS V WHERE V.\"SanadNoAmval\" = "
                                              "H.\"SanadNoAmval\") AND ") +
                               notYet,
                           {table});
}

// The settings row of the period `source` under the new period's code (the row of
// the company's own period, else the first one it has).
void CarryOptions(DbConnection& connection, const QString& source, const NextYear& next)
{
    connection.execute(
        QStringLiteral("INSERT INTO \"Options\" (\"sCode\", \"CompanyNam\", \"Company_StartDate\", "
                       "\"Dara\", \"Zelmora\") SELECT ?, \"CompanyNam\", \"Company_StartDate\", "
                       "\"Dara\", \"Zelmora\" FROM ") +
            connection.dialect().tableIn(source, QStringLiteral("Options")) +
            QStringLiteral(
                " ORDER BY CASE WHEN \"sCode\" = ? THEN 0 ELSE 1 END, \"sCode\" LIMIT 1"),
        {next.company.trimmed() + next.year, next.company.trimmed() + next.fromYear});
}

// Users, rights and what the users' work keeps (grid layouts, spreadsheet forms), and
// the day-book's rows with nothing posted yet.
void CarryUsers(DbConnection& connection, const QString& source)
{
    QSqlRecord rights =
        connection
            .select(QStringLiteral("SELECT * FROM ") +
                    connection.dialect().tableIn(source, QStringLiteral("UserSdcDetail")) +
                    QStringLiteral(" WHERE 1 = 0"))
            .record();
    static const QRegularExpression userColumn(QStringLiteral("^\\d+$"));
    for (int i = 0; i < rights.count(); ++i) {
        if (userColumn.match(rights.fieldName(i)).hasMatch())
            Schema::AddUserRightsColumn(connection, rights.fieldName(i).toInt());
    }
    for (const char* table : {"UserSdc", "UserSdcDetail", "UserPrivilege", "Grid_State",
                              "DataCollectionDesign", "DataCollectionDesignDetail"})
        CopyTable(connection, source, QString::fromLatin1(table));
    connection.execute(QStringLiteral("INSERT INTO \"D_Roz\" (\"UserId\", \"WhatDoc\", "
                                      "\"SanadNoAmval\", \"SanadDate\", \"Operator\") SELECT "
                                      "\"UserId\", \"WhatDoc\", '', '', \"Operator\" FROM ") +
                       connection.dialect().tableIn(source, QStringLiteral("D_Roz")));
}

QString ExistsText(const QString& company, const QString& year, const DatabaseFolder& folder)
{
    return PeriodText(company, year) + QStringLiteral(" در ") + PlaceText(folder) +
           QStringLiteral(" هست؛ دوره اي كه هست دوباره ساخته نمي شود و چيزي تغيير نكرد.");
}

} // namespace

QString CompanySettings::daraText() const
{
    return QStringLiteral("Ast_Mesure=%1;TYPEDARACOD=%2;SANAD_TIME=%3;SANAD_TYPE=%4;")
        .arg(lifeUnit, assetCodeRule, voucherTiming, voucherForm);
}

QString CompanySettings::zelmoraText() const
{
    return QStringLiteral("NAMTAFSILY2=%1;NAMPROJECT=%2;TYPE_CREATE_NEWAT=%3;TYPESARFASLCOD=%4;")
        .arg(tafsily2Name, projectName, newAccounts, accountCodeRule);
}

const QList<RightsRow>& ModuleRightsRows()
{
    static const QList<RightsRow> rows = [] {
        const QString root = QStringLiteral("D_A");
        QStringList prefixes;
        for (const VoucherKind& kind : VoucherKinds()) {
            if (!prefixes.contains(kind.rightsPrefix))
                prefixes << kind.rightsPrefix;
        }
        prefixes << kOrderRightsPrefix;
        QList<RightsRow> list{{root, QString(), QString(), QChar()}};
        const QList<std::pair<QString, QChar>> rights{{QStringLiteral("SABT"), QLatin1Char('S')},
                                                      {QStringLiteral("EDIT"), QLatin1Char('E')},
                                                      {QStringLiteral("DEL"), QLatin1Char('D')},
                                                      {QStringLiteral("VIEW"), QLatin1Char('V')}};
        for (const QString& prefix : std::as_const(prefixes)) {
            const QString kind = prefix.chopped(1);
            list.append({kind, root, prefix, QChar()});
            for (const auto& [word, letter] : rights)
                list.append({prefix + word, kind, prefix, letter});
        }
        return list;
    }();
    return rows;
}

QString StarterChartFile()
{
    return QDir(ShippedFolder(QCoreApplication::applicationDirPath()))
        .filePath(QStringLiteral("starterchart.txt"));
}

Schema::GroupCodeWidths ChartGroupCodeWidths(const QString& place, const QString& company,
                                             const QString& year)
{
    try {
        if (const std::unique_ptr<DbConnection> from =
                OpenToRead(DatabaseFolder(place), company, year))
            return Schema::StoredGroupCodeWidths(*from);
    } catch (const DatabaseError&) {
    }
    return Schema::CatalogueGroupCodeWidths();
}

BooksOutcome CheckNewCompany(const QString& place, const NewCompany& c)
{
    const DatabaseFolder folder(place);
    const QString code = LatinDigits(c.code.trimmed());
    if (code.isEmpty())
        return Refuse(QStringLiteral("كد شركت را وارد كنيد."), BooksField::Code);
    if (!QRegularExpression(QStringLiteral("^[1-9]\\d{0,3}$")).match(code).hasMatch())
        return Refuse(QStringLiteral("كد شركت «%1» پذيرفته نيست: كد شركت يك تا چهار رقم است و "
                                     "با صفر شروع نمي شود.")
                          .arg(c.code.trimmed()),
                      BooksField::Code);
    QList<CompanyPeriod> periods;
    try {
        periods = KnownPeriods(folder);
    } catch (const DatabaseError& e) {
        return Refuse(DatabaseFailureText(e));
    }
    for (const CompanyPeriod& p : std::as_const(periods)) {
        if (p.company == code)
            return Refuse(QStringLiteral("كد شركت %1 را شركت «%2» در %3 دارد؛ براي شركت جديد كد "
                                         "ديگري انتخاب كنيد. چيزي تغيير نكرد.")
                              .arg(code, p.name, PlaceText(folder)),
                          BooksField::Code);
    }
    const QString name = c.name.trimmed();
    if (name.isEmpty())
        return Refuse(QStringLiteral("نام شركت را وارد كنيد."), BooksField::Name);
    const int nameWidth = Schema::FindCompanyTable(QStringLiteral("Options"))
                              ->column(QStringLiteral("CompanyNam"))
                              ->width;
    if (name.size() > nameWidth)
        return Refuse(QStringLiteral("نام شركت %1 حرف است؛ نام شركت حداكثر %2 حرف است.")
                          .arg(name.size())
                          .arg(nameWidth),
                      BooksField::Name);
    static const QRegularExpression quotes(QStringLiteral("['\"`\u2018\u2019\u201C\u201D]"));
    if (name.contains(quotes))
        return Refuse(QStringLiteral("نام شركت علامت نقل قول (' يا \") دارد؛ نام را بدون آن وارد "
                                     "كنيد."),
                      BooksField::Name);
    const QString year = LatinDigits(c.year.trimmed());
    if (BooksOutcome dates = CheckDates(year, c.startDate, c.endDate); !dates.passed())
        return dates;
    switch (c.chart) {
    case ChartSource::Empty:
        break;
    case ChartSource::Starter:
        if (!QFileInfo(StarterChartFile()).isReadable())
            return Refuse(StarterChart::UnreadableText(StarterChartFile()), BooksField::Chart);
        break;
    case ChartSource::Company:
        if (!FindPeriod(periods, c.chartCompany, c.chartYear))
            return Refuse(PeriodText(c.chartCompany, c.chartYear) +
                              QStringLiteral(" كه حساب ها از "
                                             "آن برداشته مي شود در ") +
                              PlaceText(folder) + QStringLiteral(" نيست."),
                          BooksField::Chart);
        break;
    }
    const CompanySettings& s = c.settings;
    if (s.tafsily2Name.trimmed().isEmpty())
        return Refuse(QStringLiteral("نام سطح تفصيلي دوم را وارد كنيد."), BooksField::Tafsily2Name);
    if (s.projectName.trimmed().isEmpty())
        return Refuse(QStringLiteral("نام سطح سوم (پروژه) را وارد كنيد."), BooksField::ProjectName);
    if (c.chart == ChartSource::Empty) {
        const struct
        {
            int width;
            const char* level;
            const char* codeTable;
            const char* codeColumn;
            BooksField field;
        } widths[] = {
            {s.groupWidths.tafsily, "تفصيلي", "Tafsily", "Tafsily", BooksField::TafsilyGroupWidth},
            {s.groupWidths.tafsily2, "تفصيلي دوم", "Tafsily2", "Tafsily2",
             BooksField::Tafsily2GroupWidth},
            {s.groupWidths.project, "پروژه", "M_Project", "ProjectCod",
             BooksField::ProjectGroupWidth}};
        for (const auto& w : widths) {
            // The group is the first characters of a code: never longer than the code.
            const int most = std::min(9, Schema::FindCompanyTable(QString::fromLatin1(w.codeTable))
                                             ->column(QString::fromLatin1(w.codeColumn))
                                             ->width);
            if (w.width < 1 || w.width > most)
                return Refuse(QStringLiteral("طول كد گروه %1 بايد از 1 تا %2 باشد.")
                                  .arg(QString::fromUtf8(w.level))
                                  .arg(most),
                              w.field);
        }
    }
    if (c.usersCompany.trimmed().isEmpty()) {
        // The company's first user, its administrator, with a password of its own.
        const QString maker = c.userName.trimmed();
        if (maker.isEmpty())
            return Refuse(QStringLiteral("نام كاربر مدير سيستم را وارد كنيد."),
                          BooksField::MakerName);
        // As wide as the users table keeps a name.
        const int width = Schema::FindCompanyTable(QStringLiteral("UserSdc"))
                              ->column(QStringLiteral("User_Name"))
                              ->width;
        if (maker.size() > width)
            return Refuse(QStringLiteral("نام كاربر حداكثر %1 حرف است.").arg(width),
                          BooksField::MakerName);
        if (c.password.isEmpty())
            return Refuse(QStringLiteral("رمز عبور مدير سيستم را وارد كنيد."),
                          BooksField::Password);
        if (c.password != c.repeated)
            return Refuse(
                QStringLiteral("رمز عبور و تكرار آن يكي نيستند؛ تكرار را دوباره وارد كنيد."),
                BooksField::PasswordAgain);
    } else {
        try {
            const std::unique_ptr<DbConnection> users =
                OpenToRead(folder, c.usersCompany, c.usersYear);
            if (!users || !HoldsEveryRight(*users, c.userId))
                return Refuse(NoRightsText(c.usersCompany, c.usersYear, c.userName,
                                           QStringLiteral("ساختن شركت جديد")));
        } catch (const DatabaseError& e) {
            return Refuse(DatabaseFailureText(e));
        }
    }
    if (!Writable(folder))
        return Refuse(UnwritableText(folder));
    return {};
}

BooksOutcome MakeCompany(const QString& place, const NewCompany& request)
{
    if (BooksOutcome checked = CheckNewCompany(place, request); !checked.passed())
        return checked;
    DatabaseFolder folder(place);
    NewCompany c = request;
    c.code = LatinDigits(c.code.trimmed());
    c.year = LatinDigits(c.year.trimmed());
    c.name = c.name.trimmed();
    const CompanyPeriod row{
        c.code,   c.year, c.name, NormalJalaliDate(c.startDate), NormalJalaliDate(c.endDate),
        QString()};
    const QString what = QStringLiteral("شركت %1 («%2»)").arg(c.code, c.name);
    try {
        folder.ensureRegister();
        QStringList sources;
        QString chart;
        QString users;
        if (c.chart == ChartSource::Company) {
            chart = CompanyDatabaseName(c.chartCompany, c.chartYear);
            sources << chart;
            // A chart brought in keeps the widths its groups were coded in.
            const std::unique_ptr<DbConnection> from =
                OpenToRead(folder, c.chartCompany, c.chartYear);
            if (!from)
                return Refuse(PeriodText(c.chartCompany, c.chartYear) + QStringLiteral(" در ") +
                                  PlaceText(folder) + QStringLiteral(" نيست."),
                              BooksField::Chart);
            c.settings.groupWidths = Schema::StoredGroupCodeWidths(*from);
        } else if (c.chart == ChartSource::Starter) {
            c.settings.groupWidths = Schema::CatalogueGroupCodeWidths();
        }
        if (!c.usersCompany.trimmed().isEmpty()) {
            users = CompanyDatabaseName(c.usersCompany, c.usersYear);
            if (!sources.contains(users))
                sources << users;
        }
        // Made before anything is written: the hash takes its time by design.
        const QString makerHash = users.isEmpty() ? Passwords::Hash(c.password) : QString();
        const QString rights = c.chart == ChartSource::Company ? chart : QString();
        const bool made =
            BuildPeriod(folder, row, c.settings.groupWidths, sources, [&](DbConnection& db) {
                WriteOptions(db, c.code, c.year, c.name, row.startDate, c.settings);
                if (c.chart == ChartSource::Starter)
                    StarterChart::Load(db, StarterChartFile());
                else if (c.chart == ChartSource::Company)
                    for (const QString& table : ChartTables())
                        CopyTable(db, chart, table);
                WriteUsers(db, users, rights, c.userId, c.userName.trimmed(), makerHash);
                UserAccounts::GrantEveryAccount(db, c.userId);
            });
        if (!made)
            return Refuse(ExistsText(c.code, c.year, folder), BooksField::Code);
    } catch (const StarterChart::Failure& f) {
        return Refuse(f.text, BooksField::Chart);
    } catch (const DatabaseError& e) {
        return Refuse(FailureText(what, folder, e));
    } catch (const std::runtime_error&) {
        return Refuse(QStringLiteral("رمز عبور ساخته نشد: حافظه كافي نيست. چيزي ساخته نشد."));
    }
    return {};
}

NextYear ProposeNextYear(const CompanyPeriod& from)
{
    NextYear next;
    next.company = from.company;
    next.fromYear = from.year;
    next.year = QString::number(from.year.toInt() + 1);
    const QDate end = JalaliDate(from.endDate);
    const QDate start =
        end.isValid() ? end.addDays(1) : Jalali().dateFromParts(next.year.toInt(), 1, 1);
    next.startDate = JalaliDateText(start);
    next.endDate = JalaliDateText(start.addYears(1, Jalali()).addDays(-1));
    return next;
}

BooksOutcome CheckNextYear(const QString& place, const NextYear& next)
{
    const DatabaseFolder folder(place);
    QList<CompanyPeriod> periods;
    try {
        periods = KnownPeriods(folder);
    } catch (const DatabaseError& e) {
        return Refuse(DatabaseFailureText(e));
    }
    const CompanyPeriod* from = FindPeriod(periods, next.company, next.fromYear);
    if (!from)
        return Refuse(PeriodText(next.company, next.fromYear) + QStringLiteral(" در ") +
                          PlaceText(folder) +
                          QStringLiteral(" نيست؛ دوره بعد از آن ساخته نمي شود."),
                      BooksField::Source);
    const QString year = LatinDigits(next.year.trimmed());
    if (BooksOutcome dates = CheckDates(year, next.startDate, next.endDate); !dates.passed())
        return dates;
    if (year.toInt() <= next.fromYear.toInt())
        return Refuse(QStringLiteral("سال مالي دوره جديد بايد بعد از %1 باشد.").arg(next.fromYear),
                      BooksField::Year);
    if (FindPeriod(periods, next.company, year))
        return Refuse(ExistsText(next.company, year, folder), BooksField::Year);
    const QString start = NormalJalaliDate(next.startDate);
    const QString end = NormalJalaliDate(next.endDate);
    for (const CompanyPeriod& p : std::as_const(periods)) {
        if (p.company != from->company || p.startDate.isEmpty() || p.endDate.isEmpty())
            continue;
        if (start <= p.endDate && p.startDate <= end)
            return Refuse(QStringLiteral("دوره %1 تا %2 با %3 (%4 تا %5) در %6 روي هم مي افتد؛ "
                                         "دوره ها روي هم نمي افتند. چيزي تغيير نكرد.")
                              .arg(start, end, PeriodText(p.company, p.year), p.startDate,
                                   p.endDate, PlaceText(folder)),
                          BooksField::Start);
    }
    // The closing values of the period are the new one's opening values: it begins
    // the day after.
    const QString following = JalaliDateText(JalaliDate(from->endDate).addDays(1));
    if (start != following)
        return Refuse(QStringLiteral("دوره جديد از روز بعد از پايان %1 (%2)، يعني %3، شروع مي شود؛ "
                                     "مانده دارايي ها در پايان آن دوره، ابتداي دوره جديد است.")
                          .arg(PeriodText(from->company, from->year), from->endDate, following),
                      BooksField::Start);
    try {
        const std::unique_ptr<DbConnection> old = OpenToRead(folder, next.company, next.fromYear);
        if (!old)
            return Refuse(PeriodText(next.company, next.fromYear) + QStringLiteral(" در ") +
                              PlaceText(folder) +
                              QStringLiteral(" نيست؛ دوره بعد از آن ساخته نمي شود."),
                          BooksField::Source);
        if (!HoldsEveryRight(*old, next.userId))
            return Refuse(NoRightsText(next.company, next.fromYear, next.userName,
                                       QStringLiteral("ساختن دوره مالي بعد")));
    } catch (const DatabaseError& e) {
        return Refuse(DatabaseFailureText(e));
    }
    if (!Writable(folder))
        return Refuse(UnwritableText(folder));
    return {};
}

BooksOutcome MakeNextYear(const QString& place, const NextYear& request)
{
    if (BooksOutcome checked = CheckNextYear(place, request); !checked.passed())
        return checked;
    DatabaseFolder folder(place);
    NextYear next = request;
    next.company = next.company.trimmed();
    next.year = LatinDigits(next.year.trimmed());
    const QString what = PeriodText(next.company, next.year);
    try {
        folder.ensureRegister();
        const QList<CompanyPeriod> periods = KnownPeriods(folder);
        const CompanyPeriod* from = FindPeriod(periods, next.company, next.fromYear);
        const CompanyPeriod row{next.company,
                                next.year,
                                from ? from->name : QString(),
                                NormalJalaliDate(next.startDate),
                                NormalJalaliDate(next.endDate),
                                QString()};
        const QString source = CompanyDatabaseName(next.company, next.fromYear);
        Schema::GroupCodeWidths widths;
        {
            const std::unique_ptr<DbConnection> old =
                OpenToRead(folder, next.company, next.fromYear);
            if (!old)
                return Refuse(PeriodText(next.company, next.fromYear) + QStringLiteral(" در ") +
                                  PlaceText(folder) + QStringLiteral(" نيست."),
                              BooksField::Source);
            widths = Schema::StoredGroupCodeWidths(*old);
        }
        const bool made = BuildPeriod(folder, row, widths, {source}, [&](DbConnection& db) {
            CarryOptions(db, source, next);
            for (const QString& table : ChartTables())
                CopyTable(db, source, table);
            CarryUsers(db, source);
            CarryAssets(db, source);
            RecordOpeningVouchers(db, source);
        });
        if (!made)
            return Refuse(ExistsText(next.company, next.year, folder), BooksField::Year);
    } catch (const DatabaseError& e) {
        return Refuse(FailureText(what, folder, e));
    }
    return {};
}
