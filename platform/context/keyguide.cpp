#include "keyguide.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

QList<KeyGuideSection> VoucherKeyGuide()
{
    return {
        {QStringLiteral("شماره و تاريخ سند"),
         {
             {QStringLiteral("Up / Down"),
              QStringLiteral("در شماره سند: سند ذخيره شده قبلي يا بعدي")},
             {QStringLiteral("Enter"),
              QStringLiteral("در شماره سند: سند شماره تايپ شده را مي آورد و به تاريخ مي رود")},
             {QStringLiteral("Enter"),
              QStringLiteral(
                  "در تاريخ: روز، ماه، سال؛ Enter در سال تاريخ را ثبت مي كند (دوره "
                  "مالي، آخرين سند استهلاك، حق ثبت، دفتر روزانه) و سطرها را باز مي كند")},
         }},
        {QStringLiteral("سطرهاي سند"),
         {
             {QStringLiteral("Enter"), QStringLiteral("ستون بعدي سطر")},
             {QStringLiteral("Enter"),
              QStringLiteral("روي دارايي و منبع تحويل: فهرست انتخاب باز مي شود؛ براي جستجو تايپ "
                             "كنيد، Enter انتخاب مي كند")},
             {QStringLiteral("Enter"),
              QStringLiteral("روي بهاي تمام شده: اجزاي بها؛ Enter پس از هر مبلغ، سپس تاييد")},
             {QStringLiteral("Enter"),
              QStringLiteral("روي شماره فرم: سطر بررسي مي شود و سطر تازه اي آغاز مي شود؛ سطر رد "
                             "شده پيامش را نشان مي دهد و مكان نما در خانه نادرست مي ماند")},
             {QStringLiteral("Tab"), QStringLiteral("خانه به خانه در جدول")},
             {QStringLiteral("Insert"), QStringLiteral("سطر تازه بالاي سطر جاري")},
             {QStringLiteral("Ctrl+Del"), QStringLiteral("حذف سطر جاري")},
             {QStringLiteral("Menu / كليد راست موش"), QStringLiteral("منوي جدول")},
         }},
        {QStringLiteral("ذخيره، حذف و دكمه ها"),
         {
             {QStringLiteral("Ctrl+S"), QStringLiteral("ذخيره سند (مانند «تاييد»)")},
             {QStringLiteral("Ctrl+N"), QStringLiteral("سند تازه")},
             {QStringLiteral("Ctrl+Shift+Del"), QStringLiteral("حذف سند، پس از پرسش")},
             {QStringLiteral("Ctrl+Tab"),
              QStringLiteral("از جدول به دكمه ها (تاييد، حذف، انصراف)؛ در انتقال اسناد و دستور "
                             "دريافت/پرداخت به «تاييد»")},
             {QStringLiteral("Tab / Space / Enter"), QStringLiteral("دكمه بعدي / فشردن دكمه")},
         }},
        {QStringLiteral("فروش و كنارگذاري دايمي"),
         {
             {QStringLiteral("Enter"), QStringLiteral("روي دارايي يا وضعيت: فهرست آن باز مي شود")},
             {QStringLiteral("Enter"),
              QStringLiteral("در ستون حساب: تا خانه خالي است فهرست سطح حساب، وگرنه كد تايپ شده "
                             "(دو بار كليك هميشه فهرست را باز مي كند)؛ سطحي كه حساب معين به كار "
                             "نمي برد رد مي شود")},
             {QStringLiteral("Enter"),
              QStringLiteral("پس از آخرين سطح حساب طرف مقابل: زنجيره سود/زيان؛ پس از آن سطر "
                             "بررسي و سطر تازه آغاز مي شود")},
         }},
        {QStringLiteral("اموال گرداني"),
         {
             {QStringLiteral("Ctrl+R"), QStringLiteral("مغايرت شمارش با دفتر دارايي")},
             {QStringLiteral("F9"),
              QStringLiteral(
                  "بارکدخوان روشن/خاموش: هر كد خوانده شده با Enter سطر تازه شمارش مي شود")},
             {QStringLiteral("Enter / F5"),
              QStringLiteral("در مغايرت: كادر بعدي؛ در آخرين كادر يا با F5 اجرا")},
             {QStringLiteral("Menu"),
              QStringLiteral("«دريافت اطلاعات از فايل Excel» در منوي جدول")},
         }},
        {QStringLiteral("ارقام و حروف"),
         {
             {QStringLiteral("۰-۹"),
              QStringLiteral("ارقام صفحه كليد فارسي در كد، مبلغ، شماره و تاريخ مانند 0-9 "
                             "خوانده مي شوند")},
             {QStringLiteral("ک / ی"),
              QStringLiteral("فهرست ها نام تايپ شده با ک و ی يا ك و ي را مي يابند")},
         }},
    };
}

