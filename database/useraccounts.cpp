#include "useraccounts.h"

#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "passwordhash.h"
#include "persiantext.h"
#include "schema.h"
#include "sqlquote.h"
#include "voucherkinds.h"

#include <QHash>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <stdexcept>

namespace UserAccounts {

namespace {

const QString kRightsTable = QStringLiteral("UserSdcDetail");
const QString kYes = QStringLiteral("Y");
const QString kNo = QStringLiteral("N");

const QString kBlankPassword = QStringLiteral("رمز عبور جديد خالي است؛ رمزي وارد كنيد.");
const QString kDifferentPasswords =
    QStringLiteral("رمز عبور جديد و تكرار آن يكي نيستند؛ هر دو را دوباره وارد كنيد.");
const QString kWrongOldPassword = QStringLiteral("رمز عبور فعلي درست نيست.");
const QString kChangedMeanwhile = QStringLiteral("رمز عبور اين كاربر در همين فاصله در برنامه ديگري "
                                                 "تغيير كرد و چيزي ذخيره نشد؛ دوباره سعي كنيد.");
const QString kNoSuchUser = QStringLiteral("اين كاربر در فهرست كاربران نيست.");
const QString kOnlyAdministrator = QStringLiteral(
    "فقط مدير سيستم (كاربري كه همه دسترسي ها را دارد) كاربران و دسترسي ها را تغيير مي دهد.");
const QString kLastAdministrator =
    QStringLiteral("دسترسي هاي آخرين مدير سيستم كم نمي شود: دست كم يك كاربر بايد همه دسترسي ها را "
                   "داشته باشد. چيزي ذخيره نشد.");
const QString kNoMemory = QStringLiteral("رمز عبور ساخته نشد: حافظه كافي نيست. چيزي ذخيره نشد.");

// A user name as it is compared: either keyboard layout's letters and digits, any
// letter case, blanks folded.
QString NameKey(const QString& name)
{
    return SearchForm(name).simplified();
}

// What a user's record keeps of the password.
struct StoredPassword
{
    bool found = false;
    int id = 0;
    QString name;
    QString plain; // UserPass: older data, the demo
    QString hash;  // PassHash
    // The value a typed password is checked against; blank when there is no password.
    QString value() const { return hash.trimmed().isEmpty() ? plain : hash; }
    bool none() const { return value().trimmed().isEmpty(); }
    bool sameAs(const StoredPassword& other) const
    {
        return plain == other.plain && hash == other.hash;
    }
};

const QString kPasswordColumns =
    QStringLiteral("SELECT \"UserId\", \"User_Name\", \"UserPass\", \"PassHash\" FROM \"UserSdc\"");

StoredPassword StoredFrom(const QSqlQuery& q)
{
    StoredPassword s;
    s.found = true;
    s.id = q.value(0).toInt();
    s.name = q.value(1).toString().trimmed();
    s.plain = q.value(2).toString();
    s.hash = q.value(3).toString();
    return s;
}

// The user's record; inside a write transaction `locked` keeps it from another
// program until the transaction ends.
StoredPassword ReadStored(DbConnection& connection, int userId, bool locked = false)
{
    QSqlQuery q = connection.select(kPasswordColumns + QStringLiteral(" WHERE \"UserId\" = ?") +
                                        (locked ? connection.dialect().rowLockClause() : QString()),
                                    {userId});
    return q.next() ? StoredFrom(q) : StoredPassword();
}

// Whether `typed` is the password the record keeps (a record without one takes only
// an empty password); spends the time of a hash check either way.
Passwords::Match Matches(const StoredPassword& stored, const QString& typed)
{
    if (stored.none()) {
        Passwords::SpendCheckTime(typed);
        return typed.isEmpty() ? Passwords::Match::YesRehash : Passwords::Match::No;
    }
    return Passwords::Check(stored.value(), typed);
}

// Keeps the hash of `password` for the user whose record was read as `read`, in one
// transaction: "" when stored, or why not. The hash is made before the transaction
// begins, so that nobody waits for it; a record changed meanwhile is left as it is.
// With `adminId` the writer must still be an administrator when it writes.
QString StorePassword(DbConnection& connection, const StoredPassword& read, const QString& password,
                      int adminId = 0);

bool AllDigits(const QString& text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

// The rights table as stored: the value of each row for each user column.
struct RightsTable
{
    QStringList ids; // StrId, in the table's order
    QHash<QString, QHash<int, QString>> values;
    QSet<int> columns; // the users that have a column

    // Whether the user has `word` on the kind of `prefix`, as the windows read it: a
    // row of the kind ending in that word holds Y. The orders, in a database made
    // before they had rows of their own, go by the rights on the vouchers as a whole.
    bool has(int user, const QString& prefix, const QString& word) const
    {
        bool any = false;
        const QString ending = QLatin1Char('_') + word;
        for (const QString& id : ids) {
            if (!id.startsWith(prefix))
                continue;
            any = true;
            if (id.endsWith(ending) && values.value(id).value(user).trimmed() == kYes)
                return true;
        }
        if (!any && prefix == kOrderRightsPrefix)
            return has(user, QStringLiteral("D_A_"), word);
        return false;
    }
};

RightsTable ReadRights(DbConnection& connection)
{
    RightsTable table;
    QStringList users;
    for (const QString& column : connection.dialect().tableColumns(kRightsTable)) {
        if (AllDigits(column)) {
            users << column;
            table.columns.insert(column.toInt());
        }
    }
    QString sql = QStringLiteral("SELECT \"StrId\"");
    for (const QString& user : users)
        sql += QStringLiteral(", ") + SqlIdent(user);
    QSqlQuery q = connection.select(sql + QStringLiteral(" FROM ") + SqlIdent(kRightsTable) +
                                    QStringLiteral(" ORDER BY \"StrId\""));
    while (q.next()) {
        const QString id = q.value(0).toString().trimmed();
        table.ids << id;
        QHash<int, QString>& row = table.values[id];
        for (int i = 0; i < users.size(); ++i)
            row.insert(users.at(i).toInt(), q.value(i + 1).toString());
    }
    return table;
}

// The value of KEY in a settings text ("KEY=VALUE;..."), upper-cased.
QString Setting(const QString& settings, const QString& key)
{
    for (const QString& item : settings.split(QLatin1Char(';'))) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals > 0 && item.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0)
            return item.mid(equals + 1).trimmed().toUpper();
    }
    return QString();
}

// The settings text with KEY set to VALUE, every other item kept as it is.
QString WithSetting(const QString& settings, const QString& key, const QString& value)
{
    QStringList items;
    bool set = false;
    for (const QString& item : settings.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = item.indexOf(QLatin1Char('='));
        if (equals > 0 && item.left(equals).trimmed().compare(key, Qt::CaseInsensitive) == 0) {
            if (!set)
                items << key + QLatin1Char('=') + value;
            set = true;
        } else {
            items << item;
        }
    }
    if (!set)
        items << key + QLatin1Char('=') + value;
    return items.join(QLatin1Char(';')) + QLatin1Char(';');
}

bool Allows(const QString& settings, const QString& key)
{
    return Setting(settings, key) != QStringLiteral("NO");
}

QList<UserAccess> AccessFrom(DbConnection& connection, const RightsTable& table,
                             QHash<int, QString>* settings = nullptr)
{
    QList<UserAccess> users;
    QSqlQuery q = connection.select(QStringLiteral(
        "SELECT \"UserId\", \"User_Name\", \"Zelmora\" FROM \"UserSdc\" ORDER BY \"UserId\""));
    while (q.next()) {
        UserAccess user;
        user.id = q.value(0).toInt();
        user.name = q.value(1).toString().trimmed();
        const QString zelmora = q.value(2).toString();
        user.copy = Allows(zelmora, QStringLiteral("COPY"));
        user.print = Allows(zelmora, QStringLiteral("PRINT"));
        if (settings != nullptr)
            settings->insert(user.id, zelmora);
        for (const RightsKind& kind : RightsKinds())
            for (const QString& word : RightWords())
                if (table.has(user.id, kind.prefix, word))
                    user.rights.insert(kind.prefix + word);
        users << user;
    }
    return users;
}

// Every user record locked until the write transaction ends: saves of rights and
// passwords follow one another, so that two administrators at once cannot both take
// away the last administrator's rights.
void LockUsers(DbConnection& connection)
{
    connection.select(QStringLiteral("SELECT \"UserId\" FROM \"UserSdc\"") +
                      connection.dialect().rowLockClause());
}

QString StorePassword(DbConnection& connection, const StoredPassword& read, const QString& password,
                      int adminId)
{
    QString hash;
    try {
        hash = Passwords::Hash(password);
    } catch (const std::exception&) {
        return kNoMemory;
    }
    Transaction transaction(connection);
    if (adminId > 0) {
        LockUsers(connection);
        if (!IsAdministrator(connection, adminId))
            return kOnlyAdministrator;
    }
    const StoredPassword now = ReadStored(connection, read.id, true);
    if (!now.found)
        return kNoSuchUser;
    if (!now.sameAs(read))
        return kChangedMeanwhile;
    connection.execute(QStringLiteral("UPDATE \"UserSdc\" SET \"PassHash\" = ?, \"UserPass\" = ? "
                                      "WHERE \"UserId\" = ?"),
                       {hash, SqlText(QString()), read.id});
    transaction.commit();
    return QString();
}

// Why a new password typed twice is refused, or "".
QString NewPasswordRefusal(const QString& password, const QString& repeated)
{
    if (password.trimmed().isEmpty())
        return kBlankPassword;
    if (Passwords::Normalised(password) != Passwords::Normalised(repeated))
        return kDifferentPasswords;
    return QString();
}

} // namespace

