#include "amvalgardaniunit.h"

#include "voucherstore.h"

#include "assetpicklists.h"
#include "commandquery.h"
#include "context/dlgmsg.h"
#include "context/tempgridform.h"
#include "countreconcileunit.h"
#include "countrowchecks.h"
#include "d_globalunit.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbconnection.h"
#include "dbgrid.h"
#include "dialect.h"
#include "excelimportunit.h"
#include "globalunit.h"
#include "headeredit.h"
#include "hostcontext.h"
#include "labeldialog.h"
#include "messages.h"
#include "persiantext.h"
#include "picklist.h"
#include "sqlquote.h"
#include "voucherstore.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QTimer>
#include <functional>

namespace {

const QString kTable = QStringLiteral("D_Gardani");
const QString kDaraCod = VoucherColumn::DaraCod;
const QString kDaraNam = QStringLiteral("DaraNam");
const QString kMakanCod = QStringLiteral("MakanCod");
const QString kPersonelCod = QStringLiteral("PersonelCod");
// The working copy's note on a scanned row of an asset the register has elsewhere; the
// reconciliation opened from the window shows it.
const QString kScanMark = QStringLiteral("ScanMark");
const QString kError = QStringLiteral("1ER");
const QString kSaveFailure =
    QStringLiteral("بدليل وجود اشکال در دادهها, اطلاعات نميتواند ذخيره شود.");
// In a user's settings text (UserSdc.Dara): he marks a spreadsheet's columns and keeps
// forms in the count's import.
const QString kMarkRight = QStringLiteral("D_A_AMVALGARDANI");

bool IsEnter(const QKeyEvent* key)
{
    return key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
}

// Watches every key of the program while scan mode is on, for the reads that reach an
// open message instead of the scan box.
class KeyWatch : public QObject
{
public:
    KeyWatch(std::function<bool(QObject*, QKeyEvent*)> take, QObject* parent)
        : QObject(parent), m_take(std::move(take))
    {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        return event->type() == QEvent::KeyPress && m_take(watched, static_cast<QKeyEvent*>(event));
    }

private:
    std::function<bool(QObject*, QKeyEvent*)> m_take;
};

const QString kScanOn = QStringLiteral("بارکدخوان: روشن (F9)");
const QString kScanOff = QStringLiteral("بارکدخوان: خاموش (F9)");

} // namespace

const QString TAmvalGardaniForm::Caption = QStringLiteral("اموال گرداني");

TVoucherKind TAmvalGardaniForm::Parameters()
{
    TVoucherKind kind(VoucherKindId::Gardani);
    kind.InstantVoucher = false;
    kind.RecognisesOtherPeriod = false;
    kind.BoundByBooks = false;
    kind.LayoutKey = GridLayoutKeys::AMVALGARDANI;
    kind.DataSetName = QStringLiteral("quGardani");
    kind.PrintTitle = QStringLiteral("سند اموال گرداني شماره ");
    kind.ReportName = QStringLiteral("D_ASNAD_GARDANI");
    kind.PropertiesCaption = QStringLiteral("مشخصات گزارش [اموال گرداني]");
    kind.BadNumberText = QStringLiteral(" شماره بدرستي وارد نشده است ");
    kind.NoEditSuffix = QStringLiteral("(مجاز به ويرايش نمي باشيد)");
    kind.DuplicateAssetText = QStringLiteral("كد دارايي تكراري مي باشد.");
    return kind;
}

TAmvalGardaniForm::TAmvalGardaniForm(QWidget* parent) : TVoucherForm(Parameters(), parent)
{
    setObjectName(QStringLiteral("AmvalGardaniForm"));
    // Location and person go below the number and the date: typed once for the count.
    auto* header = findChild<QFrame*>(QStringLiteral("HeaderPanel"));
    auto* layout = static_cast<QGridLayout*>(header->layout());
    MakanCod = MakeHeaderEdit(header, kMakanCod, 60, false);
    MakanNam = MakeHeaderEdit(header, QStringLiteral("MakanNam"), 220, true);
    PersonelCod = MakeHeaderEdit(header, kPersonelCod, 60, false);
    PersonelNam = MakeHeaderEdit(header, QStringLiteral("PersonelNam"), 220, true);
    const int row = layout->rowCount();
    int c = 0;
    auto* placeLabel = new QLabel(QStringLiteral("مکان استقرار:"), header);
    auto* personLabel = new QLabel(QStringLiteral("تحويل گيرنده:"), header);
    placeLabel->setBuddy(MakanCod);
    personLabel->setBuddy(PersonelCod);
    layout->addWidget(placeLabel, row, c++);
    layout->addWidget(MakanCod, row, c++);
    layout->addWidget(MakanNam, row, c++, 1, 2);
    c += 1;
    layout->addWidget(personLabel, row, c++);
    layout->addWidget(PersonelCod, row, c++);
    layout->addWidget(PersonelNam, row, c++, 1, 2);
    for (QLineEdit* edit : {MakanCod, PersonelCod}) {
        edit->setLayoutDirection(Qt::LeftToRight);
        edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        edit->installEventFilter(this);
    }

    miExcel = new QAction(QStringLiteral("دريافت اطلاعات از فايل Excel"), this);
    miExcel->setObjectName(QStringLiteral("miExcel"));
    PopupMenu->addAction(miExcel);
    connect(miExcel, &QAction::triggered, this, [this] { ImportFromExcel(); });

    // Labels for the assets counted, made as the report grids make them (the voucher
    // grid selects one cell, so every row gets one); only with rows and the right to
    // print.
    miLabels = new QAction(QStringLiteral("چاپ برچسب اموال"), this);
    miLabels->setObjectName(QStringLiteral("miLabels"));
    PopupMenu->addAction(miLabels);
    connect(PopupMenu, &QMenu::aboutToShow, this, [this] {
        miLabels->setEnabled(quAsnad->active() && !quAsnad->isEmpty() && Global != nullptr &&
                             Global->PrintPermission.trimmed().toUpper() != QStringLiteral("NO"));
    });
    connect(miLabels, &QAction::triggered, this, [this] {
        if (miLabels->isEnabled())
            PrintAssetLabels(dbgAsnad, this);
    });

    // On the menu, and on its key wherever the focus is in the window.
    miReconcile = new QAction(QStringLiteral("مغايرت شمارش با دفتر دارايي\tCtrl+R"), this);
    miReconcile->setObjectName(QStringLiteral("miReconcile"));
    PopupMenu->addAction(miReconcile);
    connect(miReconcile, &QAction::triggered, this, [this] { OpenReconciliation(); });
    auto* reconcile = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_R), this);
    reconcile->setContext(Qt::WidgetWithChildrenShortcut);
    connect(reconcile, &QShortcut::activated, this, [this] { OpenReconciliation(); });

    buildScanPanel();
}

