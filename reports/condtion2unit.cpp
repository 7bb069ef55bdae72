#include "condtion2unit.h"

#include "appearance.h"
#include "context/captionpanel.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "globalunit.h"
#include "hostcontext.h"
#include "messages.h"
#include "sqlquote.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

const QString TCondtion2Form::Mark = QStringLiteral("ض");

namespace {
const QString kCaptionLead = QStringLiteral("          انتخاب ");
const QString kMarkTitle = QStringLiteral("انتخاب ");
const QString kSelectRow = QStringLiteral("انتخاب رديف");
const QString kDeselectRow = QStringLiteral("عدم انتخاب رديف");
const QString kSuffixes[3] = {QStringLiteral("1"), QStringLiteral("12"), QStringLiteral("13")};
} // namespace

TCondtion2Form::TCondtion2Form(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("Condtion2Form"));
    setLayoutDirection(Qt::RightToLeft);
    setModal(true);
    resize(520, 420);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Caption_Panel = new TCaptionPanel(this);
    QToolButton* close = Caption_Panel->addCloseButton();
    connect(close, &QToolButton::clicked, this, [this] { done(2); });
    Caption_Panel->dragHandler = DragByCaption;
    layout->addWidget(Caption_Panel);

    pmReport = new QMenu(this);
    pmReport->setObjectName(QStringLiteral("pmReport"));
    SelectRowItem = pmReport->addAction(kSelectRow);
    SelectRowItem->setObjectName(QStringLiteral("SelectRowItem"));
    SelectAllItem = pmReport->addAction(QStringLiteral("انتخاب تمامي رديفها"));
    SelectAllItem->setObjectName(QStringLiteral("SelectAllItem"));
    DeSelectAllItem = pmReport->addAction(QStringLiteral("عدم انتخاب تمامي رديفها"));
    DeSelectAllItem->setObjectName(QStringLiteral("DeSelectAllItem"));
    connect(SelectRowItem, &QAction::triggered, this, [this] { SelectRowItemClick(); });
    connect(SelectAllItem, &QAction::triggered, this, [this] { SelectAllItemClick(); });
    connect(DeSelectAllItem, &QAction::triggered, this, [this] { DeSelectAllItemClick(); });
    connect(pmReport, &QMenu::aboutToShow, this, [this] {
        const int g = currentGrid();
        DataSet* ds = quGrid[g];
        const bool ticked =
            ds->active() && !ds->isEmpty() && ds->currentText(m_marks.value(g)) == Mark;
        SelectRowItem->setText(ticked ? kDeselectRow : kSelectRow);
    });

    pcCond = new QTabWidget(this);
    pcCond->setObjectName(QStringLiteral("pcCond"));
    for (int g = 0; g < 3; ++g) {
        tsGrid[g] = new QWidget;
        tsGrid[g]->setObjectName(QStringLiteral("tsGrid") + QString::number(g + 1));
        auto* page = new QVBoxLayout(tsGrid[g]);
        page->setContentsMargins(2, 2, 2, 2);
        quGrid[g] = new DataSet(nullptr, this);
        quGrid[g]->setObjectName(QStringLiteral("quGrid") + QString::number(g + 1));
        // The rows are the caller's table's: none is taken away here.
        quGrid[g]->beforeDelete = [](DataSet&) { DataSet::Abort(); };
        dbgGrid[g] = new DbGrid(tsGrid[g]);
        dbgGrid[g]->setObjectName(QStringLiteral("dbgGrid") + QString::number(g + 1));
        dbgGrid[g]->setEditingEnabled(false);
        dbgGrid[g]->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(dbgGrid[g], &QWidget::customContextMenuRequested, this,
                [this, g](const QPoint& at) { pmReport->popup(dbgGrid[g]->mapToGlobal(at)); });
        dbgGrid[g]->onKeyDown = [this](DbGrid&, QKeyEvent* key) {
            if (key->key() == Qt::Key_Space && key->modifiers() == Qt::NoModifier) {
                SelectRowItemClick();
                return true;
            }
            return false;
        };
        dbgGrid[g]->onDblClick = [this](DbGrid&) { SelectRowItemClick(); };
        dbgGrid[g]->onTitleClick = [](DbGrid& grid, int column) { SortByColumn(&grid, column); };
        page->addWidget(dbgGrid[g]);
        pcCond->addTab(tsGrid[g], QString());
    }
    connect(pcCond, &QTabWidget::currentChanged, this, [this] { updateCaption(); });
    layout->addWidget(pcCond, 1);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(8, 6, 8, 8);
    OkBitBtn = new QPushButton(QStringLiteral("تاييد"), this);
    OkBitBtn->setObjectName(QStringLiteral("OkBitBtn"));
    CancelBitBtn = new QPushButton(QStringLiteral("انصراف"), this);
    CancelBitBtn->setObjectName(QStringLiteral("CancelBitBtn"));
    connect(OkBitBtn, &QPushButton::clicked, this, [this] { done(1); });
    connect(CancelBitBtn, &QPushButton::clicked, this, [this] { done(2); });
    buttons->addStretch(1);
    buttons->addWidget(OkBitBtn);
    buttons->addWidget(CancelBitBtn);
    layout->addLayout(buttons);
}

