#include "excelimportunit.h"

#include "appearance.h"
#include "commandquery.h"
#include "context/captionpanel.h"
#include "context/global.h"
#include "context/mydate.h"
#include "context/tempgridform.h"
#include "countrowchecks.h"
#include "databaseerror.h"
#include "dbconnection.h"
#include "dialect.h"
#include "excelformsunit.h"
#include "excelimporttexts.h"
#include "globalunit.h"
#include "messages.h"
#include "picklist.h"
#include "sqlquote.h"
#include "tempgrid.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace ExcelImportText;

namespace {

const QString kErrorCode = QStringLiteral("1ER");

void ShowError(const QString& text)
{
    ShowMessageDlg(text, QString(), kErrorCode);
}

} // namespace

// The open sheet as the read-only grid shows it: the rows after the title row (when
// the first row gives the titles), the titles with the marks in front.
class SheetModel : public QAbstractTableModel
{
public:
    using QAbstractTableModel::QAbstractTableModel;

    SheetRows sheet;
    int firstRow = 0;
    QStringList titles;
    QStringList marks;

    void reset(SheetRows rows, bool titleRow)
    {
        beginResetModel();
        sheet = std::move(rows);
        firstRow = titleRow && !sheet.rows.isEmpty() ? 1 : 0;
        titles.clear();
        for (int c = 0; c < sheet.columnCount; ++c) {
            QString title;
            if (firstRow == 1) {
                title =
                    c < sheet.rows.first().size() ? sheet.rows.first().at(c).trimmed() : QString();
                if (title.isEmpty())
                    title = QStringLiteral("F") + QString::number(c + 1);
            } else {
                title = SpreadsheetColumnName(c);
            }
            titles << title;
        }
        marks = QStringList(titles.size(), QString());
        endResetModel();
    }
    void retitle(bool titleRow) { reset(std::move(sheet), titleRow); }
    // The number the spreadsheet program shows for grid row `row`.
    int sheetRow(int row) const { return sheet.firstRow + firstRow + row + 1; }
    void setMark(int column, const QString& mark)
    {
        if (column < 0 || column >= marks.size())
            return;
        marks[column] = mark;
        emit headerDataChanged(Qt::Horizontal, column, column);
    }

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(sheet.rows.size()) - firstRow;
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : sheet.columnCount;
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole || !index.isValid())
            return {};
        const QStringList& row = sheet.rows.at(index.row() + firstRow);
        return index.column() < row.size() ? row.at(index.column()) : QString();
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        if (orientation == Qt::Vertical)
            return sheetRow(section);
        if (section < 0 || section >= titles.size())
            return {};
        return marks.at(section).isEmpty() ? titles.at(section)
                                           : QStringLiteral("(") + marks.at(section) +
                                                 QStringLiteral(")   ") + titles.at(section);
    }
};

const QString TFrm_Excel_Import2::kSlotField[SlotCount] = {QStringLiteral("DaraCod"),
                                                           QStringLiteral("DaraNam")};
const QString TFrm_Excel_Import2::kSlotCaption[SlotCount] = {kSlotCode, kSlotName};

