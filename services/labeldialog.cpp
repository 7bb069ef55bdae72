#include "labeldialog.h"

#include "appearance.h"
#include "context/captionpanel.h"
#include "context/pendingfile.h"
#include "context/userplaces.h"
#include "context/workprogress.h"
#include "databaseerror.h"
#include "dataset.h"
#include "dbgrid.h"
#include "hostcontext.h"
#include "messages.h"
#include "persiantext.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <set>

const QString TLabelDialog::Caption = QStringLiteral("چاپ برچسب اموال");

namespace {

const QString kErrorCode = QStringLiteral("1ER");
const QString kSettingsFile = QStringLiteral("labels.conf");

// Persian and Arabic-Indic digits and the Persian decimal separator, as typed on a
// Persian keyboard, taken as 0-9 and ".".
QString TypedNumber(QString text)
{
    text = LatinDigits(text);
    text.replace(QChar(0x066B), QLatin1Char('.'));
    return text;
}

class MmBox : public QDoubleSpinBox
{
public:
    MmBox(QWidget* parent, const char* name, double most) : QDoubleSpinBox(parent)
    {
        setObjectName(QLatin1String(name));
        setLocale(QLocale::c());
        setDecimals(1);
        setRange(0, most);
        setSingleStep(0.5);
        setLayoutDirection(Qt::LeftToRight);
    }
    QValidator::State validate(QString& input, int& pos) const override
    {
        input = TypedNumber(input);
        return QDoubleSpinBox::validate(input, pos);
    }
    double valueFromText(const QString& text) const override
    {
        return QDoubleSpinBox::valueFromText(TypedNumber(text));
    }
};

class CountBox : public QSpinBox
{
public:
    CountBox(QWidget* parent, const char* name, int most) : QSpinBox(parent)
    {
        setObjectName(QLatin1String(name));
        setLocale(QLocale::c());
        setRange(1, most);
        setLayoutDirection(Qt::LeftToRight);
    }
    QValidator::State validate(QString& input, int& pos) const override
    {
        input = TypedNumber(input);
        return QSpinBox::validate(input, pos);
    }
    int valueFromText(const QString& text) const override
    {
        return QSpinBox::valueFromText(TypedNumber(text));
    }
};

QSettings LabelSettings()
{
    return QSettings(QDir(UserConfigFolder()).filePath(kSettingsFile), QSettings::IniFormat);
}

int FieldIndex(const DataSet* ds, const QString& name)
{
    const QStringList names = ds->fieldNames();
    for (int i = 0; i < names.size(); ++i)
        if (names.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

} // namespace

// ---------------------------------------------------------------------------
// Settings

TLabelLayout TLabelDialog::SavedLayout()
{
    TLabelLayout l;
    QSettings s = LabelSettings();
    s.beginGroup(QStringLiteral("AssetLabels"));
    if (s.value(QStringLiteral("Symbology")).toString() == QLatin1String("QR"))
        l.symbology = TLabelLayout::Symbology::QR;
    if (s.value(QStringLiteral("Sheet")).toString() == QLatin1String("Roll"))
        l.sheet = TLabelLayout::Sheet::Roll;
    const auto read = [&s](const char* key, double& value) {
        bool ok = false;
        const double v = s.value(QLatin1String(key)).toDouble(&ok);
        if (ok && v >= 0)
            value = v;
    };
    read("MarginTop", l.marginTop);
    read("MarginSide", l.marginSide);
    read("GapX", l.gapX);
    read("GapY", l.gapY);
    read("LabelWidth", l.labelWidth);
    read("LabelHeight", l.labelHeight);
    const int start = s.value(QStringLiteral("Start"), 1).toInt();
    l.start = std::clamp(start, 1, l.kColumns * l.kRows);
    return l;
}

void TLabelDialog::SaveLayout(const TLabelLayout& l)
{
    QSettings s = LabelSettings();
    s.beginGroup(QStringLiteral("AssetLabels"));
    s.setValue(QStringLiteral("Symbology"), l.symbology == TLabelLayout::Symbology::QR
                                                ? QStringLiteral("QR")
                                                : QStringLiteral("Code128"));
    s.setValue(QStringLiteral("Sheet"), l.sheet == TLabelLayout::Sheet::Roll
                                            ? QStringLiteral("Roll")
                                            : QStringLiteral("A4x24"));
    s.setValue(QStringLiteral("MarginTop"), l.marginTop);
    s.setValue(QStringLiteral("MarginSide"), l.marginSide);
    s.setValue(QStringLiteral("GapX"), l.gapX);
    s.setValue(QStringLiteral("GapY"), l.gapY);
    s.setValue(QStringLiteral("LabelWidth"), l.labelWidth);
    s.setValue(QStringLiteral("LabelHeight"), l.labelHeight);
    s.setValue(QStringLiteral("Start"), l.start);
}

// ---------------------------------------------------------------------------
// The window

TLabelDialog::TLabelDialog(const QList<TAssetLabel>& labels, const QString& companyName,
                           QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), m_labels(labels),
      m_company(companyName)
{
    setObjectName(QStringLiteral("LabelDialog"));
    const CaptionedDialog frame = FrameCaptionedDialog(this, Caption, QMargins(10, 8, 10, 10));
    Caption_Panel = frame.panel;
    sb_Closed = frame.close;
    Close_Shape = frame.closeShape;
    QWidget* body = frame.client;
    QVBoxLayout* bodyLayout = frame.clientLayout;

    // The fields in the order Tab walks them.
    auto* form = new QFormLayout;
    cbSymbology = new QComboBox(body);
    cbSymbology->setObjectName(QStringLiteral("cbSymbology"));
    cbSymbology->addItem(QStringLiteral("بارکد Code 128"));
    cbSymbology->addItem(QStringLiteral("کد QR"));
    cbSheet = new QComboBox(body);
    cbSheet->setObjectName(QStringLiteral("cbSheet"));
    cbSheet->addItem(QStringLiteral("برگه A4 سه در هشت (24 برچسب)"));
    cbSheet->addItem(QStringLiteral("رول تک برچسبي"));
    spMarginTop = new MmBox(body, "spMarginTop", 150);
    spMarginSide = new MmBox(body, "spMarginSide", 105);
    spGapX = new MmBox(body, "spGapX", 100);
    spGapY = new MmBox(body, "spGapY", 100);
    spLabelWidth = new MmBox(body, "spLabelWidth", 300);
    spLabelHeight = new MmBox(body, "spLabelHeight", 300);
    spStart = new CountBox(body, "spStart", TLabelLayout::kColumns * TLabelLayout::kRows);
    form->addRow(QStringLiteral("نوع کد:"), cbSymbology);
    form->addRow(QStringLiteral("برگه:"), cbSheet);
    form->addRow(QStringLiteral("حاشيه بالا و پايين (ميليمتر):"), spMarginTop);
    form->addRow(QStringLiteral("حاشيه چپ و راست (ميليمتر):"), spMarginSide);
    form->addRow(QStringLiteral("فاصله افقي برچسبها (ميليمتر):"), spGapX);
    form->addRow(QStringLiteral("فاصله عمودي برچسبها (ميليمتر):"), spGapY);
    form->addRow(QStringLiteral("عرض برچسب رول (ميليمتر):"), spLabelWidth);
    form->addRow(QStringLiteral("ارتفاع برچسب رول (ميليمتر):"), spLabelHeight);
    form->addRow(QStringLiteral("شروع از برچسب شماره:"), spStart);
    bodyLayout->addLayout(form);

    auto* target = new QGroupBox(QStringLiteral("خروجي"), body);
    auto* targetLayout = new QVBoxLayout(target);
    rbPreview = new QRadioButton(QStringLiteral("پيش نمايش"), target);
    rbPreview->setObjectName(QStringLiteral("rbPreview"));
    rbPrinter = new QRadioButton(QStringLiteral("چاپگر"), target);
    rbPrinter->setObjectName(QStringLiteral("rbPrinter"));
    rbPdf = new QRadioButton(QStringLiteral("فايل PDF"), target);
    rbPdf->setObjectName(QStringLiteral("rbPdf"));
    rbPreview->setChecked(true);
    edPdfFile =
        new QLineEdit(QDir(LastExportFolder()).filePath(QStringLiteral("AssetLabels.pdf")), target);
    edPdfFile->setObjectName(QStringLiteral("edPdfFile"));
    edPdfFile->setLayoutDirection(Qt::LeftToRight);
    edPdfFile->setMinimumWidth(320);
    btnPdfFile = new QToolButton(target);
    btnPdfFile->setObjectName(QStringLiteral("btnPdfFile"));
    btnPdfFile->setText(QStringLiteral("..."));
    btnPdfFile->setToolTip(QStringLiteral("انتخاب محل فايل PDF"));
    for (QWidget* w : {static_cast<QWidget*>(edPdfFile), static_cast<QWidget*>(btnPdfFile)}) {
        w->setEnabled(false);
        connect(rbPdf, &QRadioButton::toggled, w, &QWidget::setEnabled);
    }
    connect(btnPdfFile, &QToolButton::clicked, this, [this] { choosePdfFile(); });
    auto* pdfRow = new QHBoxLayout;
    pdfRow->addWidget(edPdfFile, 1);
    pdfRow->addWidget(btnPdfFile);
    targetLayout->addWidget(rbPreview);
    targetLayout->addWidget(rbPrinter);
    targetLayout->addWidget(rbPdf);
    targetLayout->addLayout(pdfRow);
    bodyLayout->addWidget(target);

    lblCount = new QLabel(QStringLiteral("تعداد برچسب: ") + QString::number(labels.size()), body);
    lblCount->setObjectName(QStringLiteral("lblCount"));
    bodyLayout->addWidget(lblCount);

    auto* buttons = new QHBoxLayout;
    OkBitBtn = new QPushButton(QStringLiteral("تاييد"), body);
    OkBitBtn->setObjectName(QStringLiteral("OkBitBtn"));
    OkBitBtn->setDefault(true);
    OkBitBtn->setAutoDefault(true);
    CancelBitBtn = new QPushButton(QStringLiteral("انصراف"), body);
    CancelBitBtn->setObjectName(QStringLiteral("CancelBitBtn"));
    CancelBitBtn->setAutoDefault(false);
    buttons->addStretch(1);
    buttons->addWidget(OkBitBtn);
    buttons->addWidget(CancelBitBtn);
    bodyLayout->addLayout(buttons);
    connect(OkBitBtn, &QPushButton::clicked, this, &TLabelDialog::OkBitBtnClick);
    connect(CancelBitBtn, &QPushButton::clicked, this, &QDialog::reject);

    const TLabelLayout saved = SavedLayout();
    cbSymbology->setCurrentIndex(saved.symbology == TLabelLayout::Symbology::QR ? 1 : 0);
    cbSheet->setCurrentIndex(saved.sheet == TLabelLayout::Sheet::Roll ? 1 : 0);
    spMarginTop->setValue(saved.marginTop);
    spMarginSide->setValue(saved.marginSide);
    spGapX->setValue(saved.gapX);
    spGapY->setValue(saved.gapY);
    spLabelWidth->setValue(saved.labelWidth);
    spLabelHeight->setValue(saved.labelHeight);
    spStart->setValue(saved.start);
    connect(cbSheet, &QComboBox::currentIndexChanged, this, [this] { sheetChanged(); });
    sheetChanged();
    cbSymbology->setFocus();
}

// A4 sheets take margins, gaps and a first place; a roll's label its size.
void TLabelDialog::sheetChanged()
{
    const bool roll = cbSheet->currentIndex() == 1;
    for (QWidget* w : {static_cast<QWidget*>(spMarginTop), static_cast<QWidget*>(spMarginSide),
                       static_cast<QWidget*>(spGapX), static_cast<QWidget*>(spGapY),
                       static_cast<QWidget*>(spStart)})
        w->setEnabled(!roll);
    spLabelWidth->setEnabled(roll);
    spLabelHeight->setEnabled(roll);
}

TLabelLayout TLabelDialog::chosenLayout() const
{
    TLabelLayout l;
    l.symbology = cbSymbology->currentIndex() == 1 ? TLabelLayout::Symbology::QR
                                                   : TLabelLayout::Symbology::Code128;
    l.sheet = cbSheet->currentIndex() == 1 ? TLabelLayout::Sheet::Roll : TLabelLayout::Sheet::A4x24;
    l.marginTop = spMarginTop->value();
    l.marginSide = spMarginSide->value();
    l.gapX = spGapX->value();
    l.gapY = spGapY->value();
    l.labelWidth = spLabelWidth->value();
    l.labelHeight = spLabelHeight->value();
    l.start = spStart->value();
    return l;
}

void TLabelDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    LayoutWindowFrame(false, this, Close_Shape, nullptr, nullptr, nullptr, sb_Closed, nullptr,
                      nullptr, nullptr);
    if (const QScreen* s = screen()) {
        const QRect area = s->geometry();
        move(area.x() + (area.width() - width()) / 2, area.y() + (area.height() - height()) / 2);
    }
}

void TLabelDialog::choosePdfFile()
{
    const QFileInfo now(edPdfFile->text().trimmed());
    const QString path = AskSavePath(this, QStringLiteral("محل فايل PDF برچسبها"), now.fileName(),
                                     QStringLiteral("فايل PDF (*.pdf)"));
    if (!path.isEmpty())
        edPdfFile->setText(path);
    edPdfFile->setFocus();
}

void TLabelDialog::refuse(const QString& text, QWidget* field)
{
    ShowMessageDlg(text, QString(), kErrorCode);
    if (field != nullptr && field->isEnabled())
        field->setFocus();
}

// Everything is checked before the first page: the layout, every code, the output.
void TLabelDialog::OkBitBtnClick()
{
    const TLabelLayout layout = chosenLayout();
    TLabelSheet sheet(layout, m_company, m_labels);
    if (const QString problem = sheet.prepare(); !problem.isEmpty()) {
        refuse(problem, layout.problem().isEmpty() ? static_cast<QWidget*>(cbSymbology)
                        : layout.sheet == TLabelLayout::Sheet::Roll
                            ? static_cast<QWidget*>(spLabelWidth)
                            : static_cast<QWidget*>(spMarginTop));
        return;
    }
    SaveLayout(layout);
    if (rbPdf->isChecked()) {
        const QString path = edPdfFile->text().trimmed();
        if (path.isEmpty()) {
            refuse(QStringLiteral("نام فايل PDF را وارد کنيد."), edPdfFile);
            return;
        }
        if (!printPdf(sheet, path))
            return;
    } else if (rbPrinter->isChecked()) {
        if (!printOnPrinter(sheet))
            return;
    } else {
        preview(sheet);
    }
    accept();
}

// Written under a temporary name beside the file and put in place when whole: a
// failure or a stop leaves no file, and an older one of that name as it was.
bool TLabelDialog::printPdf(TLabelSheet& sheet, const QString& path)
{
    TPendingFile pending(path);
    if (!pending.ok()) {
        refuse(pending.failureText(), edPdfFile);
        return false;
    }
    bool painted = false;
    bool written = false;
    bool stopped = false;
    {
        QFile file(pending.workPath());
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            QPdfWriter writer(&file);
            writer.setResolution(600);
            writer.setTitle(Caption);
            writer.setCreator(QStringLiteral("amval"));
            sheet.setUpDevice(&writer);
            TWorkProgress progress(this, QStringLiteral("در حال ساختن برچسبها ..."),
                                   sheet.labelCount());
            painted = sheet.paint(&writer, [&progress](int done) { return progress.step(done); });
            stopped = progress.stopped();
        }
        // A full disk shows as the file's own write error.
        written = file.error() == QFileDevice::NoError && file.flush();
        file.close();
        written = written && file.error() == QFileDevice::NoError;
    }
    if (stopped) {
        pending.discard();
        return false;
    }
    if (!painted || !written || !pending.commit()) {
        pending.discard();
        refuse(TPendingFile::FailureText(path, false), edPdfFile);
        return false;
    }
    ShowMessageDlg(QStringLiteral("فايل PDF برچسبها ساخته شد:\n") +
                       LeftToRightRun(QDir::toNativeSeparators(path)),
                   QString(), QStringLiteral("1IR"));
    return true;
}

