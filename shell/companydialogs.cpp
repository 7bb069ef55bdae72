#include "companydialogs.h"

#include "formkeys.h"
#include "persiantext.h"
#include "sessionsettings.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

namespace {

// The entries of a combo box: the text shown and the value it stands for.
void AddChoices(QComboBox* box, const QList<std::pair<QString, QString>>& choices,
                const QString& current)
{
    for (const auto& [text, value] : choices) {
        box->addItem(text, value);
        if (value == current)
            box->setCurrentIndex(box->count() - 1);
    }
}

QString Choice(const QComboBox* box)
{
    return box->currentData().toString();
}

QString PeriodChoiceText(const CompanyPeriod& p)
{
    return p.year + QLatin1Char('-') + p.company + QStringLiteral(" : ") + p.name;
}

} // namespace

// -- the walk through the fields

BooksDialog::BooksDialog(const QString& place, QWidget* parent) : QDialog(parent), m_place(place)
{
    setLayoutDirection(Qt::RightToLeft);
    setMinimumWidth(480);
    m_form = new QFormLayout(this);
}

QLineEdit* BooksDialog::lineEdit(const QString& objectName, const QString& text)
{
    auto* edit = new QLineEdit(text, this);
    edit->setObjectName(objectName);
    return edit;
}

void BooksDialog::addField(const QString& label, QWidget* field, BooksField which, bool digits)
{
    m_form->addRow(label, field);
    m_fields.append({field, which});
    field->installEventFilter(this);
    if (digits)
        field->setProperty("digits", true);
}

bool BooksDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::KeyPress || field == nullptr)
        return QDialog::eventFilter(watched, event);
    return TakeFieldKey(field, *static_cast<QKeyEvent*>(event),
                        [this](QWidget* f) { enterIn(f); }) ||
           QDialog::eventFilter(watched, event);
}

int BooksDialog::indexOf(BooksField which) const
{
    for (int i = 0; which != BooksField::None && i < m_fields.size(); ++i) {
        if (m_fields.at(i).which == which)
            return i;
    }
    return int(m_fields.size()); // a refusal of no field: said when the period is made
}

// Enter checks the fields up to this one: a refusal of any of them is said now, with
// the cursor in the field at fault; otherwise the cursor goes on to the next field
// that takes input, or from the last one the period is made.
void BooksDialog::enterIn(QWidget* field)
{
    int at = -1;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_fields.at(i).widget == field)
            at = i;
    }
    const BooksOutcome checked = check();
    if (!checked.passed() && indexOf(checked.field) <= at) {
        refuse(checked);
        return;
    }
    QList<QWidget*> fields;
    for (const Field& f : std::as_const(m_fields))
        fields << f.widget;
    if (!FocusNextField(fields, at))
        accept();
}

void BooksDialog::refuse(const BooksOutcome& outcome)
{
    TellRefusal(this, outcome.refusal, QStringLiteral("BooksRefusal"));
    const int at = indexOf(outcome.field);
    if (at < m_fields.size()) {
        QWidget* field = m_fields.at(at).widget;
        field->setFocus(Qt::OtherFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(field))
            edit->selectAll();
    }
}

void BooksDialog::accept()
{
    BooksOutcome outcome = check();
    if (outcome.passed()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        outcome = make();
        QApplication::restoreOverrideCursor();
    }
    if (!outcome.passed()) {
        refuse(outcome);
        return;
    }
    QDialog::accept();
}

// -- a company of one's own

