#pragma once

#include <QString>

// The texts the spreadsheet import windows show, kept byte for byte.
namespace ExcelImportText {

inline const QString kCaption = QStringLiteral("ورود اطلاعات از فايل Excel");
inline const QString kTempTableFailed = QStringLiteral("خطا در ساخت جدول موقت !");
inline const QString kSlotCode = QStringLiteral(" کد دارايي");
inline const QString kSlotName = QStringLiteral(" نام دارايي");
inline const QString kFormsLabel = QStringLiteral("فرمهاي ذخيره شده :");
inline const QString kSelectFile = QStringLiteral("انتخاب فايل Excel");
inline const QString kSaveForm = QStringLiteral("ذخيره فرم");
inline const QString kShowTitles = QStringLiteral("نمايش عناوين");
inline const QString kClearColumn = QStringLiteral("پاک کردن");
inline const QString kClearAll = QStringLiteral("پاک کردن همه ستونها");
inline const QString kModeTitle = QStringLiteral("نحوه ورود اطلاعات");
inline const QString kModeReplace = QStringLiteral("ورود اطلاعات در ليست جديد");
inline const QString kModeAppend = QStringLiteral("اضافه شدن اطلاعات به ليست موجود");
inline const QString kOk = QStringLiteral("تاييد");
inline const QString kCancel = QStringLiteral("انصراف");
inline const QString kNoteTitle = QStringLiteral("توجه :");
inline const QString kNote =
    QStringLiteral("پس از انتخاب فايل Excel , بر روي ستونهاي مورد نظر کليک راست کرده و از منوي باز "
                   "شده گزينه مربوطه را انتحاب نماييد.");
inline const QString kBadFile = QStringLiteral("فايل انتخابي معتبر نيست !");
inline const QString kOpenFailed = QStringLiteral("خطا در باز کردن فايل !");
inline const QString kNoCodeColumn = QStringLiteral("ستون مربوط به کد تعيين نشده !");
inline const QString kNoNameColumn = QStringLiteral("ستون مربوط به نام تعيين نشده  !");
inline const QString kSendFailed = QStringLiteral("خطا در ارسال اطلاعات به SQL !");
inline const QString kFormsCaption = QStringLiteral("ليست فرمهاي ذخيره شده :");
inline const QString kFormNameTitle = QStringLiteral("نام فرم");
inline const QString kFormNameLabel = QStringLiteral("نام فرم :");
inline const QString kFormNameMissing = QStringLiteral("نام فرم را وارد کنيد !");
inline const QString kFormExists =
    QStringLiteral("فرمي با همين نام وجود دارد ,بر روي فرم موجود ذخيره شود ؟");
inline const QString kFormSaveFailed = QStringLiteral("خطا در ذخيره فرم !");
inline const QString kNoFormChosen = QStringLiteral("هيچ فرمي انتخاب نشده !");
inline const QString kFormsHint =
    QStringLiteral("(جهت تعيين فرم  \"پيش فرض\" بر روي ستون مربوطه دوبار کليک کنيد.");
// The list of the sheet's rows the count refused.
inline const QString kRefusedCaption =
    QStringLiteral("رديفهاي پذيرفته نشده فايل Excel (هيچ رديفي وارد نشد)");
inline const QString kRefusedRow = QStringLiteral("رديف");
inline const QString kRefusedCode = QStringLiteral("کد دارايي");
inline const QString kRefusedReason = QStringLiteral("علت");
// The mark of the default form in the list of saved forms: the system's mark
// character "ض" (drawn as a tick in a symbol font that is not installed here) shown
// as the tick itself, which the installed fonts draw.
inline const QString kDefaultTick = QStringLiteral("✓");

} // namespace ExcelImportText