bool TLabelDialog::printOnPrinter(TLabelSheet& sheet)
{
    if (QPrinterInfo::availablePrinters().isEmpty()) {
        refuse(QStringLiteral("هيچ چاپگري در اين سيستم تعريف نشده است؛ برچسبها را در فايل PDF "
                              "ذخيره کنيد يا چاپگر را تعريف کنيد."),
               rbPdf);
        return false;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(Caption);
    sheet.setUpDevice(&printer);
    QPrintDialog dialog(&printer, this);
    dialog.setLayoutDirection(Qt::RightToLeft);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printer.setFullPage(true);
    sheet.setUpDevice(&printer);
    TWorkProgress progress(this, QStringLiteral("در حال چاپ برچسبها ..."), sheet.labelCount());
    if (!sheet.paint(&printer, [&progress](int done) { return progress.step(done); })) {
        printer.abort();
        if (!progress.stopped())
            refuse(QStringLiteral("برچسبها به چاپگر فرستاده نشد."), rbPrinter);
        return false;
    }
    return true;
}

void TLabelDialog::preview(TLabelSheet& sheet)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setDocName(Caption);
    sheet.setUpDevice(&printer);
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("LabelPreview"));
    preview.setLayoutDirection(Qt::RightToLeft);
    preview.setWindowTitle(Caption);
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [&sheet](QPrinter* p) {
        p->setFullPage(true);
        sheet.paint(p);
    });
    preview.exec();
}