SignIn SignInUser(DbConnection& connection, const QString& name, int userId,
                  const QString& password)
{
    QList<StoredPassword> candidates;
    const QString key = NameKey(name);
    QSqlQuery q = connection.select(kPasswordColumns + QStringLiteral(" ORDER BY \"UserId\""));
    while (q.next()) {
        const StoredPassword s = StoredFrom(q);
        if (key.isEmpty() ? s.id == userId : NameKey(s.name) == key)
            candidates << s;
    }
    if (candidates.isEmpty())
        Passwords::SpendCheckTime(password);
    for (const StoredPassword& user : std::as_const(candidates)) {
        const Passwords::Match match = Matches(user, password);
        if (match == Passwords::Match::No)
            continue;
        SignIn done;
        done.signedIn = true;
        done.userId = user.id;
        done.userName = user.name;
        done.mustChoosePassword = user.none();
        if (match == Passwords::Match::YesRehash && !user.none()) {
            // Kept from now on as its hash; a database that cannot be written now
            // (another program holds it, read-only) gets it at a later sign-in.
            try {
                StorePassword(connection, user, password);
            } catch (const DatabaseError&) {
            }
        }
        return done;
    }
    return SignIn();
}

QString ChangePassword(DbConnection& connection, int userId, const QString& oldPassword,
                       const QString& newPassword, const QString& repeated)
{
    if (const QString refused = NewPasswordRefusal(newPassword, repeated); !refused.isEmpty())
        return refused;
    const StoredPassword stored = ReadStored(connection, userId);
    if (!stored.found)
        return kNoSuchUser;
    if (Matches(stored, oldPassword) == Passwords::Match::No)
        return kWrongOldPassword;
    return StorePassword(connection, stored, newPassword);
}