void TAmvalGardaniForm::buildScanPanel()
{
    ScanModeButton = new QPushButton(kScanOff, FooterPanel);
    ScanModeButton->setObjectName(QStringLiteral("ScanModeButton"));
    ScanModeButton->setCheckable(true);
    ScanModeButton->setFocusPolicy(Qt::NoFocus);
    ScanEdit = new QLineEdit(FooterPanel);
    ScanEdit->setObjectName(QStringLiteral("ScanEdit"));
    ScanEdit->setLayoutDirection(Qt::LeftToRight);
    ScanEdit->setFixedWidth(160);
    ScanEdit->setEnabled(false);
    ScanEdit->installEventFilter(this);
    ScanStatus = new QLabel(FooterPanel);
    ScanStatus->setObjectName(QStringLiteral("ScanStatus"));
    ScanStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    UnknownCodes = new QPlainTextEdit(FooterPanel);
    UnknownCodes->setObjectName(QStringLiteral("UnknownCodes"));
    UnknownCodes->setReadOnly(true);
    UnknownCodes->setLayoutDirection(Qt::LeftToRight);
    UnknownCodes->setFixedHeight(UnknownCodes->fontMetrics().lineSpacing() * 3 + 12);
    cmdCopyUnknown = new QPushButton(QStringLiteral("کپي كدهاي ناشناخته"), FooterPanel);
    cmdCopyUnknown->setObjectName(QStringLiteral("cmdCopyUnknown"));
    FooterLayout->addWidget(ScanModeButton, 0, 0);
    auto* scanLabel = new QLabel(QStringLiteral("كد خوانده شده:"), FooterPanel);
    auto* unknownLabel = new QLabel(QStringLiteral("كدهاي ناشناخته:"), FooterPanel);
    scanLabel->setBuddy(ScanEdit);
    unknownLabel->setBuddy(UnknownCodes);
    FooterLayout->addWidget(scanLabel, 0, 1);
    FooterLayout->addWidget(ScanEdit, 0, 2);
    FooterLayout->addWidget(ScanStatus, 0, 3, 1, 2);
    FooterLayout->addWidget(unknownLabel, 1, 1);
    FooterLayout->addWidget(UnknownCodes, 1, 2, 1, 2);
    FooterLayout->addWidget(cmdCopyUnknown, 1, 4, Qt::AlignTop | Qt::AlignLeading);
    FooterLayout->setColumnStretch(3, 1);

    m_scanGap = new QTimer(this);
    m_scanGap->setSingleShot(true);
    m_scanGap->setInterval(ScanGapMs);
    connect(m_scanGap, &QTimer::timeout, this, [this] { dropPartialRead(); });
    // The beeps of one outcome, a short pause apart; a new read cuts them off.
    m_beeper = new QTimer(this);
    m_beeper->setInterval(160);
    connect(m_beeper, &QTimer::timeout, this, [this] {
        QApplication::beep();
        if (--m_beepsLeft <= 0)
            m_beeper->stop();
    });
    // A read typed where the scan box is not: taken from an open message, or from the
    // grid (a click left the focus there) into the box, where it cannot open a list.
    m_messageWatch = new KeyWatch(
        [this](QObject* watched, QKeyEvent* key) {
            // A window put away in another page reads nothing.
            if (!isVisible())
                return false;
            if (keyWhileMessage(watched, key))
                return true;
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget == nullptr || (widget != dbgAsnad && !dbgAsnad->isAncestorOf(widget)) ||
                !scanKey(key))
                return false;
            ScanEdit->setFocus();
            return true;
        },
        this);

    connect(ScanModeButton, &QPushButton::clicked, this, [this](bool on) { SetScanMode(on); });
    auto* toggle = new QShortcut(QKeySequence(Qt::Key_F9), this);
    toggle->setContext(Qt::WidgetWithChildrenShortcut);
    connect(toggle, &QShortcut::activated, this, [this] { SetScanMode(!m_scanMode); });
    connect(cmdCopyUnknown, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(UnknownCodes->toPlainText()); });
}