NewCompanyDialog::NewCompanyDialog(const QString& place, int makerId, const QString& makerName,
                                   const QString& usersCompany, const QString& usersYear,
                                   QWidget* parent)
    : BooksDialog(place, parent), m_makerId(makerId), m_makerName(makerName),
      m_usersCompany(usersCompany), m_usersYear(usersYear)
{
    setWindowTitle(QStringLiteral("شرکت جديد"));
    setObjectName(QStringLiteral("NewCompanyDialog"));
    const SessionSettings today = SessionSettings::Defaults(QString(), QDate::currentDate());
    const CompanySettings defaults;

    // No length limit on the code and the name: a text too long is said, not cut.
    m_code = lineEdit(QStringLiteral("Code"));
    m_name = lineEdit(QStringLiteral("CompanyName"));
    m_year = lineEdit(QStringLiteral("Year"), today.fiscalYear);
    m_year->setMaxLength(4);
    m_start = lineEdit(QStringLiteral("Start"), today.periodStart);
    m_end = lineEdit(QStringLiteral("End"), today.periodEnd);
    m_chart = new QComboBox(this);
    m_chart->setObjectName(QStringLiteral("Chart"));
    m_chart->addItem(QStringLiteral("سرفصل هاي آماده برنامه"));
    m_chart->addItem(QStringLiteral("خالي"));
    try {
        m_periods = DatabaseFolder(place).periods();
    } catch (const DatabaseError&) {
    }
    for (const CompanyPeriod& p : std::as_const(m_periods))
        m_chart->addItem(QStringLiteral("از ") + PeriodChoiceText(p));
    m_tafsily2Name = lineEdit(QStringLiteral("Tafsily2Name"), defaults.tafsily2Name);
    m_projectName = lineEdit(QStringLiteral("ProjectName"), defaults.projectName);
    m_tafsilyWidth = lineEdit(QStringLiteral("TafsilyGroupWidth"));
    m_tafsily2Width = lineEdit(QStringLiteral("Tafsily2GroupWidth"));
    m_projectWidth = lineEdit(QStringLiteral("ProjectGroupWidth"));
    for (QLineEdit* width : {m_tafsilyWidth, m_tafsily2Width, m_projectWidth})
        width->setMaxLength(1);
    const auto combo = [this](const QString& name,
                              const QList<std::pair<QString, QString>>& choices,
                              const QString& current) {
        auto* box = new QComboBox(this);
        box->setObjectName(name);
        AddChoices(box, choices, current);
        return box;
    };
    m_timing = combo(QStringLiteral("VoucherTiming"),
                     {{QStringLiteral("در پايان دوره"), QStringLiteral("END")},
                      {QStringLiteral("همزمان با ثبت سند دارايي"), QStringLiteral("ANE")}},
                     defaults.voucherTiming);
    m_lifeUnit = combo(QStringLiteral("LifeUnit"),
                       {{QStringLiteral("ماه"), QStringLiteral("ماهانه")},
                        {QStringLiteral("روز"), QStringLiteral("روزانه")}},
                       defaults.lifeUnit);
    const QList<std::pair<QString, QString>> codeRules{
        {QStringLiteral("فقط رقم"), QStringLiteral("NUM")},
        {QStringLiteral("رقم و حرف"), QString(QLatin1String(""))}};
    m_assetCodes = combo(QStringLiteral("AssetCodeRule"), codeRules, defaults.assetCodeRule);
    m_accountCodes = combo(QStringLiteral("AccountCodeRule"), codeRules, defaults.accountCodeRule);

    addField(QStringLiteral("كد شركت:"), m_code, BooksField::Code, true);
    addField(QStringLiteral("نام شركت:"), m_name, BooksField::Name);
    addField(QStringLiteral("سال مالي اول:"), m_year, BooksField::Year, true);
    addField(QStringLiteral("ابتداي دوره:"), m_start, BooksField::Start, true);
    addField(QStringLiteral("انتهاي دوره:"), m_end, BooksField::End, true);
    addField(QStringLiteral("حساب ها و جداول پايه:"), m_chart, BooksField::Chart);
    addField(QStringLiteral("نام سطح تفصيلي دوم:"), m_tafsily2Name, BooksField::Tafsily2Name);
    addField(QStringLiteral("نام سطح سوم:"), m_projectName, BooksField::ProjectName);
    addField(QStringLiteral("طول كد گروه تفصيلي:"), m_tafsilyWidth, BooksField::TafsilyGroupWidth,
             true);
    addField(QStringLiteral("طول كد گروه تفصيلي دوم:"), m_tafsily2Width,
             BooksField::Tafsily2GroupWidth, true);
    addField(QStringLiteral("طول كد گروه سطح سوم:"), m_projectWidth, BooksField::ProjectGroupWidth,
             true);
    addField(QStringLiteral("صدور سند حسابداري:"), m_timing, BooksField::None);
    addField(QStringLiteral("واحد عمر مفيد:"), m_lifeUnit, BooksField::None);
    addField(QStringLiteral("كد دارايي ها:"), m_assetCodes, BooksField::None);
    addField(QStringLiteral("كد حساب ها:"), m_accountCodes, BooksField::None);
    if (m_usersCompany.trimmed().isEmpty()) {
        m_maker = lineEdit(QStringLiteral("MakerName"), makerName);
        m_password = lineEdit(QStringLiteral("MakerPassword"));
        m_repeat = lineEdit(QStringLiteral("MakerPasswordAgain"));
        for (QLineEdit* password : {m_password, m_repeat}) {
            password->setEchoMode(QLineEdit::Password);
            password->setMaxLength(100);
        }
        addField(QStringLiteral("نام كاربر مدير سيستم:"), m_maker, BooksField::MakerName);
        addField(QStringLiteral("رمز عبور:"), m_password, BooksField::Password);
        addField(QStringLiteral("تكرار رمز عبور:"), m_repeat, BooksField::PasswordAgain);
    }

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ساختن"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("انصراف"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NewCompanyDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NewCompanyDialog::reject);
    static_cast<QFormLayout*>(layout())->addRow(buttons);

    // A year typed proposes its whole year as the period.
    connect(m_year, &QLineEdit::textEdited, this, [this](const QString& year) {
        if (year.size() == 4) {
            m_start->setText(year + QStringLiteral("/01/01"));
            m_end->setText(JalaliYearEnd(year.toInt()));
        }
    });
    connect(m_chart, &QComboBox::currentIndexChanged, this, &NewCompanyDialog::chartChosen);
    chartChosen();
    m_code->setFocus();
}