QString ResetPassword(DbConnection& connection, int adminId, int userId, const QString& newPassword,
                      const QString& repeated)
{
    if (const QString refused = NewPasswordRefusal(newPassword, repeated); !refused.isEmpty())
        return refused;
    if (!IsAdministrator(connection, adminId))
        return kOnlyAdministrator;
    const StoredPassword stored = ReadStored(connection, userId);
    if (!stored.found)
        return kNoSuchUser;
    return StorePassword(connection, stored, newPassword, adminId);
}

void GrantEveryAccount(DbConnection& connection, int user)
{
    const QList<std::pair<QString, QString>> levels{
        {QStringLiteral("Koll"), QStringLiteral("\"Koll\" FROM \"Koll\"")},
        {QStringLiteral("Moein"), QStringLiteral("\"Koll\" || \"Moein\" FROM \"Moein\"")},
        {QStringLiteral("Tafsily"), QStringLiteral("\"Tafsily\" FROM \"Tafsily\"")},
        {QStringLiteral("Tafsily2"), QStringLiteral("\"Tafsily2\" FROM \"Tafsily2\"")},
        {QStringLiteral("M_Project"), QStringLiteral("\"ProjectCod\" FROM \"M_Project\"")}};
    for (const auto& [level, codes] : levels)
        connection.execute(QStringLiteral("INSERT INTO \"UserPrivilege\" (\"UserId\", "
                                          "\"TableName\", \"FieldCode\") SELECT ?, ?, ") +
                               codes,
                           {user, level});
}