void TAmvalGardaniForm::SetScanMode(bool on)
{
    m_scanMode = on;
    ScanModeButton->setChecked(on);
    ScanModeButton->setText(on ? kScanOn : kScanOff);
    m_scanBuffer.clear();
    m_scanGap->stop();
    ScanEdit->clear();
    ScanEdit->setEnabled(on);
    if (on) {
        qApp->installEventFilter(m_messageWatch);
        const QString why = scanNotReady();
        ScanStatus->setText(why.isEmpty() ? QStringLiteral("كد دارايي را با بارکدخوان بخوانيد.")
                                          : why);
        ScanEdit->setFocus();
    } else {
        qApp->removeEventFilter(m_messageWatch);
        ScanStatus->clear();
        if (GridPanel->isEnabled())
            dbgAsnad->setFocus();
    }
}

int TAmvalGardaniForm::BeepsOf(ScanOutcome outcome)
{
    switch (outcome) {
    case ScanOutcome::Added:
        return 1;
    case ScanOutcome::Marked:
        return 2;
    case ScanOutcome::Twice:
        return 3;
    case ScanOutcome::Unknown:
        return 4;
    case ScanOutcome::Sold:
    case ScanOutcome::Retired:
    case ScanOutcome::CountedElsewhere:
        return 5;
    case ScanOutcome::BadCode:
    case ScanOutcome::Partial:
    case ScanOutcome::NotReady:
    case ScanOutcome::MessageOpen:
        return 6;
    }
    return 6;
}

void TAmvalGardaniForm::sayScan(ScanOutcome outcome, const QString& text)
{
    m_lastScan = outcome;
    m_lastBeeps = BeepsOf(outcome);
    ScanStatus->setText(text);
    const bool taken = outcome == ScanOutcome::Added || outcome == ScanOutcome::Marked;
    ScanStatus->setStyleSheet(taken ? (outcome == ScanOutcome::Added
                                           ? QStringLiteral("color: #006400;")
                                           : QStringLiteral("color: #a05a00;"))
                                    : QStringLiteral("color: #b00000;"));
    // Where no sound can be made (no display, no bell) the beeps are silent.
    m_beepsLeft = m_lastBeeps;
    m_beeper->stop();
    QApplication::beep();
    if (--m_beepsLeft > 0)
        m_beeper->start();
}

QString TAmvalGardaniForm::scanNotReady() const
{
    if (!GridPanel->isEnabled() || !quAsnad->active())
        return QStringLiteral("ابتدا شماره و تاريخ شمارش را ثبت كنيد؛ كد اضافه نشد.");
    if (MakanNam->text().isEmpty() || PersonelNam->text().isEmpty())
        return QStringLiteral(
            "ابتدا مکان استقرار و تحويل گيرنده شمارش را وارد كنيد؛ كد اضافه نشد.");
    if (!GridEditable())
        return QStringLiteral("اين سند قابل ويرايش نيست؛ كد اضافه نشد.");
    return QString();
}

bool TAmvalGardaniForm::scanKey(QKeyEvent* key)
{
    if (IsEnter(key)) {
        m_scanGap->stop();
        const QString read = m_scanBuffer;
        m_scanBuffer.clear();
        ScanEdit->clear();
        TakeScan(read);
        return true;
    }
    if (key->key() == Qt::Key_Escape || key->key() == Qt::Key_Backspace) {
        m_scanBuffer.chop(key->key() == Qt::Key_Escape ? m_scanBuffer.size() : 1);
        ScanEdit->setText(m_scanBuffer);
        return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint())
        return false; // the window's keys
    // A pause longer than a scanner makes between its keys: what came before was a
    // read without its Enter, and this key starts the next one.
    if (!m_scanBuffer.isEmpty() && m_scanClock.elapsed() > ScanGapMs)
        dropPartialRead();
    m_scanBuffer += text;
    m_scanClock.start();
    ScanEdit->setText(m_scanBuffer);
    m_scanGap->start();
    return true;
}

void TAmvalGardaniForm::dropPartialRead()
{
    m_scanGap->stop();
    if (m_scanBuffer.isEmpty())
        return;
    const QString lost = m_scanBuffer;
    m_scanBuffer.clear();
    ScanEdit->clear();
    sayScan(ScanOutcome::Partial, QStringLiteral("خواندن ناقص «") + lost +
                                      QStringLiteral("» بدون Enter ماند و كنار گذاشته شد؛ كد را "
                                                     "دوباره بخوانيد."));
}

