#include "databaseerror.h"

#include <QFileInfo>

namespace {

// A database of a server: named by the server's address or by its own name, never
// by a file path.
bool OnServer(const QString& database)
{
    return database.contains(QStringLiteral("://")) || !database.contains(QLatin1Char('/'));
}

// «name» of the file or database the failure concerns (the file name of a path; a
// server's address kept left to right).
QString Named(const QString& database)
{
    if (database.isEmpty())
        return QStringLiteral("اطلاعات");
    if (database.contains(QStringLiteral("://")))
        return QStringLiteral("«") + QChar(0x2066) + database + QChar(0x2069) + QStringLiteral("»");
    const QString name =
        database.contains(QLatin1Char('/')) ? QFileInfo(database).fileName() : database;
    return QStringLiteral("«") + name + QStringLiteral("»");
}

// The folder of the file on a line of its own, kept left to right inside the Persian
// text, so that the user can find the file.
QString Folder(const QString& database)
{
    if (!database.contains(QLatin1Char('/')))
        return QString();
    return QStringLiteral("\nپوشه: ") + QChar(0x2066) + QFileInfo(database).absolutePath() +
           QChar(0x2069);
}

} // namespace

QString DatabaseFailureText(const DatabaseError& error)
{
    const QString named = Named(error.database());
    switch (error.kind()) {
    case DatabaseError::Kind::Busy:
        return QStringLiteral("پايگاه داده ") + named +
               QStringLiteral(" در اختيار کاربر ديگري است و آزاد نشد.\n"
                              "اطلاعات وارد شده باقي است؛ کمي بعد دوباره سعي کنيد.");
    case DatabaseError::Kind::ReadOnly:
        if (OnServer(error.database()) && !error.database().isEmpty())
            return QStringLiteral("امکان نوشتن در ") + named +
                   QStringLiteral(" نيست: پايگاه داده روي سرور فقط خواندني است.\n"
                                  "اطلاعات وارد شده باقي است؛ با مدير سرور تماس بگيريد.");
        return QStringLiteral("امکان نوشتن در ") + named +
               QStringLiteral(" نيست: فايل يا پوشه اطلاعات فقط خواندني است.\n"
                              "اطلاعات وارد شده باقي است؛ اجازه نوشتن در پوشه را بدهيد و "
                              "دوباره سعي کنيد.") +
               Folder(error.database());
    case DatabaseError::Kind::DiskFull:
        if (OnServer(error.database()) && !error.database().isEmpty())
            return QStringLiteral("امکان نوشتن در ") + named +
                   QStringLiteral(" نيست: ديسک سرور پايگاه داده پر است.\n"
                                  "اطلاعات وارد شده باقي است؛ به مدير سرور خبر دهيد و پس از "
                                  "باز شدن جا دوباره سعي کنيد.");
        if (Folder(error.database()).isEmpty())
            return QStringLiteral("امکان نوشتن در ") + named +
                   QStringLiteral(" نيست: ديسک پر است.\n"
                                  "اطلاعات وارد شده باقي است؛ در ديسک جا باز کنيد و دوباره سعي "
                                  "کنيد.");
        return QStringLiteral("امکان نوشتن در ") + named +
               QStringLiteral(" نيست: ديسک پر است.\n"
                              "اطلاعات وارد شده باقي است؛ در ديسک پوشه زير جا باز کنيد و "
                              "دوباره سعي کنيد.") +
               Folder(error.database());
    case DatabaseError::Kind::NoPrivilege:
        return QStringLiteral("سرور پايگاه داده اجازه نوشتن در ") + named +
               QStringLiteral(" را به کاربري که با آن وارد سرور شده ايد نداد.\n"
                              "اطلاعات وارد شده باقي است؛ از مدير سرور بخواهيد به اين کاربر "
                              "اجازه نوشتن بدهد.");
    case DatabaseError::Kind::NotADatabase:
        if (OnServer(error.database()) && !error.database().isEmpty())
            return QStringLiteral("پايگاه داده ") + named +
                   QStringLiteral(" روي سرور، پايگاه داده سالم اين نسخه سيستم نيست (ناقص است يا "
                                  "از نسخه ديگري است).\nبا پشتيباني تماس بگيريد.");
        return QStringLiteral("فايل ") + named +
               QStringLiteral(" پايگاه داده سالم اين سيستم نيست (خالي، آسيب ديده يا از نوع "
                              "ديگري است).\nفايل را از نسخه پشتيبان برگردانيد يا با پشتيباني "
                              "تماس بگيريد.") +
               Folder(error.database());
    case DatabaseError::Kind::AccessDenied:
        return QStringLiteral("سرور پايگاه داده ") + named +
               QStringLiteral(" نام کاربر يا رمز عبور را نپذيرفت.\n"
                              "نام کاربر و رمز عبور سرور را بررسي کنيد و دوباره سعي کنيد.");
    case DatabaseError::Kind::Unavailable:
        if (OnServer(error.database()) && !error.database().isEmpty())
            return QStringLiteral("پايگاه داده ") + named +
                   QStringLiteral(" در دسترس نيست (سرور پاسخ نمي دهد، نشاني سرور درست نيست يا "
                                  "پايگاه داده روي سرور نيست).\nنشاني سرور و اتصال شبکه را "
                                  "بررسي کنيد؛ اطلاعات ذخيره نشده باقي است.");
        return QStringLiteral("پايگاه داده ") + named +
               QStringLiteral(" باز نمي شود (فايل يا پوشه نيست، اجازه دسترسي نيست يا ديسک "
                              "خطا دارد).\nپوشه اطلاعات و ديسک آن را بررسي کنيد.") +
               Folder(error.database());
    case DatabaseError::Kind::MissingObject:
        return QStringLiteral("در پايگاه داده ") + named +
               QStringLiteral(" بخشي که برنامه لازم دارد نيست؛ پايگاه داده کامل نيست يا از "
                              "نسخه ديگري است.\nبا پشتيباني تماس بگيريد. (") +
               error.message() + QLatin1Char(')');
    case DatabaseError::Kind::Conflict:
        return QStringLiteral("اطلاعات در اين فاصله توسط کاربر ديگري تغيير کرده است.\n"
                              "اطلاعات وارد شده در پنجره باقي است؛ آن را دوباره باز کنيد.");
    case DatabaseError::Kind::DuplicateKey:
        return QStringLiteral("اطلاعات تکراري است و ثبت نشد. (") + error.message() +
               QLatin1Char(')');
    case DatabaseError::Kind::TooLong:
        return QStringLiteral("متن وارد شده از اندازه ستون آن بلندتر است و ثبت نشد. (") +
               error.message() + QLatin1Char(')');
    case DatabaseError::Kind::Cancelled:
        return QStringLiteral("عمليات به درخواست شما متوقف شد و هيچ تغييري ذخيره نشد.");
    case DatabaseError::Kind::Other:
        break;
    }
    return QStringLiteral("خطا در پايگاه داده ") + named + QStringLiteral(":\n") + error.message();
}