TFrm_Excel_Import2::TFrm_Excel_Import2(const QString& targetTable, CommandQuery* command,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_targetTable(targetTable),
      m_command(command)
{
    for (int& m : m_marked)
        m = -1;
    setObjectName(QStringLiteral("Frm_Excel_Import2"));
    resize(760, 540);
    const CaptionedDialog frame = FrameCaptionedDialog(this, kCaption, QMargins(6, 6, 6, 6));
    Caption_Panel = frame.panel;
    sb_Closed = frame.close;
    Close_Shape = frame.closeShape;
    QWidget* client = frame.client;
    QVBoxLayout* clientLayout = frame.clientLayout;

    auto* top = new QHBoxLayout;
    auto* formsLabel = new QLabel(kFormsLabel, client);
    cbForms = new QComboBox(client);
    cbForms->setObjectName(QStringLiteral("cbForms"));
    cbForms->setMinimumWidth(180);
    formsLabel->setBuddy(cbForms);
    btnSelectFile = new QPushButton(kSelectFile, client);
    btnSelectFile->setObjectName(QStringLiteral("btnSelectFile"));
    BitBtn2 = new QPushButton(kSaveForm, client);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    chbOnvan = new QCheckBox(kShowTitles, client);
    chbOnvan->setObjectName(QStringLiteral("chbOnvan"));
    chbOnvan->setChecked(true);
    top->addWidget(formsLabel);
    top->addWidget(cbForms);
    top->addWidget(btnSelectFile);
    top->addWidget(BitBtn2);
    top->addWidget(chbOnvan);
    top->addStretch(1);
    clientLayout->addLayout(top);

    ExcelSheet = new QTabBar(client);
    ExcelSheet->setObjectName(QStringLiteral("ExcelSheet"));
    ExcelSheet->setAccessibleName(QStringLiteral("برگه هاي فايل Excel"));
    clientLayout->addWidget(ExcelSheet);
    ExcelGrid = new QTableView(client);
    ExcelGrid->setObjectName(QStringLiteral("ExcelGrid"));
    ExcelGrid->setAccessibleName(QStringLiteral("محتواي برگه"));
    ExcelGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ExcelGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ExcelGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    ExcelGrid->horizontalHeader()->setContextMenuPolicy(Qt::CustomContextMenu);
    ExcelGrid->verticalHeader()->setDefaultSectionSize(20);
    m_model = new SheetModel(this);
    ExcelGrid->setModel(m_model);
    clientLayout->addWidget(ExcelGrid, 1);

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    for (int s = 0; s < SlotCount; ++s) {
        miSlot[s] = PopupMenu1->addAction(kSlotCaption[s]);
        connect(miSlot[s], &QAction::triggered, this, [this, s] { mark(s, m_menuColumn); });
    }
    PopupMenu1->addSeparator();
    miClear = PopupMenu1->addAction(kClearColumn);
    connect(miClear, &QAction::triggered, this, [this] {
        for (int s = 0; s < SlotCount; ++s)
            if (m_marked[s] == m_menuColumn)
                mark(s, -1);
    });
    miClearAll = PopupMenu1->addAction(kClearAll);
    connect(miClearAll, &QAction::triggered, this, &TFrm_Excel_Import2::clearMarks);
    connect(ExcelGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        openMenu(ExcelGrid->columnAt(at.x()), ExcelGrid->viewport()->mapToGlobal(at));
    });
    connect(ExcelGrid->horizontalHeader(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) {
                QHeaderView* header = ExcelGrid->horizontalHeader();
                openMenu(header->logicalIndexAt(at), header->viewport()->mapToGlobal(at));
            });

    auto* bottom = new QHBoxLayout;
    rgMode = new QGroupBox(kModeTitle, client);
    rgMode->setObjectName(QStringLiteral("rgMode"));
    auto* modeLayout = new QVBoxLayout(rgMode);
    rbReplace = new QRadioButton(kModeReplace, rgMode);
    rbReplace->setObjectName(QStringLiteral("rbReplace"));
    rbAppend = new QRadioButton(kModeAppend, rgMode);
    rbAppend->setObjectName(QStringLiteral("rbAppend"));
    // Adding to the list loses nothing when the user does not choose.
    rbAppend->setChecked(true);
    modeLayout->addWidget(rbReplace);
    modeLayout->addWidget(rbAppend);
    bottom->addWidget(rgMode);
    auto* note = new QLabel(kNoteTitle + QLatin1Char(' ') + kNote, client);
    note->setWordWrap(true);
    bottom->addWidget(note, 1);
    cmdOk = new QPushButton(kOk, client);
    cmdOk->setObjectName(QStringLiteral("cmdOk"));
    cmdCancel = new QPushButton(kCancel, client);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {btnSelectFile, BitBtn2, cmdOk, cmdCancel})
        b->setAutoDefault(false);
    bottom->addWidget(cmdOk);
    bottom->addWidget(cmdCancel);
    clientLayout->addLayout(bottom);

    connect(btnSelectFile, &QPushButton::clicked, this, &TFrm_Excel_Import2::btnSelectFileClick);
    connect(BitBtn2, &QPushButton::clicked, this, &TFrm_Excel_Import2::BitBtn2Click);
    connect(cmdOk, &QPushButton::clicked, this, &TFrm_Excel_Import2::cmdOkClick);
    connect(cmdCancel, &QPushButton::clicked, this, &TFrm_Excel_Import2::reject);
    connect(ExcelSheet, &QTabBar::currentChanged, this, &TFrm_Excel_Import2::sheetChanged);
    connect(chbOnvan, &QCheckBox::toggled, this, &TFrm_Excel_Import2::titlesToggled);
    connect(cbForms, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_fillingForms)
            applySelectedForm();
    });

    // The import table lives as long as the window.
    if (DbConnection* db = connection()) {
        const QString name = NewWorkTableName();
        try {
            ExcelImportStore::CreateImportTable(*db, name);
            m_importTable = name;
            // A restart of the server ends the session, and the import table with it;
            // it holds rows only while an import runs.
            m_sessionWatch = std::make_unique<SessionWatch>(
                *db, [this, db] { ExcelImportStore::CreateImportTable(*db, m_importTable); });
        } catch (const DatabaseError&) {
        }
        try {
            fillForms(-1);
        } catch (const DatabaseError&) {
        }
    }
    if (m_importTable.isEmpty())
        ShowError(kTempTableFailed);
}