bool TAmvalGardaniForm::keyWhileMessage(QObject* watched, QKeyEvent* key)
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || qobject_cast<TDlgMsg*>(widget->window()) == nullptr)
        return false;
    const bool inRead = !m_lostRead.isEmpty() && m_lostClock.elapsed() <= ScanGapMs;
    if (IsEnter(key)) {
        // A person's Enter answers the message; a scanner's ends the read it typed.
        const QString lost = m_lostRead;
        m_lostRead.clear();
        if (!inRead)
            return false;
        sayScan(ScanOutcome::MessageOpen,
                QStringLiteral("هنگام خواندن كد «") + LatinDigits(lost) +
                    QStringLiteral("» پيامي باز بود و كد گرفته نشد؛ پيام را ببنديد و كد را "
                                   "دوباره بخوانيد."));
        return true;
    }
    const QString text = key->text();
    if (text.isEmpty() || !text.at(0).isPrint() || (text.at(0).isSpace() && !inRead))
        return false;
    // Letters and digits mean nothing to a message: they are a read's, kept to be said.
    if (!inRead)
        m_lostRead.clear();
    m_lostRead += text;
    m_lostClock.start();
    return true;
}

TAmvalGardaniForm::ScanOutcome TAmvalGardaniForm::TakeScan(const QString& read)
{
    const QString code = LatinDigits(read);
    if (const QString why = scanNotReady(); !why.isEmpty()) {
        sayScan(ScanOutcome::NotReady, why);
        return m_lastScan;
    }
    const QString rule = DGlobal()->TYPEDARACOD;
    const bool numbers = rule == QLatin1String("NUM");
    bool bad = code.isEmpty();
    for (const QChar c : code)
        bad = bad || c.isSpace() || !c.isPrint() || !KeyAllowed(rule, c);
    if (bad) {
        sayScan(ScanOutcome::BadCode,
                code.isEmpty() ? QStringLiteral("كد دارايي خالي مي باشد.")
                               : QStringLiteral("كد خوانده شده «") + read +
                                     (numbers ? QStringLiteral("» نادرست است: كد دارايي جز رقم "
                                                               "ندارد؛ اضافه نشد.")
                                              : QStringLiteral("» نادرست است: كد دارايي فاصله "
                                                               "ندارد؛ اضافه نشد.")));
        return m_lastScan;
    }
    if (!rowsOf(code).isEmpty()) {
        sayScan(ScanOutcome::Twice, QStringLiteral("كد ") + code +
                                        QStringLiteral(" در همين شمارش خوانده شده است؛ دوباره "
                                                       "اضافه نشد."));
        return m_lastScan;
    }
    try {
        const CountRowChecks::Facts facts =
            CountRowChecks::LookUp(*MyDatabase->Connection, code, VoucherDate());
        if (!facts.found) {
            QStringList unknown =
                UnknownCodes->toPlainText().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            if (!unknown.contains(code))
                UnknownCodes->appendPlainText(code);
            sayScan(ScanOutcome::Unknown, QStringLiteral("كد ") + code +
                                              QStringLiteral(" در دفتر دارايي وجود ندارد؛ به "
                                                             "فهرست كدهاي ناشناخته اضافه شد."));
        } else if (!facts.soldOn.isEmpty()) {
            sayScan(ScanOutcome::Sold, QStringLiteral("دارايي ") + code +
                                           QStringLiteral(" در تاريخ ") + facts.soldOn +
                                           QStringLiteral(" به فروش رسيده شده است؛ اضافه نشد."));
        } else if (!facts.retiredOn.isEmpty()) {
            sayScan(ScanOutcome::Retired,
                    QStringLiteral("دارايي ") + code + QStringLiteral(" در تاريخ ") +
                        facts.retiredOn + QStringLiteral(" کنارگذاري دايمي شده است؛ اضافه نشد."));
        } else if (!facts.countedIn.isEmpty()) {
            sayScan(ScanOutcome::CountedElsewhere,
                    QStringLiteral("كد ") + code + QStringLiteral(": ") +
                        CountRowChecks::Text({CountRowChecks::Refusal::Counted, facts.countedIn}) +
                        QStringLiteral("؛ اضافه نشد."));
        } else {
            // Another place or holder than the register's: counted here all the same,
            // with a note on the row.
            QStringList elsewhere;
            if (facts.place != LatinDigits(MakanCod->text().trimmed()))
                elsewhere << QStringLiteral("مکان ") + facts.place;
            if (facts.holder != LatinDigits(PersonelCod->text().trimmed()))
                elsewhere << QStringLiteral("تحويل گيرنده ") + facts.holder;
            const QString mark = elsewhere.isEmpty() ? QString()
                                                     : QStringLiteral("در دفتر: ") +
                                                           elsewhere.join(QStringLiteral("، "));
            if (!addScannedRow(code, facts.name, mark)) {
                sayScan(ScanOutcome::NotReady,
                        QStringLiteral("سطري كه در جدول در دست ويرايش است را ثبت يا رها كنيد؛ "
                                       "كد ") +
                            code + QStringLiteral(" اضافه نشد."));
            } else if (mark.isEmpty()) {
                sayScan(ScanOutcome::Added, QStringLiteral("كد ") + code + QStringLiteral(" - ") +
                                                facts.name + QStringLiteral(" به شمارش اضافه شد."));
            } else {
                sayScan(ScanOutcome::Marked,
                        QStringLiteral("كد ") + code + QStringLiteral(" - ") + facts.name +
                            QStringLiteral(" به شمارش اضافه شد و علامت خورد؛ ") + mark +
                            QStringLiteral("."));
            }
        }
    } catch (const DatabaseError& e) {
        sayScan(ScanOutcome::NotReady, DatabaseFailureText(e));
    }
    ScanEdit->setFocus();
    return m_lastScan;
}

