#include "endgheimatunit.h"

#include "appearance.h"
#include "commandquery.h"
#include "context/captionpanel.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbgrid.h"
#include "globalunit.h"
#include "gridexport.h"
#include "gridlayout.h"
#include "hostcontext.h"
#include "messages.h"
#include "siblingcalls.h"
#include "vouchercolumns.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kValueField = QStringLiteral("sValue");
const QString kErrorCode = QStringLiteral("1ER");
const QString kHelpCode = QStringLiteral("1IR");
// The Arabic decimal separator some Persian keyboards give for the point.
constexpr char16_t kArabicDecimalSeparator = u'\u066B';

bool IsEnter(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
           (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

const QString TEndGheimatForm::Caption = QStringLiteral("بهاي تمام شده");

const QString TEndGheimatForm::HelpText =
    QStringLiteral("در ستون مبلغ، مبلغ هر جزء بهاي تمام شده دارايي را وارد كرده و Enter "
                   "بزنيد تا به رديف بعد برويد.\n"
                   "پس از آخرين رديف، Enter روي دكمه تاييد مبالغ را ثبت مي كند؛ "
                   "انصراف يا Esc آنها را كنار مي گذارد.\n"
                   "جمع مبالغ، بهاي تمام شده دارايي در سند مي شود.");

TEndGheimatForm::TEndGheimatForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("EndGheimatForm"));
    resize(420, 320);
    const CaptionedDialog frame = FrameCaptionedDialog(this, Caption, QMargins(4, 4, 4, 4));
    Caption_Panel = frame.panel;
    sb_Closed = frame.close;
    Close_Shape = frame.closeShape;
    QWidget* client = frame.client;
    client->setObjectName(QStringLiteral("ClientPanel"));
    QVBoxLayout* clientLayout = frame.clientLayout;

    // The purchase window binds, opens and reads this query; the window only edits
    // the amounts of the rows it was given.
    quGheimat = new CommandQuery(nullptr, this);
    quGheimat->setObjectName(QStringLiteral("quGheimat"));
    quGheimat->beforeInsert = [](DataSet&) { DataSet::Abort(); };
    quGheimat->beforeDelete = [](DataSet&) { DataSet::Abort(); };
    // An amount cleared by the user is stored as 0, so that the sum of the asset's
    // components counts every row.
    quGheimat->beforePost = [](DataSet& ds) {
        if (DataField* value = ds.findField(kValueField); value != nullptr && value->isNull())
            value->setValue(0.0);
    };
    DataSet::Watch formats;
    formats.reset = [this] { applyFieldFormats(); };
    quGheimat->watch(this, std::move(formats));

    m_gridState = new DataSet(nullptr, this);
    m_gridState->setObjectName(QStringLiteral("quGridState"));
    m_gridState->setReadOnly(true);

    dbgGheimat = new DbGrid(client);
    dbgGheimat->setObjectName(QStringLiteral("dbgGheimat"));
    dbgGheimat->setAccessibleName(QStringLiteral("اجزاء بهاي تمام شده"));
    dbgGheimat->setDataSet(quGheimat);
    DbGridColumn code = DbGridColumn::Make(QStringLiteral("GheimatCod"), QStringLiteral("کد"), 40);
    code.readOnly = true;
    DbGridColumn name = DbGridColumn::Make(QStringLiteral("GheimatNam"),
                                           QStringLiteral("اجزاء بهاي تمام شده"), 200);
    name.readOnly = true;
    dbgGheimat->setColumns(
        {code, name, DbGridColumn::Make(kValueField, QStringLiteral("مبلغ"), 100)});
    dbgGheimat->onKeyDown = [this](DbGrid&, QKeyEvent* event) { return dbgGheimatKeyDown(event); };
    dbgGheimat->onKeyPress = [this](DbGrid&, QChar key) { return dbgGheimatKeyPress(key); };
    dbgGheimat->onError = [this](DbGrid&, const QString& message) { ShowError(message); };
    clientLayout->addWidget(dbgGheimat, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OkBitBtn = new QPushButton(QStringLiteral("تاييد"), client);
    OkBitBtn->setObjectName(QStringLiteral("OkBitBtn"));
    OkBitBtn->setMinimumWidth(80);
    OkBitBtn->setDefault(true);
    CancelBitBtn = new QPushButton(QStringLiteral("انصراف"), client);
    CancelBitBtn->setObjectName(QStringLiteral("CancelBitBtn"));
    CancelBitBtn->setMinimumWidth(80);
    buttons->addWidget(OkBitBtn);
    buttons->addWidget(CancelBitBtn);
    buttons->addStretch();
    clientLayout->addLayout(buttons);
    connect(OkBitBtn, &QPushButton::clicked, this, &TEndGheimatForm::OkBitBtnClick);
    connect(CancelBitBtn, &QPushButton::clicked, this, &TEndGheimatForm::CancelBitBtnClick);
    setTabOrder(dbgGheimat, OkBitBtn);
    setTabOrder(OkBitBtn, CancelBitBtn);

    buildMenu();
}

TEndGheimatForm::~TEndGheimatForm() = default;

// The grid's context menu. Its shortcuts work while the grid (or its cell editor) has
// the focus, through actions of the grid that run the menu item only when it is
// enabled at that moment.
void TEndGheimatForm::buildMenu()
{
    PopupMenu = new QMenu(this);
    PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
    PopupMenu->setLayoutDirection(Qt::RightToLeft);

    auto item = [this](const char* name, const QString& text, const QKeySequence& shortcut) {
        QAction* action = PopupMenu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        if (!shortcut.isEmpty()) {
            // Shown in the menu; the grid's own action below answers the key.
            action->setShortcut(shortcut);
            action->setShortcutContext(Qt::WidgetShortcut);
            auto* key = new QAction(dbgGheimat);
            key->setShortcut(shortcut);
            key->setShortcutContext(Qt::WidgetWithChildrenShortcut);
            dbgGheimat->addAction(key);
            connect(key, &QAction::triggered, this, [this, action] { RunFromShortcut(action); });
        }
        return action;
    };
    miHelp = item("miHelp", QStringLiteral("راهنما"), QKeySequence(Qt::Key_F1));
    miSearch = item("miSearch", QStringLiteral("جستجو ..."), QKeySequence(Qt::CTRL | Qt::Key_F));
    miSaveLayout = item("miSaveLayout", QStringLiteral("ثبت وضعيت ستونها"),
                        QKeySequence(Qt::CTRL | Qt::Key_G));
    miClipboard =
        item("miClipboard", QStringLiteral("ارسال به Clipboard ( محيط ديگر ...)"), QKeySequence());
    miReportProperties =
        item("miReportProperties", QStringLiteral("مشخصات گزارش ..."), QKeySequence());
    miPrint = item("miPrint", QStringLiteral("چاپ ..."), QKeySequence(Qt::CTRL | Qt::Key_P));

    connect(miHelp, &QAction::triggered, this, &TEndGheimatForm::HelpClick);
    connect(miSaveLayout, &QAction::triggered, this, &TEndGheimatForm::SaveLayoutClick);
    connect(miClipboard, &QAction::triggered, this, &TEndGheimatForm::ClipboardClick);
    connect(miSearch, &QAction::triggered, this, [this] {
        dbgGheimat->commitEditor();
        SearchGrid(dbgGheimat, QStringLiteral("GheimatCod"), QStringLiteral("GheimatCod"));
    });
    connect(miReportProperties, &QAction::triggered, this, [this] {
        ShowReportProperties(QStringLiteral("مشخصات گزارش [بهاي تمام شده]"), dbgGheimat);
    });
    connect(miPrint, &QAction::triggered, this, [this] {
        dbgGheimat->commitEditor();
        TPrintRequest request;
        request.Grid = dbgGheimat;
        request.Data = quGheimat;
        request.Title = QStringLiteral("گزارش اجزاء بهاي تمام شده ");
        request.ReportName = QStringLiteral("D_ASNAD_GHEIMAT");
        TPrintService().Print(request);
    });
    connect(PopupMenu, &QMenu::aboutToShow, this, &TEndGheimatForm::UpdateMenuItems);

    dbgGheimat->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(dbgGheimat, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PopupMenu->popup(dbgGheimat->viewport()->mapToGlobal(pos));
    });
    UpdateMenuItems();
}

