#include "tempgridform.h"

#include "persiantext.h"

#include "captionpanel.h"
#include "commandquery.h"
#include "dbgrid.h"
#include "focusreturn.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScreen>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

TTempGridForm::TTempGridForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("TempGridForm"));
    ReturnFocusWhenWindowsClose();
    setWindowTitle(QStringLiteral("فرم Grid هاي موقتي"));
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    resize(640, 420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Caption_Panel = new TCaptionPanel(this);
    Caption_Panel->setCaption(windowTitle());
    {
        // Yellow Tahoma text on the highlight colour.
        QPalette pal = Caption_Panel->palette();
        pal.setColor(QPalette::WindowText, Qt::yellow);
        Caption_Panel->setPalette(pal);
        Caption_Panel->titleLabel()->setPalette(pal);
        QFont f = Caption_Panel->titleLabel()->font();
        f.setFamilies({QStringLiteral("Tahoma"), f.family()});
        Caption_Panel->titleLabel()->setFont(f);
    }
    sb_Closed = Caption_Panel->addButton(QStringLiteral("sb_Closed"), QStringLiteral("✕"),
                                         QStringLiteral("بستن فرم"));
    connect(sb_Closed, &QToolButton::clicked, this, [this] { done(mrCancel); });
    layout->addWidget(Caption_Panel);

    auto* client = new QFrame(this);
    client->setObjectName(QStringLiteral("ClientPanel"));
    client->setFrameShape(QFrame::Box);
    client->setLineWidth(2);
    client->setStyleSheet(QStringLiteral("QFrame#ClientPanel { border: 2px solid black; }"));
    m_clientLayout = new QVBoxLayout(client);
    m_clientLayout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(client, 1);

    quTemp = new CommandQuery(nullptr, this);
    quTemp->setObjectName(QStringLiteral("quTemp"));
    quTemp->setReadOnly(true);
    // A long list is read a chunk at a time: the first screen comes from the first,
    // or from the one the list opens standing in. A chunk is a few screens: each row
    // of a list carries the names of its codes, looked up as it is read.
    quTemp->setFetchChunk(kListChunk);

    dbgTemp = new DbGrid(client);
    dbgTemp->setObjectName(QStringLiteral("dbgTemp"));
    dbgTemp->setEditingEnabled(false);
    dbgTemp->setSelectionBehavior(QAbstractItemView::SelectRows);
    dbgTemp->setSelectionMode(QAbstractItemView::SingleSelection);
    {
        QPalette pal = dbgTemp->palette();
        pal.setColor(QPalette::Base, QColor(0xff, 0xff, 0xe1)); // 14811135
        dbgTemp->setPalette(pal);
    }
    dbgTemp->setDataSet(quTemp);
    dbgTemp->onDblClick = [this](DbGrid&) { ChooseCurrent(); };
    dbgTemp->onTitleClick = [this](DbGrid&, int column) { sortByColumn(column); };
    dbgTemp->onKeyDown = [this](DbGrid&, QKeyEvent* e) { return handleKey(e); };
    m_clientLayout->addWidget(dbgTemp, 1);

    auto* searchRow = new QHBoxLayout;
    SearchLabel = new QLabel(client);
    SearchLabel->setObjectName(QStringLiteral("SearchLabel"));
    SearchEdit = new QLineEdit(client);
    SearchEdit->setObjectName(QStringLiteral("SearchEdit"));
    SearchEdit->setReadOnly(true);
    SearchEdit->setFocusPolicy(Qt::NoFocus);
    searchRow->addWidget(SearchLabel);
    searchRow->addWidget(SearchEdit, 1);
    m_clientLayout->addLayout(searchRow);
}

TTempGridForm::~TTempGridForm() = default;

void TTempGridForm::SetList(const TPickList& list, DbConnection* connection)
{
    m_list = list;
    quTemp->close();
    quTemp->setConnection(connection);
    quTemp->setSql(list.sql, list.values);
    Caption_Panel->setCaption(list.caption);
}

QString TTempGridForm::Caption() const
{
    return Caption_Panel->caption();
}

void TTempGridForm::OpenList()
{
    if (!m_sortField.isEmpty() && quTemp->active())
        quTemp->setSort(QString());
    m_sortField.clear();
    m_sortDescending = false;
    SearchEdit->clear();
    if (!quTemp->active() && !quTemp->sql().isEmpty())
        quTemp->open();
    layoutColumns();
    fitToColumns();
    locateCurrent();
    SearchLabel->setText(QStringLiteral("جستجو در ") + [this] {
        const int c = dbgTemp->columnOf(SearchField());
        return c >= 0 ? dbgTemp->columns().at(c).title : SearchField();
    }());
    SearchLabel->setMinimumWidth(SearchLabel->sizeHint().width());
    // The list is named after its caption for assistive tools.
    dbgTemp->setAccessibleName(Caption());
}