bool TAmvalGardaniForm::addScannedRow(const QString& code, const QString& name, const QString& mark)
{
    dbgAsnad->commitEditor();
    // The empty row the last Enter opened takes the read; a row typed by hand is posted
    // first, as leaving it would.
    if (quAsnad->state() != DataSet::State::Insert || quAsnad->modified()) {
        if (quAsnad->state() != DataSet::State::Browse && !quAsnad->post())
            return false;
        quAsnad->append();
    }
    Field(kDaraCod)->setValue(PadLeft(code, FieldWidth(kDaraCod)));
    Field(kDaraNam)->setValue(name);
    Field(kScanMark)->setValue(mark);
    m_scanApproved = true;
    bool posted = false;
    try {
        posted = quAsnad->post();
    } catch (...) {
        m_scanApproved = false;
        quAsnad->cancel();
        throw;
    }
    m_scanApproved = false;
    if (!posted)
        quAsnad->cancel();
    return posted;
}

QList<TVoucherColumn> TAmvalGardaniForm::Columns()
{
    // Enter in either column posts the row and opens the next one on its code.
    return {TVoucherColumn(kDaraCod, QStringLiteral("دارايي"), 80)
                .Rule(DGlobal()->TYPEDARACOD)
                .Picks(WhileEditable([this] { return pickAsset(); }), TEnterPick::WhenEmpty)
                .Ends(),
            TVoucherColumn(kDaraNam, QStringLiteral("شرح"), 505).Fixed().Ends(),
            TVoucherColumn(kScanMark, QStringLiteral("ملاحظه"), 220).Fixed().Ends()};
}

void TAmvalGardaniForm::ClearFooter()
{
    MakanCod->clear();
    MakanNam->clear();
    PersonelCod->clear();
    PersonelNam->clear();
}

void TAmvalGardaniForm::ConfigureFields()
{
    for (const QString& shown : {kDaraNam, kScanMark}) {
        if (DataField* field = Field(shown))
            field->setReadOnly(true);
    }
}

void TAmvalGardaniForm::CreateExtraTables()
{
    // The count's working copy is the window's own: the stored columns as wide as
    // the count table's, and the asset's name beside them.
    const Dialect& dialect = MyDatabase->Connection->dialect();
    auto width = [&](const QString& column) {
        const int w = dialect.columnWidth(kTable, column);
        return QString::number(w > 0 ? w : 50);
    };
    MyDatabase->Connection->execute(
        dialect.createTempTable(TransTableName()) + QStringLiteral(" (SanadNoAmval Varchar(") +
        width(QStringLiteral("SanadNoAmval")) + QStringLiteral("), User_Name Varchar(") +
        width(QStringLiteral("User_Name")) + QStringLiteral("), SDate Varchar(") +
        width(QStringLiteral("SDate")) + QStringLiteral("), DaraCod Varchar(") + width(kDaraCod) +
        QStringLiteral("), MakanCod Varchar(") + width(kMakanCod) +
        QStringLiteral("), PersonelCod Varchar(") + width(kPersonelCod) +
        QStringLiteral("), DaraNam Varchar(60), ScanMark Varchar(120))"));
}

QString TAmvalGardaniForm::GridOrder() const
{
    return MyDatabase->Connection->dialect().rowAddressColumn();
}

QString TAmvalGardaniForm::storedHeader(const QLineEdit* edit, const QString& column) const
{
    const QString code = LatinDigits(edit->text().trimmed());
    return code.isEmpty() ? QString() : PadLeft(code, FieldWidth(column));
}

QString TAmvalGardaniForm::locationName(const QString& code) const
{
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral("Select MakanNam From D_Makan Where trim(MakanCod) = ?"),
        {LatinDigits(code.trimmed())});
    return q.next() ? q.value(0).toString().trimmed() : QString();
}

QString TAmvalGardaniForm::personName(const QString& code) const
{
    QSqlQuery q = MyDatabase->Connection->select(
        QStringLiteral("Select \"Name\" || ' ' || Family From Person Where trim(Code) = ?"),
        {LatinDigits(code.trimmed())});
    return q.next() ? q.value(0).toString().trimmed() : QString();
}

void TAmvalGardaniForm::AfterLoad()
{
    if (quAsnad->isEmpty()) {
        ClearFooter();
        return;
    }
    // The header takes the location and the person of the first row.
    MakanCod->setText(quAsnad->fieldByName(kMakanCod)->asString().trimmed());
    PersonelCod->setText(quAsnad->fieldByName(kPersonelCod)->asString().trimmed());
    MakanNam->setText(locationName(MakanCod->text()));
    PersonelNam->setText(personName(PersonelCod->text()));
}

void TAmvalGardaniForm::AfterDateCommit()
{
    // The location and the person are asked for before the first row.
    if (MakanNam->text().isEmpty())
        MakanCod->setFocus();
    else if (PersonelNam->text().isEmpty())
        PersonelCod->setFocus();
    else if (m_scanMode)
        ScanEdit->setFocus();
}