AddedUser AddUser(DbConnection& connection, int adminId, const QString& name,
                  const QString& password, const QString& repeated)
{
    const QString typed = name.simplified();
    if (typed.isEmpty())
        return {QStringLiteral("نام كاربر خالي است؛ نامي وارد كنيد."), AddedUser::Field::Name};
    const int width =
        connection.dialect().columnWidth(QStringLiteral("UserSdc"), QStringLiteral("User_Name"));
    if (width > 0 && typed.size() > width)
        return {QStringLiteral("نام كاربر حداكثر %1 حرف است.").arg(width), AddedUser::Field::Name};
    if (const QString refused = NewPasswordRefusal(password, repeated); !refused.isEmpty())
        return {refused, AddedUser::Field::Password};
    QString hash;
    try {
        hash = Passwords::Hash(password);
    } catch (const std::exception&) {
        return {kNoMemory, AddedUser::Field::Password};
    }
    // Under the users' lock: two administrators adding users at once take turns, each
    // seeing the other's user (its name, its id).
    Transaction transaction(connection);
    LockUsers(connection);
    if (!IsAdministrator(connection, adminId))
        return {kOnlyAdministrator, AddedUser::Field::None};
    int id = 0;
    {
        QSqlQuery q = connection.select(QStringLiteral("SELECT \"UserId\", \"User_Name\" FROM "
                                                       "\"UserSdc\""));
        while (q.next()) {
            id = std::max(id, q.value(0).toInt());
            if (NameKey(q.value(1).toString()) == NameKey(typed))
                return {QStringLiteral("كاربر «%1» هست؛ نام ديگري وارد كنيد.")
                            .arg(q.value(1).toString().trimmed()),
                        AddedUser::Field::Name};
        }
    }
    ++id;
    // No right yet, neither copying nor printing: the administrator gives them.
    connection.execute(QStringLiteral("INSERT INTO \"UserSdc\" (\"UserId\", \"User_Name\", "
                                      "\"UserPass\", \"Zelmora\", \"Dara\", \"PassHash\") "
                                      "VALUES (?, ?, ?, ?, ?, ?)"),
                       {id, typed, SqlText(QString()), QStringLiteral("COPY=NO;PRINT=NO;"),
                        SqlText(QString()), hash});
    Schema::AddUserRightsColumn(connection, id);
    // A new column holds "N" everywhere; a column the table already had for this id (a
    // user of older data no longer listed) may hold rights, which are not his.
    connection.execute(QStringLiteral("UPDATE ") + SqlIdent(kRightsTable) +
                           QStringLiteral(" SET ") + SqlIdent(QString::number(id)) +
                           QStringLiteral(" = ?"),
                       {kNo});
    GrantEveryAccount(connection, id);
    transaction.commit();
    AddedUser added;
    added.id = id;
    return added;
}

