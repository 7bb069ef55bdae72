#include "assetdialog.h"

#include "databaseerror.h"
#include "formkeys.h"
#include "dbconnection.h"
#include "jalalidate.h"
#include "persiantext.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <cmath>

using namespace AssetDefinitions;

namespace {

// A figure as the boxes show it: whole numbers without a fraction.
QString FigureText(double value)
{
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(qint64(value));
    QString text = QString::number(value, 'f', 4);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

// A typed figure: Persian digits and separators as typed on either layout; blank is 0.
std::optional<double> Figure(const QString& typed)
{
    QString text = LatinDigits(typed.trimmed());
    text.remove(QLatin1Char(',')).remove(QChar(0x066C));
    text.replace(QChar(0x066B), QLatin1Char('.')).replace(QChar(0x2F), QLatin1Char('.'));
    if (text.isEmpty())
        return 0.0;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return value;
}

QString Code(const QComboBox* box)
{
    return box->currentData().toString();
}

void Choose(QComboBox* box, const QString& code)
{
    const int at = box->findData(code);
    box->setCurrentIndex(at >= 0 ? at : (box->itemData(0).toString().isEmpty() ? 0 : -1));
}

} // namespace

AssetDialog::AssetDialog(DbConnection* connection, int userId, const QString& firstInUse,
                         QWidget* parent)
    : QDialog(parent)
    , m_connection(connection)
    , m_userId(userId)
    , m_firstInUse(firstInUse)
{
    setObjectName(QStringLiteral("AssetDialog"));
    setWindowTitle(QStringLiteral("تعريف دارايي ها"));
    setLayoutDirection(Qt::RightToLeft);
    auto* layout = new QVBoxLayout(this);
    m_form = new QFormLayout;
    layout->addLayout(m_form);

    DbConnection& db = *m_connection;
    m_code = lineEdit(QStringLiteral("AssetCode"), true);
    m_code->setMaxLength(CodeWidth(db) > 0 ? CodeWidth(db) : 32767);
    m_code->setPlaceholderText(QStringLiteral("Enter: دارايي بعدي"));
    addField(QStringLiteral("كد دارايي"), m_code, Field::Code);
    m_name = lineEdit(QStringLiteral("AssetName"), false);
    addField(QStringLiteral("نام دارايي"), m_name, Field::Name);
    m_taxGroup = comboBox(QStringLiteral("TaxGroup"), Choices(db, List::TaxGroup), false);
    addField(QStringLiteral("گروه دارايي (جدول مالياتي)"), m_taxGroup, Field::TaxGroup);
    m_article = comboBox(QStringLiteral("Article"), Choices(db, List::Article), true);
    addField(QStringLiteral("ماده"), m_article, Field::Article);
    m_method = comboBox(QStringLiteral("Method"),
                        {{kStraightLine, kStraightLine},
                         {kDeclining, kDeclining},
                         {kNoMethod, kNoMethod}},
                        false);
    addField(QStringLiteral("روش استهلاك"), m_method, Field::Method);
    m_rate = lineEdit(QStringLiteral("Rate"), true);
    addField(QStringLiteral("نرخ نزولي (درصد)"), m_rate, Field::Rate);
    m_life = lineEdit(QStringLiteral("Life"), true);
    addField(QStringLiteral("عمر مفيد (سال)"), m_life, Field::Life);
    m_inUse = lineEdit(QStringLiteral("InUse"), true);
    m_inUse->setPlaceholderText(QStringLiteral("1405/01/01"));
    addField(QStringLiteral("تاريخ بهره برداري"), m_inUse, Field::InUse);
    m_cost = lineEdit(QStringLiteral("Cost"), true);
    m_cost->setPlaceholderText(QStringLiteral("0: با سند خريد/ساخت"));
    addField(QStringLiteral("بهاي تمام شده ثبت شده"), m_cost, Field::Cost);
    m_accumulated = lineEdit(QStringLiteral("Accumulated"), true);
    addField(QStringLiteral("استهلاك انباشته"), m_accumulated, Field::Accumulated);
    m_salvage = lineEdit(QStringLiteral("Salvage"), true);
    addField(QStringLiteral("ارزش اسقاط"), m_salvage, Field::Salvage);
    m_place = comboBox(QStringLiteral("Place"), Choices(db, List::Place), false);
    addField(QStringLiteral("محل استقرار"), m_place, Field::Place);
    m_holder = comboBox(QStringLiteral("Holder"), Choices(db, List::Holder), true);
    addField(QStringLiteral("تحويل گيرنده"), m_holder, Field::Holder);
    m_costCentre = comboBox(QStringLiteral("CostCentre"), Choices(db, List::CostCentre), true);
    addField(QStringLiteral("مركز هزينه"), m_costCentre, Field::CostCentre);
    m_condition = comboBox(QStringLiteral("Condition"), Choices(db, List::Condition), false);
    addField(QStringLiteral("وضعيت دارايي"), m_condition, Field::Condition);
    m_source = comboBox(QStringLiteral("Source"), Choices(db, List::Source), true);
    addField(QStringLiteral("مبادي تحويل"), m_source, Field::Source);
    m_koll = comboBox(QStringLiteral("Koll"), Choices(db, List::Koll), false);
    addField(QStringLiteral("حساب كل"), m_koll, Field::Koll);
    m_moein = comboBox(QStringLiteral("Moein"), {}, false);
    addField(QStringLiteral("حساب معين"), m_moein, Field::Moein);
    connect(m_method, &QComboBox::currentIndexChanged, this, &AssetDialog::methodChosen);
    connect(m_koll, &QComboBox::currentIndexChanged, this, &AssetDialog::kollChosen);

    m_state = new QLabel(this);
    m_state->setObjectName(QStringLiteral("AssetState"));
    m_state->setWordWrap(true);
    layout->addWidget(m_state);

    layout->addWidget(StoreRemoveCloseButtons(this, [this] { store(); }, [this] { remove(); }));

    // The lists start where the last asset defined stands: the next one is often of
    // the same kind, place and accounts.
    // The first asset of a company has every choice to make.
    if (const std::optional<Asset> last = Read(db, HighestCode(db))) {
        show(*last);
    } else {
        for (QComboBox* box : {m_taxGroup, m_method, m_place, m_condition, m_koll})
            box->setCurrentIndex(-1);
    }
    startNew(QString());
    setState(QString());
    m_code->setFocus();
}

QLineEdit* AssetDialog::lineEdit(const QString& objectName, bool digits)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(objectName);
    edit->setProperty("digits", digits);
    return edit;
}