QString TAmvalGardaniForm::CaptionOf(const QString& shared) const
{
    Q_UNUSED(shared);
    if (!quAsnad->active() || quAsnad->isEmpty())
        return Caption;
    QString text = QStringLiteral("ويراش سند اموال گرداني ") + SanadID->text().trimmed();
    if (!Rights().contains(QLatin1Char('E')))
        text += Kind().NoEditSuffix;
    else if (VoucherDate() < CompanyStartDate())
        text +=
            QStringLiteral("(تاريخ از تاريخ شروع دوره مالي كوچكتر است. امكان ويرايش وجود ندارد)");
    return text;
}

bool TAmvalGardaniForm::headerCodeDone(QLineEdit* edit)
{
    const bool place = edit == MakanCod;
    QLineEdit* nameBox = place ? MakanNam : PersonelNam;
    edit->setText(LatinDigits(edit->text().trimmed()));
    const QString code = edit->text();
    const QString name = code.isEmpty() ? QString() : place ? locationName(code) : personName(code);
    if (!name.isEmpty()) {
        nameBox->setText(name);
        return true;
    }
    const QString column = place ? kMakanCod : kPersonelCod;
    // The list's window takes the focus from the code; that must not open the list again.
    if (m_pickingHeader)
        return false;
    const QScopedValueRollback<bool> picking(m_pickingHeader, true);
    const std::optional<TChosenCode> chosen =
        Pick(place ? PickLocation(storedHeader(edit, column))
                   : PickRecipient(Connection(), *DGlobal(), storedHeader(edit, column)));
    if (!chosen) {
        nameBox->clear();
        edit->setFocus();
        return false;
    }
    edit->setText(chosen->code.trimmed());
    nameBox->setText(chosen->name.trimmed());
    return true;
}

bool TAmvalGardaniForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != MakanCod && watched != PersonelCod && watched != ScanEdit)
        return TVoucherForm::eventFilter(watched, event);
    if (watched == ScanEdit)
        return event->type() == QEvent::KeyPress && scanKey(static_cast<QKeyEvent*>(event));
    auto* edit = static_cast<QLineEdit*>(watched);
    try {
        if (event->type() == QEvent::KeyPress) {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                // Another voucher only while the header is open, as from the number.
                if (SanadID->isEnabled())
                    LoadVoucher(key->key() == Qt::Key_Up ? 1 : -1);
                return true;
            }
            if (IsEnter(key)) {
                if (!headerCodeDone(edit))
                    return true;
                if (edit == MakanCod) {
                    PersonelCod->setFocus();
                } else if (GridPanel->isEnabled() && m_scanMode) {
                    ScanEdit->setFocus();
                    ScanStatus->setText(QStringLiteral("كد دارايي را با بارکدخوان بخوانيد."));
                } else if (GridPanel->isEnabled()) {
                    dbgAsnad->setFocus();
                    GoFirstColumn();
                } else {
                    mDay->setFocus();
                }
                return true;
            }
            // Codes keep the digits 0-9 whatever keyboard typed them.
            const QString text = key->text();
            if (text.size() == 1 && LatinDigit(text.at(0)) != text.at(0)) {
                edit->insert(QString(LatinDigit(text.at(0))));
                return true;
            }
        } else if (event->type() == QEvent::FocusOut && isVisible() && edit->isEnabled()) {
            // Leaving a code that names nothing opens its list.
            const bool named = !(edit == MakanCod ? MakanNam : PersonelNam)->text().isEmpty();
            const bool known =
                !edit->text().trimmed().isEmpty() &&
                !(edit == MakanCod ? locationName(edit->text()) : personName(edit->text()))
                     .isEmpty();
            if (!edit->text().trimmed().isEmpty() && !(named && known))
                headerCodeDone(edit);
        }
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return true;
    }
    return TVoucherForm::eventFilter(watched, event);
}

int TAmvalGardaniForm::pickAsset()
{
    PickList<TChosenAsset> assets = PickAsset(*DGlobal(), FieldText(kDaraCod));
    assets.shown.caption = QStringLiteral("  اموال گرداني ");
    const std::optional<TChosenAsset> chosen = Pick(assets);
    dbgAsnad->setFocus();
    const int taken = TakePickedAsset(chosen, false);
    if (DataField* name = Field(kDaraNam); name != nullptr && chosen)
        name->setValue(chosen->name);
    return taken;
}

void TAmvalGardaniForm::NormaliseRow()
{
    DataField* code = Field(kDaraCod);
    const QString typed = LatinDigits(code->asString().trimmed());
    if (!typed.isEmpty())
        code->setValue(PadLeft(typed, FieldWidth(kDaraCod)));
    quAsnad->fieldByName(kMakanCod)->setValue(storedHeader(MakanCod, kMakanCod));
    quAsnad->fieldByName(kPersonelCod)->setValue(storedHeader(PersonelCod, kPersonelCod));
    if (m_scanApproved)
        return; // named by its scan
    QString name;
    if (!typed.isEmpty()) {
        // By the register's key: the code as it stores it, or as bare digits.
        const int width =
            MyDatabase->Connection->dialect().columnWidth(QStringLiteral("D_Amval"), kDaraCod);
        QSqlQuery q = MyDatabase->Connection->select(
            QStringLiteral("Select DaraNam From D_Amval Where DaraCod IN (?, ?)"),
            {PadLeft(typed, width), typed});
        if (q.next())
            name = q.value(0).toString();
    }
    quAsnad->fieldByName(kDaraNam)->setValue(name);
}