void TEndGheimatForm::UpdateMenuItems()
{
    const bool rows = quGheimat->active() && !quGheimat->isEmpty();
    const bool copyAllowed =
        Global == nullptr ||
        Global->CopyPermission.trimmed().compare(QLatin1String("NO"), Qt::CaseInsensitive) != 0;
    miHelp->setEnabled(true);
    miSaveLayout->setEnabled(rows);
    miClipboard->setEnabled(rows && copyAllowed);
    const bool printAllowed =
        Global == nullptr ||
        Global->PrintPermission.trimmed().compare(QLatin1String("NO"), Qt::CaseInsensitive) != 0;
    miSearch->setEnabled(rows && quGheimat->recordCount() > 1);
    miReportProperties->setEnabled(rows);
    miPrint->setEnabled(rows && printAllowed);
}

void TEndGheimatForm::RunFromShortcut(QAction* item)
{
    UpdateMenuItems();
    if (item->isEnabled())
        item->trigger();
}

void TEndGheimatForm::HelpClick()
{
    ShowMessageDlg(HelpText, Caption, kHelpCode);
}

void TEndGheimatForm::SaveLayoutClick()
{
    try {
        SaveGridLayout(dbgGheimat, GridLayoutKeys::GHEIMAT);
    } catch (const DatabaseError& e) {
        ShowError(DatabaseFailureText(e));
    }
}

void TEndGheimatForm::ClipboardClick()
{
    CopyGridAsText(dbgGheimat);
}

void TEndGheimatForm::ShowError(const QString& text)
{
    ShowMessageDlg(text, QString(), kErrorCode);
}

void TEndGheimatForm::applyFieldFormats()
{
    if (!quGheimat->active())
        return;
    if (DataField* value = quGheimat->findField(kValueField))
        value->setDisplayFormat(kAmountFormat);
}