// ---------------------------------------------------------------------------
// The rows

bool GridHasAssetCode(const DbGrid* grid)
{
    const DataSet* ds = grid != nullptr ? grid->dataSet() : nullptr;
    return ds != nullptr && ds->active() && FieldIndex(ds, QStringLiteral("DaraCod")) >= 0;
}

// The rows are read by position without moving the data set (its current row, a
// pending edit and the window's scroll handlers stay as they are); a result read in
// chunks is read whole by one pass of its statement.
namespace {
// Whether `value` was not in `set` yet; it is now.
bool Insert(QSet<QString>& set, const QString& value)
{
    const qsizetype before = set.size();
    set.insert(value);
    return set.size() != before;
}
} // namespace

QList<TAssetLabel> ChosenAssetLabels(DbGrid* grid)
{
    QList<TAssetLabel> labels;
    if (!GridHasAssetCode(grid))
        return labels;
    DataSet* ds = grid->dataSet();
    const int code = FieldIndex(ds, QStringLiteral("DaraCod"));
    const int name = FieldIndex(ds, QStringLiteral("DaraNam"));
    const int place = FieldIndex(ds, QStringLiteral("MakanNam"));
    const auto text = [](const QVariant& v) { return v.isNull() ? QString() : v.toString(); };
    // One label an asset: a history or a card lists an asset once per voucher row.
    QSet<QString> taken;
    const auto take = [&](const QVariant* values) {
        const QString assetCode = text(values[code]);
        if (!assetCode.trimmed().isEmpty() && !Insert(taken, assetCode.trimmed()))
            return;
        labels << TAssetLabel{assetCode, name >= 0 ? text(values[name]) : QString(),
                              place >= 0 ? text(values[place]) : QString()};
    };

    // The rows of the selection; more than one cell chosen, else every row.
    std::set<int> rows;
    qint64 cells = 0;
    if (const QItemSelectionModel* selection = grid->selectionModel()) {
        for (const QItemSelectionRange& range : selection->selection()) {
            cells += qint64(range.width()) * range.height();
            for (int r = range.top(); r <= range.bottom(); ++r)
                rows.insert(r);
        }
    }
    const int untouchedNewRow =
        ds->state() == DataSet::State::Insert && !ds->modified() ? ds->currentRow() : -1;
    QVariantList row(ds->fieldCount());
    const auto readRow = [&](int r) {
        for (int f = 0; f < ds->fieldCount(); ++f)
            row[f] = ds->value(r, f);
        take(row.constData());
    };
    if (cells > 1) {
        for (const int r : rows)
            if (r != untouchedNewRow && ds->hasRow(r))
                readRow(r);
        return labels;
    }
    if (ds->chunked()) {
        ds->readEach([&](const QVariant* values) {
            take(values);
            return true;
        });
        return labels;
    }
    for (int r = 0; r < ds->recordCount(); ++r)
        if (r != untouchedNewRow)
            readRow(r);
    return labels;
}

void PrintAssetLabels(DbGrid* grid, QWidget* owner)
{
    QList<TAssetLabel> labels = ChosenAssetLabels(grid);
    if (labels.isEmpty()) {
        ShowMessageDlg(QStringLiteral("رديفي براي چاپ برچسب نيست."), QString(), kErrorCode);
        return;
    }
    QString company;
    if (MyDatabase != nullptr && MyDatabase->Connection != nullptr) {
        FillFromRegister(*MyDatabase->Connection, labels);
        if (Global != nullptr)
            company =
                LabelCompanyName(*MyDatabase->Connection, Global->CompanyCode + Global->FiscalYear);
    }
    TLabelDialog dialog(labels, company, owner);
    dialog.exec();
    if (grid != nullptr)
        grid->setFocus();
}