TRowRefusal TAmvalGardaniForm::CheckRow()
{
    // A scanned row was checked by its scan's look-up, which says nothing in messages.
    if (m_scanApproved)
        return TRowRefusal::Accept();
    // The count's checks, as a sheet's rows pass them: against the other rows of the
    // working copy for an asset typed twice.
    const int self = quAsnad->currentRow();
    const int field = quAsnad->fieldByName(kDaraCod)->index();
    QStringList others;
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        if (row != self)
            others << quAsnad->value(row, field).toString();
    }
    const CountRowChecks::Verdict verdict =
        CountRowChecks::Check(*MyDatabase->Connection, {FieldText(kDaraCod)}, others).value(0);
    const QString text = CountRowChecks::Text(verdict);
    switch (verdict.refusal) {
    case CountRowChecks::Refusal::None:
        return TRowRefusal::Accept();
    case CountRowChecks::Refusal::NoAsset:
    case CountRowChecks::Refusal::Counted:
        return TRowRefusal::Of(text, kDaraCod, [this] { return pickAsset(); }).ThenGoesOn();
    case CountRowChecks::Refusal::Empty:
    case CountRowChecks::Refusal::Twice:
        break;
    }
    return TRowRefusal::Of(text, kDaraCod);
}

QList<int> TAmvalGardaniForm::rowsOf(const QString& asset) const
{
    QList<int> rows;
    if (!quAsnad->active())
        return rows;
    const int field = quAsnad->fieldByName(kDaraCod)->index();
    for (int row = 0; row < quAsnad->recordCount(); ++row) {
        if (quAsnad->value(row, field).toString().trimmed() == asset.trimmed())
            rows << row;
    }
    return rows;
}

QString TAmvalGardaniForm::saveRefusal(const VoucherWriteAnswer& answer, int* firstRow) const
{
    // Each asset at fault on the rows that hold it: an asset counted twice on the rows
    // after its first one.
    QMap<int, QString> faults;
    for (const auto& [counted, countedIn] : answer.counted) {
        if (counted.trimmed().isEmpty())
            continue;
        QList<int> rows = rowsOf(counted);
        if (countedIn.isEmpty() && !rows.isEmpty())
            rows.removeFirst();
        const CountRowChecks::Verdict verdict{
            countedIn.isEmpty() ? CountRowChecks::Refusal::Twice : CountRowChecks::Refusal::Counted,
            countedIn};
        for (int row : std::as_const(rows))
            faults.insert(row, CountRowChecks::Text(verdict));
    }
    if (faults.isEmpty())
        return kSaveFailure;
    *firstRow = faults.firstKey();
    if (faults.size() == 1)
        return faults.first();
    // More than one: every row named, with its code, one a line.
    const int field = quAsnad->fieldByName(kDaraCod)->index();
    QStringList lines;
    for (auto it = faults.cbegin(); it != faults.cend(); ++it)
        lines << QStringLiteral("رديف ") + QString::number(it.key() + 1) +
                     QStringLiteral(" - كد ") +
                     quAsnad->value(it.key(), field).toString().trimmed() + QStringLiteral(" : ") +
                     it.value();
    return lines.join(QLatin1Char('\n'));
}

void TAmvalGardaniForm::OkBitBtnClick()
{
    if (!OkBitBtn->isEnabled())
        return;
    dbgAsnad->commitEditor();
    // A row still being typed is posted or cancelled by the user first; an empty new
    // row left by the last Enter goes.
    if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
        quAsnad->cancel();
    if (quAsnad->state() != DataSet::State::Browse || quAsnad->isEmpty() ||
        SanadID->text().trimmed().isEmpty())
        return;
    try {
        for (QLineEdit* edit : {MakanCod, PersonelCod}) {
            if (!headerCodeDone(edit))
                return;
        }
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }

    const bool isNew = Mode() != QLatin1String("EDIT");
    const QString number = PaddedNumber();
    DbConnection* connection = MyDatabase->Connection;
    QString refusal;
    QString stored;
    int refusedRow = -1;
    try {
        Transaction transaction(*connection);
        // The header's values on every row: a location or person changed after the
        // rows were typed applies to all of them.
        connection->execute(QStringLiteral("Update ") + SqlIdent(TransTableName()) +
                                QStringLiteral(" Set SanadNoAmval = ?, MakanCod = ?, "
                                               "PersonelCod = ?, sDate = ?, "
                                               "User_Name = COALESCE(User_Name, ?)"),
                            {number, storedHeader(MakanCod, kMakanCod),
                             storedHeader(PersonelCod, kPersonelCod), VoucherDate(),
                             EUserName->text()});
        VoucherSaveCall call;
        call.kind = &Kind().Facts;
        call.table = TransTableName();
        call.number = number;
        call.isNew = isNew;
        call.expectedStamp = isNew ? QString() : LoadedStamp();
        const VoucherWriteAnswer answer =
            ProceduresOf(*connection, Kind().Procedure()).saveVoucher(*connection, call);
        if (answer.state == VoucherWriteAnswer::State::Done) {
            stored = answer.number;
            transaction.commit();
        } else {
            refusal = saveRefusal(answer, &refusedRow);
        }
    } catch (const DatabaseError& e) {
        refusal = SaveFailureText(e, kSaveFailure);
    }
    if (!refusal.isEmpty()) {
        // Nothing was stored; the rows stay as they were typed.
        ShowMessageDlg(refusal, QString(), kError);
        if (refusedRow >= 0) {
            quAsnad->setCurrentRow(refusedRow);
            dbgAsnad->focusField(kDaraCod);
        }
        return;
    }
    if (isNew)
        SanadID->setText(QString::number(NumberText(stored).toLongLong() + 1));
    BackToNewVoucher();
}