QString RemoveUser(DbConnection& connection, int adminId, int userId)
{
    Transaction transaction(connection);
    LockUsers(connection);
    if (!IsAdministrator(connection, adminId))
        return kOnlyAdministrator;
    if (userId == adminId)
        return QStringLiteral("مدير سيستم خودش را حذف نمي كند؛ اين كار را مدير ديگري مي كند.");
    if (!connection.select(QStringLiteral("SELECT 1 FROM \"UserSdc\" WHERE \"UserId\" = ?"),
                           {userId})
             .next())
        return kNoSuchUser;
    connection.execute(QStringLiteral("DELETE FROM \"UserSdc\" WHERE \"UserId\" = ?"), {userId});
    connection.execute(QStringLiteral("DELETE FROM \"UserPrivilege\" WHERE \"UserId\" = ?"),
                       {userId});
    // The column stays (a user added later may get the id and starts with no right).
    if (connection.dialect().tableColumns(kRightsTable).contains(QString::number(userId)))
        connection.execute(QStringLiteral("UPDATE ") + SqlIdent(kRightsTable) +
                               QStringLiteral(" SET ") + SqlIdent(QString::number(userId)) +
                               QStringLiteral(" = ?"),
                           {kNo});
    transaction.commit();
    return QString();
}

const QList<RightsKind>& RightsKinds()
{
    static const QList<RightsKind> kinds = [] {
        QList<RightsKind> list;
        for (const VoucherKind& kind : VoucherKinds()) {
            auto same = std::find_if(list.begin(), list.end(), [&](const RightsKind& k) {
                return k.prefix == kind.rightsPrefix;
            });
            // A return from a retirement goes by the retirement's rights.
            if (same == list.end())
                list.append({kind.rightsPrefix, kind.caption});
            else if (kind.caption.startsWith(QStringLiteral("برگشت از ")))
                same->caption += QStringLiteral(" و برگشت از آن");
            else
                same->caption += QStringLiteral("، ") + kind.caption;
        }
        list.append({kOrderRightsPrefix, QStringLiteral("دستور دريافت/پرداخت")});
        return list;
    }();
    return kinds;
}

const QStringList& RightWords()
{
    static const QStringList words{QStringLiteral("SABT"), QStringLiteral("EDIT"),
                                   QStringLiteral("DEL"), QStringLiteral("VIEW")};
    return words;
}

bool UserAccess::administrator() const
{
    return rights.size() == RightsKinds().size() * RightWords().size();
}

QList<UserAccess> ReadAccess(DbConnection& connection)
{
    return AccessFrom(connection, ReadRights(connection));
}

bool IsAdministrator(DbConnection& connection, int userId)
{
    const RightsTable table = ReadRights(connection);
    for (const RightsKind& kind : RightsKinds())
        for (const QString& word : RightWords())
            if (!table.has(userId, kind.prefix, word))
                return false;
    return true;
}

bool HasRight(DbConnection& connection, int userId, const QString& prefix, const QString& word)
{
    return ReadRights(connection).has(userId, prefix, word);
}