// The window takes the width of its shown columns, within reason.
void TTempGridForm::fitToColumns()
{
    int total = dbgTemp->verticalHeader()->width() +
                dbgTemp->verticalScrollBar()->sizeHint().width() + 2 * dbgTemp->frameWidth() + 16;
    // A column is never narrower than its title bar lets it be: in the Persian fonts
    // that is about three times a short code column, and a window sized by the given
    // widths alone cut the last column (the names) short.
    const int least = dbgTemp->horizontalHeader()->minimumSectionSize();
    for (const DbGridColumn& c : dbgTemp->columns())
        if (c.visible)
            total += std::max(c.width, least);
    int limit = 1000;
    if (const QScreen* s = screen())
        limit = s->availableGeometry().width() * 9 / 10;
    resize(qBound(420, total, limit), height());
}

// The first fields, one per title, are shown under the list's titles and widths;
// fields beyond them (row numbers and the like) stay hidden.
void TTempGridForm::layoutColumns()
{
    QList<DbGridColumn> columns;
    if (quTemp->active()) {
        for (int i = 0; i < quTemp->fieldCount(); ++i) {
            DbGridColumn c = DbGridColumn::Make(quTemp->field(i)->fieldName(),
                                                quTemp->field(i)->fieldName(), 64);
            c.readOnly = true;
            if (i < m_list.titles.size()) {
                c.title = m_list.titles.at(i);
                if (i < m_list.widths.size())
                    c.width = m_list.widths.at(i);
            } else {
                c.visible = false;
            }
            columns << c;
        }
    }
    // The given widths are the least a column gets: it widens to show its title and
    // what it holds in the font actually used (up to a limit; longer texts elide).
    const QFontMetrics cells = dbgTemp->fontMetrics();
    const QFontMetrics titles = dbgTemp->horizontalHeader()->fontMetrics();
    constexpr int kPadding = 14;
    constexpr int kMostRows = 300;
    constexpr int kWidest = 360;
    const int rows = std::min(quTemp->active() ? quTemp->rowsKnown() : 0, kMostRows);
    for (int i = 0; i < columns.size(); ++i) {
        DbGridColumn& c = columns[i];
        if (!c.visible)
            continue;
        int needed = titles.horizontalAdvance(c.title) + kPadding;
        for (int row = 0; row < rows; ++row)
            needed = std::max(needed,
                              cells.horizontalAdvance(quTemp->value(row, i).toString().trimmed()) +
                                  kPadding);
        c.width = std::max(c.width, std::min(needed, kWidest));
    }
    dbgTemp->setColumns(columns);
}

// Stands on the row whose fields hold the list's starting values; codes are
// compared without their padding, so a list stands on "  7" for a typed "7".
void TTempGridForm::locateCurrent()
{
    if (!quTemp->active() || quTemp->isEmpty())
        return;
    QStringList fields;
    QList<QString> values;
    QString firstValue;
    for (const auto& [field, value] : m_list.start) {
        if (!field.isEmpty() && quTemp->findField(field) != nullptr) {
            if (fields.isEmpty())
                firstValue = value;
            fields << field;
            values << value.trimmed();
        }
    }
    int found = 0;
    // A long list in the order of its only locate field finds the row by the
    // field's index; the row is then checked as any other. Without a value (a new
    // row's empty cell) no row is walked: in the field's order blank values come
    // first, so the first row is the one to stand on whether it is blank or not.
    if (fields.size() == 1 && quTemp->chunked()) {
        const int row = quTemp->seekRow(fields.first(), firstValue);
        if (row >= 0 && values.first().isEmpty()) {
            quTemp->setCurrentRow(0);
            return;
        }
        const int index = quTemp->fieldByName(fields.first())->index();
        if (row >= 0 && quTemp->value(row, index).toString().trimmed() == values.first()) {
            quTemp->setCurrentRow(row);
            return;
        }
    }
    if (!fields.isEmpty()) {
        for (int row = 0; quTemp->hasRow(row); ++row) {
            bool all = true;
            for (int f = 0; f < fields.size() && all; ++f) {
                const int index = quTemp->fieldByName(fields.at(f))->index();
                all = quTemp->value(row, index).toString().trimmed() == values.at(f);
            }
            if (all) {
                found = row;
                break;
            }
        }
    }
    quTemp->setCurrentRow(found);
}

QString TTempGridForm::SearchText() const
{
    return SearchEdit->text();
}

QString TTempGridForm::SearchField() const
{
    if (!m_sortField.isEmpty())
        return m_sortField;
    const QString& key = m_list.keyField;
    if (!key.isEmpty() && quTemp->active() && quTemp->findField(key) != nullptr &&
        dbgTemp->columnOf(key) >= 0 && dbgTemp->columns().at(dbgTemp->columnOf(key)).visible)
        return key;
    return quTemp->active() && quTemp->fieldCount() > 0 ? quTemp->field(0)->fieldName() : QString();
}

// The column of the names beside the codes: the first shown text column after the
// key's; -1 when the list has none.
int TTempGridForm::namesColumn() const
{
    const int key = dbgTemp->columnOf(m_list.keyField);
    if (key < 0)
        return -1;
    for (int c = key + 1; c < dbgTemp->columnCountOfGrid(); ++c) {
        const DbGridColumn& column = dbgTemp->columns().at(c);
        const DataField* field = quTemp->findField(column.fieldName);
        if (column.visible && field != nullptr && field->kind() == DataField::Kind::Text)
            return c;
    }
    return -1;
}