void TAmvalGardaniForm::cmdDelClick()
{
    if (!cmdDel->isEnabled())
        return;
    if (ShowMessageDlg(QStringLiteral(" آيا از حذف اطلاعات مطمئن هستيد؟ "), QString(),
                       QStringLiteral("3QR")) != TDlgMsg::mrYes)
        return;
    try {
        DbConnection& connection = *MyDatabase->Connection;
        const VoucherWriteAnswer answer =
            ProceduresOf(connection, Kind().Procedure())
                .deleteVoucher(connection, {&Kind().Facts, PaddedNumber(), LoadedStamp()});
        if (answer.state != VoucherWriteAnswer::State::Done) {
            ShowMessageDlg(kSaveFailure, QString(), kError);
            return;
        }
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return;
    }
    BackToNewVoucher();
}

void TAmvalGardaniForm::afterExcelImport()
{
    DbConnection* connection = MyDatabase->Connection;
    const Dialect& dialect = connection->dialect();
    const QString table = SqlIdent(TransTableName());
    // The codes as the count stores them, and the name of each asset the register knows.
    connection->execute(
        QStringLiteral("UPDATE ") + table + QStringLiteral(" SET DaraCod = ") +
        dialect.padLeftExpression(QStringLiteral("trim(DaraCod)"),
                                  dialect.columnWidth(kTable, kDaraCod)) +
        QStringLiteral(", DaraNam = COALESCE((SELECT A.DaraNam FROM D_Amval AS A WHERE "
                       "trim(A.DaraCod) = trim(") +
        table + QStringLiteral(".DaraCod) LIMIT 1), DaraNam) WHERE DaraCod IS NOT NULL"));
    if (quAsnad->active()) {
        quAsnad->requery();
        quAsnad->first();
        SetButtons();
        showRowPosition();
    }
}

bool TAmvalGardaniForm::MayMarkSpreadsheets() const
{
    // Read when asked, as the voucher rights are read when the window is set up: a
    // change by the administrator applies from the next import on.
    QSqlQuery q =
        MyDatabase->Connection->select(QStringLiteral("Select Dara From UserSdc Where UserId = ?"),
                                       {QString::number(Global != nullptr ? Global->UserID : 0)});
    return q.next() && q.value(0).toString().contains(kMarkRight);
}

void TAmvalGardaniForm::ImportFromExcel()
{
    // The rows go straight into the transaction table: a row still being typed is
    // posted (or refused, and the import waits) and an empty new row goes first.
    dbgAsnad->commitEditor();
    if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
        quAsnad->cancel();
    if (quAsnad->state() != DataSet::State::Browse && !quAsnad->post())
        return;
    TFrm_Excel_Import2 window(TransTableName(), MyDatabase->Command, this);
    window.setVoucherNumber(PaddedNumber());
    window.setVoucherDate(VoucherDate());
    window.setPersonCode(PersonelCod->text().trimmed());
    window.setPlaceCode(MakanCod->text().trimmed());
    window.setUserName(EUserName->text());
    window.setMarkingAllowed(MayMarkSpreadsheets());
    if (window.exec() == 1) {
        try {
            afterExcelImport();
        } catch (const DatabaseError& e) {
            reportDatabaseError(e);
        }
    }
}

TCountReconcileForm* TAmvalGardaniForm::OpenReconciliation()
{
    try {
        // The rows on the screen take part as they stand: a row still being typed is
        // posted first (a refusal is shown and nothing opens). Without rows, the stored
        // counts of the header's place (all places without one) are reconciled.
        dbgAsnad->commitEditor();
        if (quAsnad->state() == DataSet::State::Insert && !quAsnad->modified())
            quAsnad->cancel();
        if (quAsnad->active() && quAsnad->state() != DataSet::State::Browse && !quAsnad->post())
            return nullptr;
        const bool rows = quAsnad->active() && !quAsnad->isEmpty();
        if (rows &&
            (MakanCod->text().trimmed().isEmpty() || PersonelCod->text().trimmed().isEmpty())) {
            ShowMessageDlg(QStringLiteral("براي مغايرت، مکان استقرار، تحويل گيرنده و رديفهاي "
                                          "شمارش را وارد کنيد."),
                           QString(), kError);
            return nullptr;
        }
        auto* form = new TCountReconcileForm(
            rows ? TransTableName() : QString(), MakanCod->text().trimmed(),
            PersonelCod->text().trimmed(), VoucherDate(), SanadID->text().trimmed());
        form->resize(size());
        form->move(mapToGlobal(QPoint(0, 0)));
        form->show();
        return form;
    } catch (const DatabaseError& e) {
        reportDatabaseError(e);
        return nullptr;
    }
}
