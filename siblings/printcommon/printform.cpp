#include "printform.h"

#include "context/pendingfile.h"
#include "context/userplaces.h"
#include "context/workprogress.h"
#include "dataset.h"
#include "dbgrid.h"
#include "siblingcommon.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

PrintForm::PrintForm(const TPrintRequest& request, bool advanced, QWidget* parent)
    : QDialog(parent), m_request(request), m_advanced(advanced)
{
    Sibling::PrepareDialog(this, "PrintForm",
                           advanced ? QStringLiteral("چاپ پيشرفته") : QStringLiteral("چاپ"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(request.Title, this));

    auto* target = new QGroupBox(QStringLiteral("خروجي"), this);
    auto* targetLayout = new QVBoxLayout(target);
    m_preview = new QRadioButton(QStringLiteral("پيش نمايش"), target);
    m_preview->setObjectName(QStringLiteral("rbPreview"));
    m_preview->setChecked(true);
    m_printer = new QRadioButton(QStringLiteral("چاپگر"), target);
    m_printer->setObjectName(QStringLiteral("rbPrinter"));
    m_pdf = new QRadioButton(QStringLiteral("فايل PDF"), target);
    m_pdf->setObjectName(QStringLiteral("rbPdf"));
    const QString name = request.ReportName.trimmed().isEmpty() ? QStringLiteral("Report")
                                                                : request.ReportName.trimmed();
    m_pdfFile =
        new QLineEdit(QDir(LastExportFolder()).filePath(name + QStringLiteral(".pdf")), target);
    m_pdfFile->setObjectName(QStringLiteral("edPdfFile"));
    m_pdfFile->setLayoutDirection(Qt::LeftToRight);
    m_pdfFile->setMinimumWidth(320);
    m_pdfFile->setEnabled(false);
    auto* browse = new QToolButton(target);
    browse->setObjectName(QStringLiteral("btnPdfFile"));
    browse->setText(QStringLiteral("..."));
    browse->setToolTip(QStringLiteral("انتخاب محل فايل PDF"));
    browse->setEnabled(false);
    connect(browse, &QToolButton::clicked, this, [this] { choosePdfFile(); });
    connect(m_pdf, &QRadioButton::toggled, m_pdfFile, &QLineEdit::setEnabled);
    connect(m_pdf, &QRadioButton::toggled, browse, &QToolButton::setEnabled);
    auto* pdfRow = new QHBoxLayout;
    pdfRow->addWidget(m_pdfFile, 1);
    pdfRow->addWidget(browse);
    targetLayout->addWidget(m_preview);
    targetLayout->addWidget(m_printer);
    targetLayout->addWidget(m_pdf);
    targetLayout->addLayout(pdfRow);
    layout->addWidget(target);

    if (advanced) {
        auto* page = new QFormLayout;
        m_orientation = new QComboBox(this);
        m_orientation->setObjectName(QStringLiteral("cbOrientation"));
        m_orientation->addItem(QStringLiteral("عمودي"), int(QPageLayout::Portrait));
        m_orientation->addItem(QStringLiteral("افقي"), int(QPageLayout::Landscape));
        m_orientation->setCurrentIndex(WideReport(ShownColumns(request.Grid), request.Grid) ? 1
                                                                                            : 0);
        m_fontSize = new QSpinBox(this);
        m_fontSize->setObjectName(QStringLiteral("spFontSize"));
        m_fontSize->setRange(6, 24);
        m_fontSize->setValue(10);
        m_columns = new QListWidget(this);
        m_columns->setObjectName(QStringLiteral("lstColumns"));
        m_columns->setAccessibleName(QStringLiteral("ستونهاي چاپي"));
        for (int c : ShownColumns(request.Grid)) {
            auto* item = new QListWidgetItem(request.Grid->columns().at(c).title, m_columns);
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
            item->setData(Qt::UserRole, c);
        }
        page->addRow(QStringLiteral("جهت صفحه:"), m_orientation);
        page->addRow(QStringLiteral("اندازه قلم:"), m_fontSize);
        page->addRow(QStringLiteral("ستونهاي چاپي:"), m_columns);
        layout->addLayout(page);
    }
    QPushButton* ok = Sibling::AddOkCancel(this, layout);
    connect(ok, &QPushButton::clicked, this, [this] { print(); });
}

PrintLayout PrintForm::chosenLayout() const
{
    PrintLayout layout;
    if (!m_advanced) {
        layout.columns = ShownColumns(m_request.Grid);
        return layout;
    }
    for (int i = 0; i < m_columns->count(); ++i)
        if (m_columns->item(i)->checkState() == Qt::Checked)
            layout.columns << m_columns->item(i)->data(Qt::UserRole).toInt();
    layout.fontSize = m_fontSize->value();
    return layout;
}

QPageLayout::Orientation PrintForm::orientation() const
{
    if (m_orientation)
        return QPageLayout::Orientation(m_orientation->currentData().toInt());
    return WideReport(ShownColumns(m_request.Grid), m_request.Grid) ? QPageLayout::Landscape
                                                                    : QPageLayout::Portrait;
}

void PrintForm::choosePdfFile()
{
    const QFileInfo now(m_pdfFile->text().trimmed());
    const QString path = AskSavePath(this, QStringLiteral("محل فايل PDF"), now.fileName(),
                                     QStringLiteral("فايل PDF (*.pdf)"));
    if (!path.isEmpty())
        m_pdfFile->setText(path);
}

bool PrintForm::paintPages(const ReportPages& pages, QPagedPaintDevice* device, bool* stopped)
{
    TWorkProgress progress(this, QStringLiteral("در حال چاپ گزارش ..."), pages.rowCount());
    const bool painted =
        pages.paint(device, [&progress](qint64 rows) { return progress.step(rows); });
    if (stopped != nullptr)
        *stopped = progress.stopped();
    return painted;
}

// Written under a temporary name beside the file and put in place when whole: a
// stopped or failed print leaves no file and an older one as it was.
bool PrintForm::printPdf(const ReportPages& pages, const QString& path)
{
    TPendingFile pending(path);
    if (!pending.ok()) {
        Sibling::ShowError(this, pending.failureText());
        return false;
    }
    bool painted = false;
    bool stopped = false;
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pending.workPath());
        printer.setPageOrientation(orientation());
        printer.setDocName(m_request.Title);
        painted = paintPages(pages, &printer, &stopped);
    }
    if (stopped) {
        pending.discard();
        return false;
    }
    // The writer's failure (a full disk) ends the painting.
    if (!painted || !pending.commit()) {
        Sibling::ShowError(this, pending.failureText());
        return false;
    }
    Sibling::ShowNotice(this, QStringLiteral("فايل PDF ساخته شد:\n") +
                                  LeftToRightRun(QDir::toNativeSeparators(path)));
    return true;
}