// A search begun with a letter in a list searched by its codes searches the names
// beside them instead, and one begun with a digit in the names goes back to the
// codes: the clerk finds a row by either without reaching for the mouse.
void TTempGridForm::searchCodesOrNames(QChar typed)
{
    if (!SearchEdit->text().isEmpty() || m_list.keyField.isEmpty())
        return;
    const int names = namesColumn();
    if (names < 0)
        return;
    const QString searched = SearchField();
    const bool onCodes = searched.compare(m_list.keyField, Qt::CaseInsensitive) == 0;
    const bool onNames =
        searched.compare(dbgTemp->columns().at(names).fieldName, Qt::CaseInsensitive) == 0;
    if (onCodes && typed.isLetter())
        sortByColumn(names);
    else if (onNames && typed.isDigit())
        sortByColumn(dbgTemp->columnOf(m_list.keyField));
}

bool TTempGridForm::SearchFor(const QString& text)
{
    if (!quTemp->active() || quTemp->isEmpty())
        return false;
    if (!text.isEmpty())
        searchCodesOrNames(LatinDigits(text).at(0));
    const DataField* field = quTemp->findField(SearchField());
    if (field == nullptr)
        return false;
    // Typed on a Persian keyboard: its digits and its Kaf and Yeh find the codes and
    // names as they are stored.
    const QString typed = LatinDigits(text);
    const QString wanted = SearchForm((SearchEdit->text() + typed).trimmed());
    // A long list in the order of the searched field is searched by the database.
    // A longer text matches no row before the one the shorter text stands on (while
    // the list still stands there).
    const bool onLastMatch = !SearchEdit->text().isEmpty() && quTemp->currentRow() >= 0 &&
                             quTemp->currentRow() == m_searchRow;
    const int seek =
        quTemp->searchPrefix(field->fieldName(), wanted, onLastMatch ? field->value() : QVariant());
    if (seek != DataSet::kNotSeekable) {
        if (seek < 0)
            return false;
        SearchEdit->setText(SearchEdit->text() + typed);
        quTemp->setCurrentRow(seek);
        m_searchRow = seek;
        return true;
    }
    for (int row = 0; quTemp->hasRow(row); ++row) {
        const QString value = SearchForm(quTemp->value(row, field->index()).toString().trimmed());
        if (value.startsWith(wanted)) {
            SearchEdit->setText(SearchEdit->text() + typed);
            quTemp->setCurrentRow(row);
            m_searchRow = row;
            return true;
        }
    }
    return false;
}

void TTempGridForm::ChooseCurrent()
{
    if (quTemp->active() && !quTemp->isEmpty() && quTemp->currentRow() >= 0)
        done(mrChosen);
}

void TTempGridForm::sortByColumn(int column)
{
    if (!quTemp->active() || column < 0 || column >= dbgTemp->columnCountOfGrid())
        return;
    const QString field = dbgTemp->columns().at(column).fieldName;
    if (field.isEmpty())
        return;
    m_sortDescending = (field == m_sortField) ? !m_sortDescending : false;
    m_sortField = field;
    // Stay on the same row after sorting.
    QVariant key;
    const DataField* keyField = quTemp->findField(m_list.keyField);
    if (keyField != nullptr && quTemp->currentRow() >= 0)
        key = keyField->value();
    quTemp->setSort(field + (m_sortDescending ? QStringLiteral(" DESC") : QString()));
    if (key.isValid())
        quTemp->locate({m_list.keyField}, {key});
    for (int i = 0; i < dbgTemp->columnCountOfGrid(); ++i)
        dbgTemp->column(i).titleFontColor =
            i == column ? (m_sortDescending ? QColor(Qt::blue) : QColor(Qt::red)) : QColor();
    dbgTemp->applyColumns();
    SearchEdit->clear();
    SearchLabel->setText(QStringLiteral("جستجو در ") + dbgTemp->columns().at(column).title);
    SearchLabel->setMinimumWidth(SearchLabel->sizeHint().width());
}

bool TTempGridForm::handleKey(QKeyEvent* event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        ChooseCurrent();
        return true;
    case Qt::Key_Escape:
        done(mrCancel);
        return true;
    case Qt::Key_Backspace: {
        QString text = SearchEdit->text();
        text.chop(1);
        SearchEdit->clear();
        if (!text.isEmpty())
            SearchFor(text);
        return true;
    }
    case Qt::Key_Down:
        // A pick list never grows a row.
        return quTemp->active() && !quTemp->hasRow(quTemp->currentRow() + 1);
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() &&
        (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0) {
        SearchFor(text);
        return true;
    }
    return false;
}

void TTempGridForm::reject()
{
    done(mrCancel);
}

void TTempGridForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    OpenList();
    if (parentWidget() != nullptr) {
        const QRect owner = parentWidget()->window()->geometry();
        move(owner.center() - rect().center());
    }
    dbgTemp->setFocus();
}