bool TEndGheimatForm::PostPending()
{
    dbgGheimat->commitEditor();
    if (!quGheimat->active() || quGheimat->state() == DataSet::State::Browse)
        return true;
    try {
        if (quGheimat->post())
            return true;
    } catch (const DatabaseError& e) {
        ShowError(DatabaseFailureText(e));
    }
    dbgGheimat->focusField(kValueField);
    return false;
}

void TEndGheimatForm::OkBitBtnClick()
{
    if (PostPending())
        accept();
}

void TEndGheimatForm::CancelBitBtnClick()
{
    reject();
}

void TEndGheimatForm::reject()
{
    if (quGheimat->active()) {
        // The cell editor's text goes into the row only to leave with the row's edit.
        dbgGheimat->commitEditor();
        quGheimat->cancel();
    }
    QDialog::reject();
}

bool TEndGheimatForm::dbgGheimatKeyDown(QKeyEvent* event)
{
    if (IsEnter(event)) {
        dbgGheimatEnter();
        return true;
    }
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier &&
        !dbgGheimat->editorOpen()) {
        // Escape in the cell editor cancels the cell (the grid does that); outside it
        // leaves the window.
        reject();
        return true;
    }
    return false;
}

// Enter takes the amount and goes to the next row's amount; after the last row the
// focus goes to OK. On the code or the name it goes to the row's amount.
void TEndGheimatForm::dbgGheimatEnter()
{
    if (!quGheimat->active() || quGheimat->isEmpty()) {
        OkBitBtn->setFocus(Qt::TabFocusReason);
        return;
    }
    const int valueColumn = dbgGheimat->columnOf(kValueField);
    const bool valueShown = valueColumn >= 0 && dbgGheimat->columns().at(valueColumn).visible;
    if (valueShown && dbgGheimat->selectedIndex() != valueColumn) {
        dbgGheimat->commitEditor();
        dbgGheimat->setSelectedIndex(valueColumn);
        return;
    }
    dbgGheimat->commitEditor();
    if (quGheimat->currentRow() < quGheimat->recordCount() - 1) {
        bool moved = false;
        try {
            moved = quGheimat->setCurrentRow(quGheimat->currentRow() + 1);
        } catch (const DatabaseError& e) {
            ShowError(DatabaseFailureText(e));
        }
        if (moved && valueShown)
            dbgGheimat->setSelectedIndex(valueColumn);
        return;
    }
    if (PostPending())
        OkBitBtn->setFocus(Qt::TabFocusReason);
}

// The amount takes digits (Persian and Arabic-Indic ones are typed as the digits
// they are), one decimal point and Backspace; everything else is swallowed.
QChar TEndGheimatForm::dbgGheimatKeyPress(QChar key)
{
    const DataField* field = dbgGheimat->selectedField();
    if (field == nullptr || field->fieldName().compare(kValueField, Qt::CaseInsensitive) != 0)
        return key;
    if (key == QChar(kBackspace))
        return key;
    if (key.isDigit() && key.digitValue() >= 0)
        return QChar(char16_t(u'0' + key.digitValue()));
    if (key == QLatin1Char('.') || key == QChar(kArabicDecimalSeparator)) {
        // A second point would make the amount unreadable; typing over a selection
        // that holds the first one is fine.
        if (const QLineEdit* editor = dbgGheimat->cellEditor()) {
            QString rest = editor->text();
            if (editor->hasSelectedText())
                rest.remove(editor->selectionStart(), editor->selectedText().size());
            if (rest.contains(QLatin1Char('.')))
                return QChar();
        }
        return QChar(u'.');
    }
    return QChar();
}

void TEndGheimatForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The stored layout is applied over the designed columns, once.
    if (!m_layoutLoaded && MyDatabase != nullptr && MyDatabase->Connection != nullptr) {
        m_layoutLoaded = true;
        m_gridState->setConnection(MyDatabase->Connection);
        try {
            LoadGridLayout(m_gridState, dbgGheimat, GridLayoutKeys::GHEIMAT);
        } catch (const DatabaseError& e) {
            ShowError(DatabaseFailureText(e));
        }
        m_gridState->close();
    }
    applyFieldFormats();
    LayoutWindowFrame(false, this, Close_Shape, nullptr, nullptr, nullptr, sb_Closed, nullptr,
                      nullptr, nullptr);
    if (QWidget* owner = parentWidget())
        move(owner->window()->geometry().center() - rect().center());

    // The keyboard starts on the first amount.
    bool onRow = false;
    if (quGheimat->active() && !quGheimat->isEmpty()) {
        try {
            onRow = quGheimat->first();
        } catch (const DatabaseError& e) {
            ShowError(DatabaseFailureText(e));
        }
    }
    if (onRow)
        dbgGheimat->focusField(kValueField);
    else
        OkBitBtn->setFocus(Qt::OtherFocusReason);
}

void TEndGheimatForm::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    placeFrame();
}

void TEndGheimatForm::placeFrame()
{
    SetRoundWindow(this, width());
    PlaceCaptionButtons(width(), Close_Shape, nullptr, nullptr, nullptr, sb_Closed, nullptr,
                        nullptr, nullptr);
}