TCondtion2Form::~TCondtion2Form()
{
    for (DbGrid* grid : dbgGrid)
        grid->setDataSet(nullptr);
}

QStringList TCondtion2Form::BraceGroups(const QString& text)
{
    QStringList groups;
    int from = text.indexOf(QLatin1Char('{'));
    while (from >= 0) {
        const int to = text.indexOf(QLatin1Char('}'), from + 1);
        if (to < 0)
            break;
        groups << text.mid(from + 1, to - from - 1).trimmed();
        from = text.indexOf(QLatin1Char('{'), to + 1);
    }
    return groups;
}

QStringList TCondtion2Form::CommaList(const QString& text)
{
    QStringList entries;
    for (const QString& entry : text.split(QLatin1Char(',')))
        entries << entry.trimmed();
    return entries;
}

QString TCondtion2Form::TableName(int grid) const
{
    if (m_base.isEmpty() || grid < 1 || grid > 3)
        return QString();
    return m_base + kSuffixes[grid - 1];
}

int TCondtion2Form::currentGrid() const
{
    return std::clamp(pcCond->currentIndex(), 0, 2);
}

void TCondtion2Form::prepare()
{
    m_connection = MyDatabase ? MyDatabase->Connection : nullptr;
    if (m_connection == nullptr || Global == nullptr || MyDate == nullptr)
        return;
    m_base = NewWorkTableName();
    m_count = std::clamp(GridCount, 1, 3);
    m_captions = BraceGroups(TabCaptions);
    m_marks = CommaList(MarkColumns);
    m_tables = CommaList(Tables);
    m_fields = BraceGroups(Fields);
    m_conditions = BraceGroups(Conditions);
    const QStringList titles = BraceGroups(Titles);
    int width = 0;
    for (int g = 0; g < m_count; ++g)
        width = std::max(width, int(m_captions.value(g).size()));
    for (int g = 0; g < 3; ++g) {
        pcCond->setTabVisible(g, g < m_count);
        if (g >= m_count)
            continue;
        pcCond->setTabText(g, m_captions.value(g).leftJustified(width));
        // A table takes no name from its tab: assistive tools read the tab's caption.
        dbgGrid[g]->setAccessibleName(m_captions.value(g));
        const QString table = TableName(g + 1);
        const QString mark = m_marks.value(g);
        // Every row starts ticked, whatever an earlier use left.
        makeTable(g);
        quGrid[g]->setConnection(m_connection);
        quGrid[g]->open(QStringLiteral("Select * From ") + SqlIdent(table) +
                        QStringLiteral(" Order By 1, 2"));
        QList<DbGridColumn> columns;
        DbGridColumn markColumn = DbGridColumn::Make(mark, kMarkTitle, 45);
        markColumn.fontFamily = QStringLiteral("Symbol");
        markColumn.alignment = Qt::AlignCenter;
        columns << markColumn;
        const QStringList names = CommaList(m_fields.value(g));
        const QStringList heads = CommaList(titles.value(g));
        for (int i = 0; i < names.size(); ++i) {
            DbGridColumn c = DbGridColumn::Make(names.at(i), heads.value(i), i == 0 ? 90 : 300);
            c.fontFamily = QStringLiteral("Tahoma");
            columns << c;
        }
        dbgGrid[g]->setDataSet(quGrid[g]);
        dbgGrid[g]->setColumns(columns);
    }
    pcCond->setCurrentIndex(0);
    updateCaption();
    m_sessionWatch = std::make_unique<SessionWatch>(*m_connection, [this] { remakeTables(); });
}

