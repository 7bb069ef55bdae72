// A report grid's column widths fitted to the longest value each column shows
// (asked of the database, not read row by row) and the sums shown under the
// columns marked to be summed.

#include "gridexport.h"

#include "context/pendingfile.h"
#include "context/userplaces.h"
#include "context/workprogress.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "jalalidate.h"
#include "messages.h"
#include "settings.h"
#include "siblingapi.h"
#include "siblingcalls.h"
#include "sqlquote.h"
#include "tempgrid.h"

#include <QClipboard>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLibrary>
#include <QMimeData>
#include <QPointer>
#include <QScrollBar>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <algorithm>
#include <memory>

#include <xlsxwriter.h>

namespace {

bool NumericField(const DataField* field)
{
    return field != nullptr &&
           (field->kind() == DataField::Kind::Integer || field->kind() == DataField::Kind::Float);
}

} // namespace

namespace {

const QString kOn = QStringLiteral("P");
const QString kGroupedFormat = QStringLiteral("###,###,###,###,###.###");
const QString kSumLabelsName = QStringLiteral("ColumnSumLabels");
// Room beside the text for the cell's margins and the sort mark.
constexpr int kWidthMargin = 12;

bool IsWordChar(QChar ch)
{
    return ch.isLetterOrNumber() || ch == QLatin1Char('_');
}

// Position of `word` in `sql` at or after `from`, as a whole word outside quotes,
// brackets and parentheses; -1 when it is not there.
qsizetype FindKeyword(const QString& sql, const QString& word, qsizetype from = 0)
{
    int depth = 0;
    QChar closing;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar ch = sql.at(i);
        if (!closing.isNull()) {
            if (ch == closing)
                closing = QChar();
            continue;
        }
        if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
            closing = ch;
            continue;
        }
        if (ch == QLatin1Char('[')) {
            closing = QLatin1Char(']');
            continue;
        }
        if (ch == QLatin1Char('(')) {
            ++depth;
            continue;
        }
        if (ch == QLatin1Char(')')) {
            --depth;
            continue;
        }
        if (depth != 0 || i < from || (i > 0 && IsWordChar(sql.at(i - 1))))
            continue;
        if (sql.mid(i, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype end = i + word.size();
        if (end < sql.size() && IsWordChar(sql.at(end)))
            continue;
        return i;
    }
    return -1;
}

// "From ... Where ..." of the data set's statement (its grouping and order left
// out); for a data set without a statement, its update table. "" when neither.
QString FromPart(const DataSet* ds)
{
    const QString sql = ds->sql().trimmed();
    if (sql.isEmpty())
        return ds->updateTable().isEmpty() ? QString()
                                           : QStringLiteral("From ") + SqlIdent(ds->updateTable());
    const qsizetype from = FindKeyword(sql, QStringLiteral("FROM"));
    if (from < 0)
        return QString();
    qsizetype end = sql.size();
    for (const QString& word : {QStringLiteral("GROUP"), QStringLiteral("ORDER")}) {
        const qsizetype at = FindKeyword(sql, word, from);
        if (at >= 0 && at < end)
            end = at;
    }
    return sql.mid(from, end - from).trimmed();
}

// The stored column a field is read from: its origin column, or for a data set read
// from its table without a statement, its own name. "" for a value the statement
// computes: only the data set's rows know it (SQLite would even read an unknown
// quoted name as a text constant rather than fail).
QString StoredColumn(const DataSet* ds, const DataField* field)
{
    if (!field->originColumn().isEmpty())
        return field->originColumn();
    return ds->sql().trimmed().isEmpty() ? field->fieldName() : QString();
}

// The first value of a one-value statement; an invalid QVariant when the statement
// cannot run over these tables (a column the statement computes, for one).
QVariant QueryValue(DataSet* ds, const QString& sql, bool* ran)
{
    *ran = false;
    if (ds->connection() == nullptr)
        return QVariant();
    try {
        QSqlQuery q = ds->connection()->select(sql);
        *ran = true;
        return q.next() ? q.value(0) : QVariant();
    } catch (const DatabaseError&) {
        return QVariant();
    }
}

// A value of the field's longest text: asked of the database, or found in the data
// set's rows when the statement's tables do not have the column. An empty value is
// the shortest on every engine (NULL sorts first in a descending order on some).
QVariant LongestValue(DataSet* ds, const QString& fromPart, const DataField* field)
{
    const QString name = StoredColumn(ds, field);
    if (!fromPart.isEmpty() && !name.isEmpty()) {
        const QString column = SqlIdent(name);
        bool ran = false;
        const QVariant value =
            QueryValue(ds,
                       QStringLiteral("SELECT ") + column + QLatin1Char(' ') + fromPart +
                           QStringLiteral(" ORDER BY COALESCE(LENGTH(TRIM(CAST(") + column +
                           QStringLiteral(" AS TEXT))), 0) DESC LIMIT 1"),
                       &ran);
        if (ran)
            return value;
    }
    QVariant longest;
    qsizetype length = -1;
    for (int r = 0; r < ds->recordCount(); ++r) {
        const QVariant v = ds->value(r, field->index());
        const qsizetype l = v.isNull() ? 0 : v.toString().trimmed().size();
        if (l > length) {
            length = l;
            longest = v;
        }
    }
    return longest;
}

QString SumOf(DataSet* ds, const QString& fromPart, const DataField* field)
{
    double sum = 0;
    bool ran = false;
    const QString name = StoredColumn(ds, field);
    if (!fromPart.isEmpty() && !name.isEmpty()) {
        const QVariant value = QueryValue(ds,
                                          QStringLiteral("SELECT SUM(") + SqlIdent(name) +
                                              QStringLiteral(") AS X ") + fromPart,
                                          &ran);
        sum = value.toDouble();
    }
    if (!ran) {
        for (int r = 0; r < ds->recordCount(); ++r)
            sum += ds->value(r, field->index()).toDouble();
    }
    return AmountText(sum);
}

// The value as the grid shows it.
QString ShownText(const DataField* field, const QVariant& value)
{
    if (value.isNull())
        return QString();
    if (NumericField(field)) {
        if (!field->displayFormat().isEmpty())
            return DataField::FormatNumber(value.toDouble(), field->displayFormat());
        const double d = value.toDouble();
        return d == double(qint64(d)) ? QString::number(qint64(d)) : QString::number(d, 'g', 15);
    }
    return value.toString().trimmed();
}

// The sum labels of one grid, kept under their columns. Deleting the object removes
// the labels.
class SumLabels : public QObject
{
public:
    explicit SumLabels(DbGrid* grid) : QObject(grid), m_grid(grid)
    {
        setObjectName(kSumLabelsName);
        QHeaderView* header = grid->horizontalHeader();
        const auto place = [this] { placeAll(); };
        connect(header, &QHeaderView::sectionResized, this, place);
        connect(header, &QHeaderView::sectionMoved, this, place);
        connect(header, &QHeaderView::geometriesChanged, this, place);
        connect(grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, place);
        grid->installEventFilter(this);
    }
    ~SumLabels() override
    {
        for (const Label& l : std::as_const(m_labels))
            delete l.label.data();
    }