// A chart brought in keeps the group code widths its groups were coded in: they are
// shown and may be chosen only for an empty chart.
void NewCompanyDialog::chartChosen()
{
    const int index = m_chart->currentIndex();
    const bool empty = index == 1;
    Schema::GroupCodeWidths widths = CompanySettings().groupWidths;
    if (index >= 2) {
        const CompanyPeriod& p = m_periods.at(index - 2);
        widths = ChartGroupCodeWidths(m_place, p.company, p.year);
    }
    const QList<std::pair<QLineEdit*, int>> fields{{m_tafsilyWidth, widths.tafsily},
                                                   {m_tafsily2Width, widths.tafsily2},
                                                   {m_projectWidth, widths.project}};
    for (const auto& [field, width] : fields) {
        if (!empty || field->text().isEmpty())
            field->setText(QString::number(width));
        field->setEnabled(empty);
    }
}

NewCompany NewCompanyDialog::request() const
{
    NewCompany c;
    c.code = m_code->text();
    c.name = m_name->text();
    c.year = m_year->text();
    c.startDate = m_start->text();
    c.endDate = m_end->text();
    const int index = m_chart->currentIndex();
    c.chart = index == 0   ? ChartSource::Starter
              : index == 1 ? ChartSource::Empty
                           : ChartSource::Company;
    if (index >= 2) {
        c.chartCompany = m_periods.at(index - 2).company;
        c.chartYear = m_periods.at(index - 2).year;
    }
    c.settings.tafsily2Name = m_tafsily2Name->text().trimmed();
    c.settings.projectName = m_projectName->text().trimmed();
    const auto width = [](const QLineEdit* field) {
        bool ok = false;
        const int w = LatinDigits(field->text().trimmed()).toInt(&ok);
        return ok ? w : 0;
    };
    c.settings.groupWidths = {width(m_tafsilyWidth), width(m_tafsily2Width), width(m_projectWidth)};
    c.settings.voucherTiming = Choice(m_timing);
    c.settings.lifeUnit = Choice(m_lifeUnit);
    c.settings.assetCodeRule = Choice(m_assetCodes);
    c.settings.accountCodeRule = Choice(m_accountCodes);
    c.userId = m_makerId;
    c.userName = m_maker ? m_maker->text().trimmed() : m_makerName;
    if (m_password) {
        c.password = m_password->text();
        c.repeated = m_repeat->text();
    }
    c.usersCompany = m_usersCompany;
    c.usersYear = m_usersYear;
    return c;
}