QList<KeyGuideSection> ReportGridKeyGuide()
{
    return {
        {QStringLiteral("حركت در جدول"),
         {
             {QStringLiteral("Up / Down / PgUp / PgDn"),
              QStringLiteral("سطر قبلي و بعدي، صفحه قبلي و بعدي")},
             {QStringLiteral("Ctrl+Home / Ctrl+End"), QStringLiteral("سطر اول / آخرين سطر گزارش")},
             {QStringLiteral("Tab"), QStringLiteral("خانه به خانه")},
             {QStringLiteral("Ctrl+Tab"), QStringLiteral("از جدول به كادرها و دكمه هاي پنجره")},
             {QStringLiteral("Shift+Up / Shift+Down / Ctrl+كليك"),
              QStringLiteral("انتخاب چند سطر (چاپ برچسب اموال سطرهاي انتخاب شده را چاپ مي كند)")},
         }},
        {QStringLiteral("منوي جدول"),
         {
             {QStringLiteral("Menu / كليد راست موش"), QStringLiteral("منوي جدول را باز مي كند")},
             {QStringLiteral("F1"), QStringLiteral("همين راهنما")},
             {QStringLiteral("Ctrl+F"), QStringLiteral("جستجو")},
             {QStringLiteral("Ctrl+G"), QStringLiteral("ثبت وضعيت ستونها")},
             {QStringLiteral("Alt+G"), QStringLiteral("بازگشت به وضعيت اوليه ستونها")},
             {QStringLiteral("Ctrl+D"), QStringLiteral("حذف ستون جاري از گزارش")},
             {QStringLiteral("Ctrl+K"), QStringLiteral("ستونها: پنهان كردن و چيدن ستونها")},
             {QStringLiteral("Ctrl+L"),
              QStringLiteral("پالايش گزارش؛ بار ديگر: بازگشت به همه سطرها")},
             {QStringLiteral("Ctrl+P"), QStringLiteral("چاپ (پيش نمايش، چاپگر يا فايل PDF)")},
             {QStringLiteral("ارسال به"),
              QStringLiteral("Clipboard، Excel، Word و HTML؛ همچنين نمودار، چاپ پيشرفته، مرتب سازي "
                             "پيشرفته، Dbf و SMS از همين منو")},
         }},
    };
}

QString KeyGuideHtml(const QString& title, const QList<KeyGuideSection>& sections)
{
    QString html = QStringLiteral("<html><body dir=\"rtl\"><h2 dir=\"rtl\">") +
                   title.toHtmlEscaped() + QStringLiteral("</h2>");
    for (const KeyGuideSection& section : sections) {
        html += QStringLiteral("<h3 dir=\"rtl\">") + section.title.toHtmlEscaped() +
                QStringLiteral("</h3><table dir=\"rtl\" width=\"100%\" cellspacing=\"0\" "
                               "cellpadding=\"4\" border=\"1\" style=\"border-collapse: "
                               "collapse; border-color: #b0b8c8;\">");
        // Rich text lays a table's cells out left to right: the action comes first so
        // that the key stands at the right, where a right-to-left reader starts.
        for (const KeyGuideRow& row : section.rows)
            html += QStringLiteral("<tr><td dir=\"rtl\" align=\"right\">") +
                    row.action.toHtmlEscaped() +
                    QStringLiteral("</td><td width=\"26%\" bgcolor=\"#eef2f8\" "
                                   "align=\"right\"><b>") +
                    row.keys.toHtmlEscaped() + QStringLiteral("</b></td></tr>");
        html += QStringLiteral("</table>");
    }
    return html + QStringLiteral("</body></html>");
}

TKeyGuideForm::TKeyGuideForm(const QString& title, const QString& html, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("KeyGuide"));
    setWindowTitle(title);
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);
    m_page = new QTextBrowser(this);
    m_page->setObjectName(QStringLiteral("KeyGuidePage"));
    m_page->setAccessibleName(title);
    m_page->setLayoutDirection(Qt::RightToLeft);
    m_page->setOpenLinks(false);
    QTextOption option = m_page->document()->defaultTextOption();
    option.setTextDirection(Qt::RightToLeft);
    option.setAlignment(Qt::AlignRight);
    m_page->document()->setDefaultTextOption(option);
    m_page->setHtml(html);
    layout->addWidget(m_page);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("بستن"));
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(760, 600);
    // The page takes the keys: arrows and PgUp/PgDn scroll it.
    m_page->setFocus();
}

QString TKeyGuideForm::text() const
{
    return m_page->toPlainText();
}

void ShowKeyGuide(QWidget* parent, const QString& title, const QList<KeyGuideSection>& sections)
{
    TKeyGuideForm form(title, KeyGuideHtml(title, sections), parent ? parent->window() : nullptr);
    form.exec();
}