QComboBox* AssetDialog::comboBox(const QString& objectName, const QList<Choice>& choices,
                                 bool optional)
{
    auto* box = new QComboBox(this);
    box->setObjectName(objectName);
    if (optional)
        box->addItem(QString(), QString());
    for (const Choice& c : choices)
        box->addItem(c.code == c.name ? c.name : c.code.trimmed() + QStringLiteral(" - ") + c.name,
                     c.code);
    return box;
}

void AssetDialog::addField(const QString& label, QWidget* widget, Field which)
{
    m_form->addRow(label, widget);
    widget->installEventFilter(this);
    m_rows.append({widget, which});
}

bool AssetDialog::eventFilter(QObject* watched, QEvent* event)
{
    auto* field = qobject_cast<QWidget*>(watched);
    if (event->type() != QEvent::KeyPress || field == nullptr)
        return QDialog::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    // A list's item is found by what is typed in it: its code, or its name.
    if (auto* box = qobject_cast<QComboBox*>(field);
        box != nullptr && !key->text().trimmed().isEmpty() && key->text().at(0).isPrint() &&
        (key->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0) {
        chooseTyped(box, key->text());
        return true;
    }
    return TakeFieldKey(field, *key, [this](QWidget* f) { enterIn(f); }) ||
           QDialog::eventFilter(watched, event);
}

// The keys typed into a list one after another (a pause longer than the desktop's
// keyboard search interval starts again) choose the item whose code they are, else the
// first whose text begins with them: digits of either keyboard, ک/ی as ك/ي. Unlike the
// list's own search, typing the code of the item already chosen keeps it.
void AssetDialog::chooseTyped(QComboBox* box, const QString& text)
{
    if (box != m_typedIn || !m_typedSince.isValid() ||
        m_typedSince.elapsed() > QApplication::keyboardInputInterval())
        m_typed.clear();
    m_typedIn = box;
    m_typedSince.restart();
    m_typed += text;
    const QString wanted = SearchForm(m_typed);
    int first = -1;
    for (int i = 0; i < box->count(); ++i) {
        const QString code = SearchForm(box->itemData(i).toString().trimmed());
        if (!code.isEmpty() && code == wanted) {
            box->setCurrentIndex(i);
            return;
        }
        if (first < 0 && SearchForm(box->itemText(i)).startsWith(wanted))
            first = i;
    }
    if (first >= 0)
        box->setCurrentIndex(first);
}

void AssetDialog::enterIn(QWidget* field)
{
    if (field == m_code) {
        readCode();
        return;
    }
    QList<QWidget*> fields;
    for (const Row& row : std::as_const(m_rows))
        fields << row.widget;
    if (!FocusNextField(fields, fields.indexOf(field)))
        store();
}

void AssetDialog::setState(const QString& text)
{
    m_state->setText(text);
}

void AssetDialog::readCode()
{
    if (m_code->text().trimmed().isEmpty())
        m_code->setText(NextCode(*m_connection));
    if (StoredCode(*m_connection, m_code->text()).isEmpty()) {
        refuse(CodeRefusal(*m_connection), Field::Code);
        return;
    }
    try {
        if (const std::optional<Asset> asset = Read(*m_connection, m_code->text())) {
            show(*asset);
            m_read = asset;
            const QStringList vouchers = VouchersOf(*m_connection, asset->code);
            setState(vouchers.isEmpty()
                         ? QStringLiteral("ويرايش دارايي؛ هنوز سندي ندارد.")
                         : QStringLiteral("ويرايش دارايي؛ مقادير اول دوره را نشان مي دهد و "
                                          "اسناد آن (%1 ...) از روي آنها دوباره حساب مي شوند.")
                               .arg(vouchers.join(QStringLiteral("، "))));
        } else {
            m_read.reset();
            setState(QStringLiteral("دارايي جديد."));
        }
    } catch (const DatabaseError& error) {
        refuse(DatabaseFailureText(error), Field::Code);
        return;
    }
    m_name->setFocus(Qt::TabFocusReason);
    m_name->selectAll();
}

void AssetDialog::show(const Asset& a)
{
    m_code->setText(a.code.trimmed());
    m_name->setText(a.name.trimmed());
    Choose(m_taxGroup, a.taxGroup);
    Choose(m_article, a.article);
    Choose(m_method, a.method);
    m_rate->setText(FigureText(a.rate));
    m_life->setText(FigureText(a.life));
    m_inUse->setText(a.inUse);
    m_cost->setText(FigureText(a.cost));
    m_accumulated->setText(FigureText(a.accumulated));
    m_salvage->setText(FigureText(a.salvage));
    Choose(m_place, a.place);
    Choose(m_holder, a.holder);
    Choose(m_costCentre, a.costCentre);
    Choose(m_condition, a.condition);
    Choose(m_source, a.source);
    Choose(m_koll, a.koll);
    kollChosen();
    Choose(m_moein, a.moein);
    methodChosen();
}

// A new asset keeps the lists' choices of the one before (assets are often typed in
// runs of one kind); its name and figures start empty.
void AssetDialog::startNew(const QString& code)
{
    m_read.reset();
    m_code->setText(code);
    for (QLineEdit* edit : {m_name, m_rate, m_life, m_cost, m_accumulated, m_salvage})
        edit->clear();
    if (m_inUse->text().isEmpty())
        m_inUse->setText(m_firstInUse);
    if (m_moein->count() == 0)
        kollChosen();
    methodChosen();
}

void AssetDialog::methodChosen()
{
    const QString method = Code(m_method);
    m_rate->setEnabled(method == kDeclining);
    m_life->setEnabled(method == kStraightLine);
    m_salvage->setEnabled(method != kNoMethod);
}

void AssetDialog::kollChosen()
{
    const QString before = Code(m_moein);
    m_moein->clear();
    try {
        for (const Choice& c : MoeinChoices(*m_connection, Code(m_koll)))
            m_moein->addItem(c.code.trimmed() + QStringLiteral(" - ") + c.name, c.code);
    } catch (const DatabaseError& error) {
        setState(DatabaseFailureText(error));
    }
    Choose(m_moein, before);
}

std::optional<Asset> AssetDialog::typed(Field* wrong) const
{
    Asset a;
    a.code = m_code->text();
    a.name = m_name->text();
    a.taxGroup = Code(m_taxGroup);
    a.article = Code(m_article);
    a.method = Code(m_method);
    a.inUse = NormalJalaliDate(m_inUse->text());
    if (a.inUse.isEmpty())
        a.inUse = m_inUse->text(); // refused as it stands
    a.place = Code(m_place);
    a.holder = Code(m_holder);
    a.costCentre = Code(m_costCentre);
    a.condition = Code(m_condition);
    a.source = Code(m_source);
    a.koll = Code(m_koll);
    a.moein = Code(m_moein);
    const struct
    {
        QLineEdit* box;
        double* value;
        Field field;
    } figures[] = {{m_rate, &a.rate, Field::Rate},
                   {m_life, &a.life, Field::Life},
                   {m_cost, &a.cost, Field::Cost},
                   {m_accumulated, &a.accumulated, Field::Accumulated},
                   {m_salvage, &a.salvage, Field::Salvage}};
    for (const auto& f : figures) {
        const std::optional<double> value =
            f.box->isEnabled() ? Figure(f.box->text()) : std::optional<double>(0.0);
        if (!value) {
            *wrong = f.field;
            return std::nullopt;
        }
        *f.value = *value;
    }
    return a;
}

void AssetDialog::store()
{
    Field wrong = Field::None;
    const std::optional<Asset> asset = typed(&wrong);
    if (!asset) {
        refuse(QStringLiteral("عدد درست نيست."), wrong);
        return;
    }
    // A code typed over the one read is another asset: a new one.
    if (m_read && StoredCode(*m_connection, m_code->text()) != m_read->code)
        m_read.reset();
    Outcome outcome;
    try {
        outcome = Store(*m_connection, m_userId, *asset, m_read);
    } catch (const DatabaseError& error) {
        outcome = {DatabaseFailureText(error), Field::None, QString()};
    }
    if (!outcome.refusal.isEmpty()) {
        refuse(outcome.refusal, outcome.field);
        return;
    }
    const bool edited = m_read.has_value();
    startNew(QString());
    setState((edited ? QStringLiteral("دارايي «%1» ويرايش شد.")
                     : QStringLiteral("دارايي «%1» تعريف شد."))
                 .arg(outcome.code.trimmed()));
    m_code->setFocus(Qt::OtherFocusReason);
}

void AssetDialog::remove()
{
    if (!m_read) {
        refuse(QStringLiteral("اول كد دارايي را وارد كنيد و Enter بزنيد."), Field::Code);
        return;
    }
    if (!AskYesNo(this,
                  QStringLiteral("دارايي «%1 - %2» حذف شود؟")
                      .arg(m_read->code.trimmed(), m_read->name.trimmed()),
                  QStringLiteral("AssetRemoveQuestion")))
        return;
    Outcome outcome;
    try {
        outcome = Remove(*m_connection, m_userId, *m_read);
    } catch (const DatabaseError& error) {
        outcome = {DatabaseFailureText(error), Field::None, QString()};
    }
    if (!outcome.refusal.isEmpty()) {
        refuse(outcome.refusal, outcome.field);
        return;
    }
    startNew(QString());
    setState(QStringLiteral("دارايي «%1» حذف شد.").arg(outcome.code.trimmed()));
    m_code->setFocus(Qt::OtherFocusReason);
}

void AssetDialog::refuse(const QString& text, Field field)
{
    TellRefusal(this, text, QStringLiteral("AssetRefusal"));
    for (const Row& row : std::as_const(m_rows)) {
        if (row.which == field && field != Field::None) {
            row.widget->setFocus(Qt::OtherFocusReason);
            if (auto* edit = qobject_cast<QLineEdit*>(row.widget))
                edit->selectAll();
        }
    }
}