void TCondtion2Form::makeTable(int g)
{
    const Dialect& dialect = m_connection->dialect();
    const QString table = TableName(g + 1);
    dialect.dropTempTable(table);
    m_connection->execute(dialect.createTempTable(table) + QStringLiteral(" AS Select ") +
                          SqlQuote(Mark) + QStringLiteral(" As ") + m_marks.value(g) +
                          QStringLiteral(", ") + m_fields.value(g) + QStringLiteral(" From ") +
                          m_tables.value(g) + QLatin1Char(' ') + m_conditions.value(g));
}

void TCondtion2Form::remakeTables()
{
    for (int g = 0; g < m_count; ++g) {
        if (!quGrid[g]->active())
            continue;
        // The same columns, emptied, then the grid's rows written back as they stand.
        makeTable(g);
        m_connection->execute(QStringLiteral("Delete From ") + SqlIdent(TableName(g + 1)));
        quGrid[g]->rewriteRows();
    }
}

void TCondtion2Form::updateCaption()
{
    Caption_Panel->setCaption(kCaptionLead + m_captions.value(currentGrid()));
}

int TCondtion2Form::exec()
{
    try {
        prepare();
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
        return 2;
    }
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        move(main->mapToGlobal(main->rect().center()) - rect().center());
    dbgGrid[0]->setFocus();
    return QDialog::exec();
}

void TCondtion2Form::reject()
{
    done(2);
}

void TCondtion2Form::SelectRowItemClick()
{
    const int g = currentGrid();
    DataSet* ds = quGrid[g];
    if (!ds->active() || ds->isEmpty())
        return;
    DataField* mark = ds->findField(m_marks.value(g));
    if (mark == nullptr)
        return;
    try {
        ds->edit();
        mark->setValue(mark->asString() == Mark ? QString() : Mark);
        ds->post();
    } catch (const DatabaseError& e) {
        ds->cancel();
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
}

void TCondtion2Form::SelectAllItemClick()
{
    markAll(Mark);
}

void TCondtion2Form::DeSelectAllItemClick()
{
    markAll(QString());
}

void TCondtion2Form::markAll(const QString& mark)
{
    const int g = currentGrid();
    DataSet* ds = quGrid[g];
    if (!ds->active() || m_connection == nullptr)
        return;
    const int row = ds->currentRow();
    try {
        m_connection->execute(QStringLiteral("Update ") + SqlIdent(TableName(g + 1)) +
                                  QStringLiteral(" Set ") + m_marks.value(g) +
                                  QStringLiteral(" = ?"),
                              {mark});
        ds->requery();
        ds->setCurrentRow(std::min(row, ds->recordCount() - 1));
    } catch (const DatabaseError& e) {
        ShowMessageDlg(DatabaseFailureText(e), QString(), QStringLiteral("1ER"));
    }
}