BooksOutcome NewCompanyDialog::check() const
{
    return CheckNewCompany(m_place, request());
}

BooksOutcome NewCompanyDialog::make() const
{
    return MakeCompany(m_place, request());
}

// -- the next fiscal year

NextYearDialog::NextYearDialog(const QString& place, const QString& company,
                               const QString& fromYear, int userId, const QString& userName,
                               QWidget* parent)
    : BooksDialog(place, parent), m_company(company.trimmed()), m_userId(userId),
      m_userName(userName)
{
    setWindowTitle(QStringLiteral("دوره مالي بعد"));
    setObjectName(QStringLiteral("NextYearDialog"));
    m_from = new QComboBox(this);
    m_from->setObjectName(QStringLiteral("From"));
    try {
        for (const CompanyPeriod& p : DatabaseFolder(place).periods()) {
            if (p.company == m_company)
                m_periods << p;
        }
    } catch (const DatabaseError&) {
    }
    for (const CompanyPeriod& p : std::as_const(m_periods)) {
        m_from->addItem(PeriodChoiceText(p) + QStringLiteral(" (") + p.startDate +
                        QStringLiteral(" تا ") + p.endDate + QLatin1Char(')'));
        if (p.year == fromYear.trimmed())
            m_from->setCurrentIndex(m_from->count() - 1);
    }
    m_year = lineEdit(QStringLiteral("Year"));
    m_year->setMaxLength(4);
    m_start = lineEdit(QStringLiteral("Start"));
    m_end = lineEdit(QStringLiteral("End"));
    addField(QStringLiteral("از دوره:"), m_from, BooksField::Source);
    addField(QStringLiteral("سال مالي جديد:"), m_year, BooksField::Year, true);
    addField(QStringLiteral("ابتداي دوره:"), m_start, BooksField::Start, true);
    addField(QStringLiteral("انتهاي دوره:"), m_end, BooksField::End, true);
    auto* note = new QLabel(QStringLiteral("تنظيمات، كاربران و اجازه ها، حساب ها و جداول پايه و "
                                           "دارايي هاي موجود در پايان دوره (با مانده هاي آن) به "
                                           "دوره جديد مي آيند؛ در دوره قبل چيزي تغيير نمي كند."),
                            this);
    note->setWordWrap(true);
    static_cast<QFormLayout*>(layout())->addRow(note);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("ساختن"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("انصراف"));
    connect(buttons, &QDialogButtonBox::accepted, this, &NextYearDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &NextYearDialog::reject);
    static_cast<QFormLayout*>(layout())->addRow(buttons);

    connect(m_from, &QComboBox::currentIndexChanged, this, &NextYearDialog::propose);
    propose();
    m_year->setFocus();
    m_year->selectAll();
}

void NextYearDialog::propose()
{
    const int index = m_from->currentIndex();
    if (index < 0 || index >= m_periods.size())
        return;
    const NextYear next = ProposeNextYear(m_periods.at(index));
    m_year->setText(next.year);
    m_start->setText(next.startDate);
    m_end->setText(next.endDate);
}

NextYear NextYearDialog::request() const
{
    NextYear next;
    next.company = m_company;
    const int index = m_from->currentIndex();
    if (index >= 0 && index < m_periods.size())
        next.fromYear = m_periods.at(index).year;
    next.year = m_year->text();
    next.startDate = m_start->text();
    next.endDate = m_end->text();
    next.userId = m_userId;
    next.userName = m_userName;
    return next;
}

BooksOutcome NextYearDialog::check() const
{
    return CheckNextYear(m_place, request());
}

BooksOutcome NextYearDialog::make() const
{
    return MakeNextYear(m_place, request());
}