    void add(const QString& fieldName, const QString& text)
    {
        QWidget* holder = m_grid->parentWidget() != nullptr ? m_grid->parentWidget() : m_grid;
        auto* label = new QLabel(text, holder);
        label->setObjectName(QStringLiteral("Sum_") + fieldName);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setFrameShape(QFrame::Box);
        label->setLayoutDirection(m_grid->layoutDirection());
        m_labels << Label{fieldName, label};
        place(m_labels.last());
        label->show();
        label->raise();
    }

    void placeAll()
    {
        for (const Label& l : std::as_const(m_labels))
            place(l);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_grid && (event->type() == QEvent::Move ||
                                  event->type() == QEvent::Resize || event->type() == QEvent::Show))
            placeAll();
        return false;
    }

private:
    struct Label
    {
        QString fieldName;
        QPointer<QLabel> label;
    };

    void place(const Label& l)
    {
        if (!l.label)
            return;
        QWidget* holder = l.label->parentWidget();
        const int column = m_grid->columnOf(l.fieldName);
        if (column < 0 || m_grid->isColumnHidden(column)) {
            l.label->setGeometry(0, 0, 0, 0);
            return;
        }
        const int height = l.label->sizeHint().height();
        const QPoint left =
            m_grid->viewport()->mapTo(holder, QPoint(m_grid->columnViewportPosition(column), 0));
        // Under the grid when it has a parent to hold the label; otherwise on its
        // bottom edge.
        const int top = holder == m_grid
                            ? m_grid->height() - height
                            : m_grid->mapTo(holder, QPoint(0, m_grid->height())).y() + 1;
        l.label->setGeometry(left.x(), top, m_grid->columnWidth(column), height);
    }

    DbGrid* m_grid;
    QList<Label> m_labels;
};

} // namespace

void FitColumnWidths(DbGrid* grid)
{
    DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    if (ds == nullptr || !ds->active())
        return;
    delete grid->findChild<QObject*>(kSumLabelsName, Qt::FindDirectChildrenOnly);
    SumLabels* sums = nullptr;

    const QString fromPart = FromPart(ds);
    const QFontMetrics cells(grid->font());
    const QFontMetrics titles(grid->horizontalHeader()->font());
    for (int c = 0; c < grid->columnCountOfGrid(); ++c) {
        DbGridColumn& column = grid->column(c);
        DataField* field = ds->findField(column.fieldName);
        if (!column.visible || field == nullptr)
            continue;
        if (SettingValue(column.settings, QStringLiteral("Delimiter")) == kOn &&
            NumericField(field) && field->displayFormat().isEmpty())
            field->setDisplayFormat(kGroupedFormat);
        const QString longest = ShownText(field, LongestValue(ds, fromPart, field));
        column.width =
            std::max(cells.horizontalAdvance(longest), titles.horizontalAdvance(column.title)) +
            kWidthMargin;
        if (SettingValue(column.settings, QStringLiteral("Sumable")) == kOn) {
            if (sums == nullptr)
                sums = new SumLabels(grid);
            sums->add(column.fieldName, FormatAmount(SumOf(ds, fromPart, field)));
        }
    }
    grid->applyColumns();
    if (sums != nullptr)
        sums->placeAll();
}
