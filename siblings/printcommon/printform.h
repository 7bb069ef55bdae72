#pragma once

#include "printdocument.h"
#include "siblingapi.h"

#include <QDialog>
#include <QPageLayout>

class QComboBox;
class QLineEdit;
class QPagedPaintDevice;
class QListWidget;
class QRadioButton;
class QSpinBox;

// Where the report goes: a preview, a printer or a PDF file. The advanced form also
// offers the page orientation, the font size and which columns to print.
class PrintForm : public QDialog
{
public:
    PrintForm(const TPrintRequest& request, bool advanced, QWidget* parent = nullptr);

private:
    void print();
    PrintLayout chosenLayout() const;
    QPageLayout::Orientation orientation() const;
    bool printPdf(const ReportPages& pages, const QString& path);
    // Paints the pages with the progress window of a long print; false when the user
    // stopped it (then `stopped`, when given, is set) or the device failed.
    bool paintPages(const ReportPages& pages, QPagedPaintDevice* device, bool* stopped = nullptr);
    void choosePdfFile();

    TPrintRequest m_request;
    bool m_advanced;
    QRadioButton* m_preview;
    QRadioButton* m_printer;
    QRadioButton* m_pdf;
    QLineEdit* m_pdfFile;
    QComboBox* m_orientation = nullptr;
    QSpinBox* m_fontSize = nullptr;
    QListWidget* m_columns = nullptr;
};

// Shows the form for the request (the exported entry of both print libraries).
void RunPrintForm(const TPrintRequest& request, bool advanced);