QString SaveAccess(DbConnection& connection, int adminId, const QList<UserAccess>& before,
                   const QList<UserAccess>& after)
{
    // What the window changed: rights (user, StrId, given) and copy/print settings.
    struct RightChange
    {
        int user;
        QString prefix;
        QString word;
        bool given;
    };
    QList<RightChange> rights;
    QList<const UserAccess*> settingsOf;
    for (const UserAccess& edited : after) {
        const auto read = std::find_if(before.begin(), before.end(),
                                       [&](const UserAccess& u) { return u.id == edited.id; });
        if (read == before.end())
            continue;
        for (const RightsKind& kind : RightsKinds())
            for (const QString& word : RightWords()) {
                const QString id = kind.prefix + word;
                if (read->rights.contains(id) != edited.rights.contains(id))
                    rights.append({edited.id, kind.prefix, word, edited.rights.contains(id)});
            }
        if (read->copy != edited.copy || read->print != edited.print)
            settingsOf << &edited;
    }
    if (rights.isEmpty() && settingsOf.isEmpty())
        return QString();

    Transaction transaction(connection);
    LockUsers(connection);
    const RightsTable table = ReadRights(connection);
    QHash<int, QString> settings;
    QList<UserAccess> now = AccessFrom(connection, table, &settings);
    const auto adminNow = std::find_if(now.begin(), now.end(), [&](const UserAccess& u) {
        return u.id == adminId && u.administrator();
    });
    if (adminNow == now.end())
        return kOnlyAdministrator;
    // The changes over what is stored by now; at least one administrator stays.
    for (const RightChange& change : std::as_const(rights))
        for (UserAccess& user : now)
            if (user.id == change.user) {
                if (change.given)
                    user.rights.insert(change.prefix + change.word);
                else
                    user.rights.remove(change.prefix + change.word);
            }
    if (std::none_of(now.begin(), now.end(), [](const UserAccess& u) { return u.administrator(); }))
        return kLastAdministrator;

    // A kind whose rows are missing (a database made before it had them) gets its four,
    // each user keeping the rights the windows gave them without the rows.
    QSet<QString> prepared;
    for (const RightChange& change : std::as_const(rights)) {
        if (prepared.contains(change.prefix))
            continue;
        prepared.insert(change.prefix);
        for (const QString& word : RightWords()) {
            const QString id = change.prefix + word;
            if (table.values.contains(id))
                continue;
            QStringList columns{QStringLiteral("\"StrId\""), QStringLiteral("\"Parent\"")};
            QVariantList values{id, change.prefix.chopped(1)};
            for (const int user : table.columns) {
                columns << SqlIdent(QString::number(user));
                values << (table.has(user, change.prefix, word) ? kYes : kNo);
            }
            connection.execute(
                QStringLiteral("INSERT INTO ") + SqlIdent(kRightsTable) + QStringLiteral(" (") +
                    columns.join(QStringLiteral(", ")) + QStringLiteral(") VALUES (") +
                    QStringList(values.size(), QStringLiteral("?")).join(QStringLiteral(", ")) +
                    QLatin1Char(')'),
                values);
        }
    }
    for (const RightChange& change : std::as_const(rights)) {
        if (!table.columns.contains(change.user))
            Schema::AddUserRightsColumn(connection, change.user);
        connection.execute(QStringLiteral("UPDATE ") + SqlIdent(kRightsTable) +
                               QStringLiteral(" SET ") + SqlIdent(QString::number(change.user)) +
                               QStringLiteral(" = ? WHERE \"StrId\" = ?"),
                           {change.given ? kYes : kNo, change.prefix + change.word});
    }
    for (const UserAccess* user : std::as_const(settingsOf)) {
        QString text = settings.value(user->id);
        text = WithSetting(text, QStringLiteral("COPY"),
                           user->copy ? QStringLiteral("YES") : QStringLiteral("NO"));
        text = WithSetting(text, QStringLiteral("PRINT"),
                           user->print ? QStringLiteral("YES") : QStringLiteral("NO"));
        connection.execute(
            QStringLiteral("UPDATE \"UserSdc\" SET \"Zelmora\" = ? WHERE \"UserId\" = ?"),
            {text, user->id});
    }
    transaction.commit();
    return QString();
}

} // namespace UserAccounts