void PrintForm::print()
{
    const PrintLayout layout = chosenLayout();
    if (layout.columns.isEmpty()) {
        Sibling::ShowError(this, QStringLiteral("هيچ ستوني براي چاپ انتخاب نشده است"));
        return;
    }
    const ReportPages pages(m_request, layout);
    if (m_pdf->isChecked()) {
        const QString path = m_pdfFile->text().trimmed();
        if (path.isEmpty()) {
            Sibling::ShowError(this, QStringLiteral("نام فايل PDF را وارد کنيد"));
            m_pdfFile->setFocus();
            return;
        }
        if (!printPdf(pages, path))
            return;
    } else if (m_printer->isChecked()) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(orientation());
        printer.setDocName(m_request.Title);
        QPrintDialog dialog(&printer, this);
        dialog.setLayoutDirection(Qt::RightToLeft);
        if (dialog.exec() != QDialog::Accepted)
            return;
        bool stopped = false;
        if (!paintPages(pages, &printer, &stopped)) {
            printer.abort();
            if (!stopped)
                Sibling::ShowError(this, QStringLiteral("گزارش به چاپگر فرستاده نشد."));
            return;
        }
    } else {
        QPrinter printer(QPrinter::HighResolution);
        printer.setPageOrientation(orientation());
        printer.setDocName(m_request.Title);
        QPrintPreviewDialog preview(&printer, this);
        preview.setObjectName(QStringLiteral("PrintPreview"));
        preview.setLayoutDirection(Qt::RightToLeft);
        preview.setWindowTitle(m_request.Title);
        connect(&preview, &QPrintPreviewDialog::paintRequested, this,
                [this, &pages](QPrinter* p) { paintPages(pages, p); });
        preview.exec();
    }
    accept();
}

void RunPrintForm(const TPrintRequest& request, bool advanced)
{
    if (!request.Grid || !request.Grid->dataSet()) {
        Sibling::ShowError(nullptr, QStringLiteral("گزارشي براي چاپ نيست"));
        return;
    }
    PrintForm form(request, advanced);
    form.exec();
}
