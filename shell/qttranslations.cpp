#include "qttranslations.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace {

// Words of Qt 6's print dialog that its Persian catalogue, made for an older
// dialog, does not have: the double-sided printing box and the page range.
class PrintDialogWords : public QTranslator
{
public:
    explicit PrintDialogWords(QObject* parent) : QTranslator(parent) {}

    bool isEmpty() const override { return false; }

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        Q_UNUSED(disambiguation);
        Q_UNUSED(n);
        if (qstrcmp(context, "QPrintSettingsOutput") != 0)
            return QString();
        static const QHash<QByteArray, QString> words{
            {"Double Sided Printing", QStringLiteral("چاپ دورو")},
            {"Off", QStringLiteral("یک‌رو")},
            {"Long side binding", QStringLiteral("دورو، صحافی از لبه بلند")},
            {"Short side binding", QStringLiteral("دورو، صحافی از لبه کوتاه")},
            {"Pages", QStringLiteral("صفحه‌ها")},
            {"Specify pages or ranges separated by commas. Ranges are specified by two numbers "
             "separated by a hyphen. E.g: 3,5-7,9 prints pages 3, 5, 6, 7 and 9.",
             QStringLiteral("صفحه‌ها یا بازه‌ها را با کاما از هم جدا کنید؛ بازه دو شماره است با "
                            "خط تیره میان آنها. مثلاً \u20663,5-7,9\u2069 صفحه‌های ۳، ۵، ۶، ۷ و ۹ "
                            "را چاپ می‌کند.")},
        };
        return words.value(QByteArray(sourceText));
    }
};

} // namespace

bool InstallQtTranslations(QCoreApplication& app)
{
    auto* qt = new QTranslator(&app);
    // qtbase_fa_IR, else qtbase_fa.
    if (!qt->load(QLocale(QLocale::Persian, QLocale::Iran), QStringLiteral("qtbase"),
                  QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete qt;
        return false;
    }
    QCoreApplication::installTranslator(new PrintDialogWords(&app));
    return QCoreApplication::installTranslator(qt);
}
