#include "filterform.h"

#include "dataset.h"
#include "siblingcommon.h"
#include "sqlquote.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

enum class Op {
    Equal,
    NotEqual,
    Greater,
    Less,
    GreaterEqual,
    LessEqual,
    Contains,
    StartsWith,
    Empty,
    NotEmpty
};

struct OpChoice
{
    const char* label;
    Op op;
};

const OpChoice kOperators[] = {
    {"=", Op::Equal},         {"<>", Op::NotEqual},
    {">", Op::Greater},       {"<", Op::Less},
    {">=", Op::GreaterEqual}, {"<=", Op::LessEqual},
    {"شامل", Op::Contains},   {"شروع با", Op::StartsWith},
    {"خالي", Op::Empty},      {"خالي نباشد", Op::NotEmpty},
};

bool TakesValue(Op op)
{
    return op != Op::Empty && op != Op::NotEmpty;
}

// A number as typed: Persian or Arabic digits and separators are read as Latin ones,
// thousands separators are dropped. Returns the Latin text, empty when it is no number.
QString NumberText(const QString& typed)
{
    QString text;
    for (const QChar c : typed.trimmed()) {
        const char16_t u = c.unicode();
        if (u >= 0x06F0 && u <= 0x06F9)
            text += QChar(u - 0x06F0 + '0');
        else if (u >= 0x0660 && u <= 0x0669)
            text += QChar(u - 0x0660 + '0');
        else if (u == 0x066B || u == '/')
            text += QLatin1Char('.');
        else if (u == ',' || u == 0x066C || u == 0x060C)
            continue;
        else
            text += c;
    }
    bool ok = false;
    text.toDouble(&ok);
    return ok ? text : QString();
}

// The filter hands its statement back to the report window as one text through the
// library's C interface, and the window opens that text as it is: its values cannot
// travel as bound values, so each one goes in quoted (single quotes doubled).

// A value inside a LIKE pattern, its wildcards taken literally.
QString LikeLiteral(const QString& value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QLatin1String("\\\\"));
    escaped.replace(QLatin1Char('%'), QLatin1String("\\%"));
    escaped.replace(QLatin1Char('_'), QLatin1String("\\_"));
    return SqlQuote(escaped);
}

const char* Comparison(Op op)
{
    switch (op) {
    case Op::Equal:
        return " = ";
    case Op::NotEqual:
        return " <> ";
    case Op::Greater:
        return " > ";
    case Op::Less:
        return " < ";
    case Op::GreaterEqual:
        return " >= ";
    case Op::LessEqual:
        return " <= ";
    default:
        return "";
    }
}

} // namespace

FilterForm::FilterForm(DataSet* dataSet, const QString& statement, QWidget* parent)
    : QDialog(parent), m_dataSet(dataSet), m_statement(statement.trimmed())
{
    while (m_statement.endsWith(QLatin1Char(';')))
        m_statement = m_statement.chopped(1).trimmed();
    Sibling::PrepareDialog(this, "FilterForm", QStringLiteral("پالايش گزارش"));

    m_field = new QComboBox(this);
    m_field->setObjectName(QStringLiteral("cbField"));
    for (const QString& name : dataSet->fieldNames())
        m_field->addItem(name, name);
    m_operator = new QComboBox(this);
    m_operator->setObjectName(QStringLiteral("cbOperator"));
    for (const OpChoice& choice : kOperators)
        m_operator->addItem(QString::fromUtf8(choice.label), int(choice.op));
    m_value = new QLineEdit(this);
    m_value->setObjectName(QStringLiteral("edValue"));
    m_value->setAccessibleName(QStringLiteral("مقدار"));
    m_join = new QComboBox(this);
    m_join->setObjectName(QStringLiteral("cbJoin"));
    m_join->addItem(QStringLiteral("و"), QStringLiteral("AND"));
    m_join->addItem(QStringLiteral("يا"), QStringLiteral("OR"));
    auto* add = new QPushButton(QStringLiteral("افزودن شرط"), this);
    add->setObjectName(QStringLiteral("btnAdd"));
    add->setAutoDefault(false);
    m_list = new QListWidget(this);
    m_list->setObjectName(QStringLiteral("lstConditions"));
    m_list->setAccessibleName(QStringLiteral("شرطها"));
    auto* remove = new QPushButton(QStringLiteral("حذف شرط"), this);
    remove->setObjectName(QStringLiteral("btnRemove"));
    remove->setAutoDefault(false);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("ستون:"), this), 0, 0);
    grid->addWidget(m_field, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("شرط:"), this), 1, 0);
    grid->addWidget(m_operator, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("مقدار:"), this), 2, 0);
    grid->addWidget(m_value, 2, 1);
    grid->addWidget(new QLabel(QStringLiteral("پيوند با شرطهاي قبلي:"), this), 3, 0);
    grid->addWidget(m_join, 3, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons);
    layout->addWidget(m_list);
    QPushButton* ok = Sibling::AddOkCancel(this, layout);

    connect(add, &QPushButton::clicked, this, [this] { addCondition(); });
    connect(remove, &QPushButton::clicked, this, [this] { removeCondition(); });
    connect(ok, &QPushButton::clicked, this, [this] { acceptConditions(); });
    connect(m_operator, &QComboBox::currentIndexChanged, this, [this] { operatorChanged(); });
    operatorChanged();
}