TFrm_Excel_Import2::~TFrm_Excel_Import2()
{
    m_sessionWatch.reset();
    if (!m_importTable.isEmpty()) {
        try {
            DropTempTable(m_importTable);
            DropTempTable(m_importTable + QStringLiteral("E"));
        } catch (const DatabaseError&) {
        }
    }
}

DbConnection* TFrm_Excel_Import2::connection() const
{
    return m_command != nullptr ? m_command->connection() : nullptr;
}

void TFrm_Excel_Import2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    LayoutWindowFrame(false, this, Close_Shape, nullptr, nullptr, nullptr, sb_Closed, nullptr,
                      nullptr, nullptr);
    if (QWidget* owner = parentWidget())
        move(owner->window()->geometry().center() - rect().center());
    btnSelectFile->setFocus(Qt::OtherFocusReason);
}

int TFrm_Excel_Import2::dataRowCount() const
{
    return m_model->rowCount();
}

void TFrm_Excel_Import2::btnSelectFileClick()
{
    QFileDialog dialog(this, kSelectFile);
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("Excel Workbooks  (*.xls *.xlsx)"));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return;
    openWorkbook(dialog.selectedFiles().constFirst());
}

bool TFrm_Excel_Import2::openWorkbook(const QString& path)
{
    const QString extension = QFileInfo(path).suffix().toUpper();
    if (extension != QLatin1String("XLS") && extension != QLatin1String("XLSX")) {
        ShowError(kBadFile);
        return false;
    }
    QString reason;
    std::unique_ptr<WorkbookReader> reader = WorkbookReader::Open(path, &reason);
    SheetRows rows;
    if (reader == nullptr) {
        ShowError(kOpenFailed);
        return false;
    }
    if (!readSheet(reader.get(), 0, &rows))
        return false;
    m_reader = std::move(reader);
    {
        const QSignalBlocker block(ExcelSheet);
        while (ExcelSheet->count() > 0)
            ExcelSheet->removeTab(0);
        for (QString name : m_reader->sheetNames()) {
            if (name.size() >= 2 && name.startsWith(QLatin1Char('\'')) &&
                name.endsWith(QLatin1Char('\'')))
                name = name.mid(1, name.size() - 2);
            ExcelSheet->addTab(QStringLiteral("[") + name + QStringLiteral("]"));
        }
        ExcelSheet->setCurrentIndex(0);
    }
    m_sheet = 0;
    showSheet(std::move(rows));
    applySelectedForm();
    return true;
}