void FilterForm::operatorChanged()
{
    m_value->setEnabled(TakesValue(Op(m_operator->currentData().toInt())));
}

QString FilterForm::conditionSql()
{
    const QString name = m_field->currentData().toString();
    const DataField* field = m_dataSet->findField(name);
    if (!field) {
        Sibling::ShowError(this, QStringLiteral("ستوني براي شرط انتخاب نشده است"));
        return {};
    }
    const Op op = Op(m_operator->currentData().toInt());
    const bool numeric =
        field->kind() == DataField::Kind::Integer || field->kind() == DataField::Kind::Float;
    const QString column = SqlIdent(field->fieldName());
    const QString typed = m_value->text();

    if (op == Op::Empty || op == Op::NotEmpty) {
        const QString empty =
            numeric ? column + QStringLiteral(" IS NULL")
                    : QStringLiteral("COALESCE(TRIM(") + column + QStringLiteral("), '') = ''");
        return op == Op::Empty ? empty : QStringLiteral("NOT (") + empty + QLatin1Char(')');
    }
    if (typed.trimmed().isEmpty()) {
        Sibling::ShowError(this, QStringLiteral("مقدار شرط را وارد کنيد"));
        return {};
    }
    if (op == Op::Contains || op == Op::StartsWith) {
        // Numbers are searched in their text form.
        const QString text =
            numeric ? QStringLiteral("CAST(") + column + QStringLiteral(" AS VARCHAR(50))")
                    : QStringLiteral("TRIM(") + column + QLatin1Char(')');
        const QString pattern = LikeLiteral(typed.trimmed());
        return text + QStringLiteral(" LIKE ") +
               (op == Op::Contains ? QStringLiteral("'%' || ") : QString()) + pattern +
               QStringLiteral(" || '%' ESCAPE '\\'");
    }
    if (numeric) {
        const QString number = NumberText(typed);
        if (number.isEmpty()) {
            Sibling::ShowError(this, QStringLiteral("براي ستون عددي \"") + field->fieldName() +
                                         QStringLiteral("\" يک عدد وارد کنيد"));
            return {};
        }
        return column + QLatin1String(Comparison(op)) + QStringLiteral("CAST(") + SqlQuote(number) +
               QStringLiteral(" AS NUMERIC)");
    }
    // Codes are often stored padded with blanks: equality ignores them on both sides.
    if (op == Op::Equal || op == Op::NotEqual)
        return QStringLiteral("TRIM(") + column + QLatin1Char(')') + QLatin1String(Comparison(op)) +
               SqlQuote(typed.trimmed());
    return column + QLatin1String(Comparison(op)) + SqlQuote(typed);
}

bool FilterForm::addCondition()
{
    const QString sql = conditionSql();
    if (sql.isEmpty())
        return false;
    Condition c{m_join->currentData().toString(), sql};
    QString caption = m_field->currentText() + QLatin1Char(' ') + m_operator->currentText();
    if (m_value->isEnabled())
        caption += QLatin1Char(' ') + m_value->text().trimmed();
    if (!m_conditions.isEmpty())
        caption = m_join->currentText() + QLatin1Char(' ') + caption;
    m_conditions.append(c);
    m_list->addItem(caption);
    m_value->clear();
    m_value->setFocus();
    return true;
}

void FilterForm::removeCondition()
{
    const int row = m_list->currentRow();
    if (row < 0 || row >= m_conditions.size())
        return;
    m_conditions.removeAt(row);
    delete m_list->takeItem(row);
    // The new first row has nothing before it to join to.
    if (row == 0 && m_list->count() > 0) {
        QListWidgetItem* first = m_list->item(0);
        const QString prefix = m_join->itemText(m_join->findData(m_conditions.first().join));
        if (first->text().startsWith(prefix + QLatin1Char(' ')))
            first->setText(first->text().mid(prefix.size() + 1));
    }
}

void FilterForm::acceptConditions()
{
    // A value typed but not yet added is added by OK, as Enter in the value box means.
    if (m_value->isEnabled() && !m_value->text().trimmed().isEmpty() && !addCondition())
        return;
    accept();
}

QString FilterForm::resultStatement() const
{
    if (m_conditions.isEmpty() || m_statement.isEmpty())
        return {};
    QString where = QLatin1Char('(') + m_conditions.first().sql + QLatin1Char(')');
    for (int i = 1; i < m_conditions.size(); ++i)
        where = QLatin1Char('(') + where + QStringLiteral(") ") + m_conditions.at(i).join +
                QStringLiteral(" (") + m_conditions.at(i).sql + QLatin1Char(')');
    return QStringLiteral("SELECT * FROM (") + m_statement + QStringLiteral(") AS F WHERE ") +
           where;
}