bool TFrm_Excel_Import2::readSheet(WorkbookReader* reader, int index, SheetRows* rows)
{
    bool ok = false;
    bool cancelled = false;
    {
        QProgressDialog progress(kCaption, kCancel, 0, 0, this);
        progress.setObjectName(QStringLiteral("ReadProgress"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(500);
        QString reason;
        ok = reader->readSheet(index, rows, &reason, [this, &progress](int done) {
            return confirmProgress(&progress, done);
        });
        cancelled = progress.wasCanceled();
    }
    // The progress window is gone before the message shows: left waiting for its
    // moment, it would come up over the message and take its keys.
    if (!ok && !cancelled)
        ShowError(kOpenFailed);
    return ok;
}

bool TFrm_Excel_Import2::confirmProgress(QProgressDialog* progress, int done)
{
    if (progress->maximum() > 0)
        progress->setValue(std::min(done, progress->maximum()));
    else
        progress->setLabelText(kCaption + QStringLiteral("  ") + QString::number(done));
    QCoreApplication::processEvents();
    return !progress->wasCanceled();
}

void TFrm_Excel_Import2::showSheet(SheetRows rows)
{
    m_model->reset(std::move(rows), chbOnvan->isChecked());
    for (int& m : m_marked)
        m = -1;
}

void TFrm_Excel_Import2::sheetChanged(int index)
{
    if (m_reader == nullptr || index < 0 || index == m_sheet)
        return;
    SheetRows rows;
    if (!readSheet(m_reader.get(), index, &rows)) {
        const QSignalBlocker block(ExcelSheet);
        ExcelSheet->setCurrentIndex(m_sheet);
        return;
    }
    m_sheet = index;
    showSheet(std::move(rows));
    applySelectedForm();
}

void TFrm_Excel_Import2::titlesToggled()
{
    if (m_reader == nullptr)
        return;
    m_model->retitle(chbOnvan->isChecked());
    for (int& m : m_marked)
        m = -1;
}

void TFrm_Excel_Import2::clearMarks()
{
    for (int s = 0; s < SlotCount; ++s)
        mark(s, -1);
}

void TFrm_Excel_Import2::mark(int slot, int column)
{
    if (slot < 0 || slot >= SlotCount)
        return;
    // A column holds one slot: whatever it was marked for before lets go of it.
    if (column >= 0)
        for (int s = 0; s < SlotCount; ++s)
            if (s != slot && m_marked[s] == column)
                m_marked[s] = -1;
    const int old = m_marked[slot];
    m_marked[slot] = column;
    for (int c : {old, column}) {
        if (c < 0)
            continue;
        QString markText;
        for (int s = 0; s < SlotCount; ++s)
            if (m_marked[s] == c)
                markText = kSlotCaption[s];
        m_model->setMark(c, markText);
        // A marked title is wider than the column: the column takes its width.
        QHeaderView* header = ExcelGrid->horizontalHeader();
        const QString text = m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        header->resizeSection(c, std::max(header->sectionSize(c),
                                          header->fontMetrics().horizontalAdvance(text) + 16));
    }
}

void TFrm_Excel_Import2::openMenu(int column, const QPoint& globalPos)
{
    if (m_reader == nullptr || column < 0)
        return;
    m_menuColumn = column;
    ExcelGrid->selectColumn(column);
    for (int s = 0; s < SlotCount; ++s)
        miSlot[s]->setEnabled(m_markingAllowed && m_marked[s] < 0);
    miClear->setEnabled(m_markingAllowed);
    miClearAll->setEnabled(m_markingAllowed);
    PopupMenu1->popup(globalPos);
}

QString TFrm_Excel_Import2::columnTitle(int column) const
{
    return m_model->titles.value(column);
}

void TFrm_Excel_Import2::fillForms(int select)
{
    DbConnection* db = connection();
    if (db == nullptr)
        return;
    const QList<ExcelImportStore::SavedForm> forms = ExcelImportStore::Forms(*db);
    m_fillingForms = true;
    cbForms->clear();
    int current = -1;
    for (const ExcelImportStore::SavedForm& f : forms) {
        cbForms->addItem(f.name, f.number);
        if (f.number == select || (current < 0 && f.isDefault))
            current = cbForms->count() - 1;
    }
    cbForms->setCurrentIndex(current);
    m_fillingForms = false;
}

void TFrm_Excel_Import2::applySelectedForm()
{
    if (m_reader == nullptr || cbForms->currentIndex() < 0)
        return;
    applyForm(cbForms->currentData().toInt());
}

void TFrm_Excel_Import2::applyForm(int number)
{
    DbConnection* db = connection();
    if (db == nullptr)
        return;
    QList<ExcelImportStore::FormSlot> formSlots;
    try {
        formSlots = ExcelImportStore::FormSlots(*db, number);
    } catch (const DatabaseError&) {
        return;
    }
    clearMarks();
    for (const ExcelImportStore::FormSlot& s : std::as_const(formSlots)) {
        const int column = m_model->titles.indexOf(s.column);
        if (s.slot >= 0 && s.slot < SlotCount && column >= 0)
            mark(s.slot, column);
    }
}

bool TFrm_Excel_Import2::slotsMarked()
{
    if (m_marked[CodeSlot] < 0) {
        ShowError(kNoCodeColumn);
        return false;
    }
    if (m_marked[NameSlot] < 0) {
        ShowError(kNoNameColumn);
        return false;
    }
    return true;
}

void TFrm_Excel_Import2::setMarkingAllowed(bool allowed)
{
    m_markingAllowed = allowed;
    BitBtn2->setEnabled(allowed);
}

void TFrm_Excel_Import2::BitBtn2Click()
{
    DbConnection* db = connection();
    if (!m_markingAllowed || m_reader == nullptr || db == nullptr || !slotsMarked())
        return;
    QList<ExcelImportStore::FormSlot> formSlots;
    for (int s = 0; s < SlotCount; ++s)
        formSlots << ExcelImportStore::FormSlot{s, kSlotField[s], kSlotCaption[s],
                                                columnTitle(m_marked[s])};
    TFrm_Excel_Forms forms(db, formSlots, this);
    const int result = forms.exec();
    try {
        fillForms(result == 1 ? forms.chosenForm() : cbForms->currentData().toInt());
    } catch (const DatabaseError&) {
    }
    if (result == 1)
        applySelectedForm();
}

void TFrm_Excel_Import2::cmdOkClick()
{
    DbConnection* db = connection();
    if (m_reader == nullptr || db == nullptr || m_model->rowCount() == 0)
        return;
    if (!slotsMarked())
        return;
    if (m_importTable.isEmpty()) {
        ShowError(kTempTableFailed);
        return;
    }
    // The rows that become the count's rows: every row with something in it, its code
    // read as a typed one is (blanks around it dropped, digits 0-9).
    const int codeColumn = m_marked[CodeSlot];
    QList<ImportedRow> rows;
    for (int r = 0; r < m_model->rowCount(); ++r) {
        const QStringList& cells = m_model->sheet.rows.at(r + m_model->firstRow);
        if (std::all_of(cells.cbegin(), cells.cend(),
                        [](const QString& c) { return c.trimmed().isEmpty(); }))
            continue;
        rows << ImportedRow{m_model->sheetRow(r),
                            codeColumn < cells.size() ? cells.at(codeColumn) : QString(),
                            QString()};
    }
    if (rows.isEmpty())
        return;
    QStringList codes;
    for (const ImportedRow& row : std::as_const(rows))
        codes << row.cell;
    QList<CountRowChecks::Verdict> verdicts;
    try {
        // Appended rows join the count's present ones, which they must not repeat.
        verdicts = CountRowChecks::Check(
            *db, codes,
            rbReplace->isChecked() ? QStringList() : ExcelImportStore::CodesIn(*db, m_targetTable));
    } catch (const DatabaseError&) {
        ShowError(kSendFailed);
        return;
    }
    QList<ImportedRow> refused;
    for (int i = 0; i < rows.size(); ++i) {
        codes[i] = CountRowChecks::CodeOf(codes.at(i));
        if (verdicts.at(i).refusal != CountRowChecks::Refusal::None)
            refused << ImportedRow{rows.at(i).sheetRow, rows.at(i).cell,
                                   CountRowChecks::Text(verdicts.at(i))};
    }
    if (!refused.isEmpty()) {
        // Nothing is written: the user corrects the sheet and opens it again, or leaves.
        showRefusedRows(refused);
        btnSelectFile->setFocus(Qt::OtherFocusReason);
        return;
    }

    ExcelImportStore::ImportOutcome outcome = ExcelImportStore::ImportOutcome::Cancelled;
    bool failed = false;
    {
        QProgressDialog progress(kCaption, kCancel, 0, int(codes.size()), this);
        progress.setObjectName(QStringLiteral("ImportProgress"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(0);
        progress.setAutoClose(false);
        progress.setAutoReset(false);
        try {
            outcome = ExcelImportStore::ImportCodes(
                *db, m_importTable, m_targetTable, codes, m_values, rbReplace->isChecked(),
                [this, &progress](int done) { return confirmProgress(&progress, done); });
        } catch (const DatabaseError&) {
            failed = true;
        }
    }
    // As after reading a sheet: the progress window is gone before the message.
    if (failed)
        ShowError(kSendFailed);
    else if (outcome == ExcelImportStore::ImportOutcome::Done)
        done(1);
}

void TFrm_Excel_Import2::showRefusedRows(const QList<ImportedRow>& refused)
{
    DbConnection* db = connection();
    const QString table = m_importTable + QStringLiteral("E");
    try {
        const Dialect& dialect = db->dialect();
        dialect.dropTempTable(table);
        db->execute(dialect.createTempTable(table) +
                    QStringLiteral(" (SheetRow INTEGER, DaraCod Varchar(60), Reason "
                                   "Varchar(200))"));
        // Fifty rows a statement: values bound to one statement grow dear by the hundred;
        // a table of this connection's own, which no other clerk waits for.
        constexpr int kRowsAStatement = 50;
        for (qsizetype at = 0; at < refused.size(); at += kRowsAStatement) {
            const QList<ImportedRow> chunk = refused.mid(at, kRowsAStatement);
            QStringList marks(chunk.size(), QStringLiteral("(?, ?, ?)"));
            QVariantList values;
            for (const ImportedRow& row : chunk)
                values << row.sheetRow << SqlText(row.cell.trimmed().left(60)) << row.reason;
            db->execute(QStringLiteral("Insert Into ") + SqlIdent(table) +
                            QStringLiteral(" (SheetRow, DaraCod, Reason) Values ") +
                            marks.join(QStringLiteral(", ")),
                        values);
        }
    } catch (const DatabaseError&) {
        ShowError(kSendFailed);
        return;
    }
    TPickList list = MakePickList(kRefusedCaption,
                                  {{kRefusedRow, 50}, {kRefusedCode, 110}, {kRefusedReason, 330}},
                                  QStringLiteral("SheetRow"), QString(),
                                  QStringLiteral("Select SheetRow, DaraCod, Reason From ") +
                                      SqlIdent(table) + QStringLiteral(" Order By SheetRow"));
    list.start.clear(); // the list opens on its first row
    ShowPickList(list);
}

void TFrm_Excel_Import2::reject()
{
    done(2);
}
