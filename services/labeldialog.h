#pragma once

#include "labelsheet.h"

#include <QDialog>

class DbGrid;
class QAbstractSpinBox;
class QComboBox;
class QDoubleSpinBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;
class TCaptionPanel;

// The asset labels dialog of the report grids: symbology, sheet, margins, gaps, the
// roll's label size and the first free place of the first sheet (in millimetres,
// kept in the user's settings between runs), then a preview, a printer or a PDF file
// the user names. Modal, frameless, right to left; Tab walks the fields, Enter is OK,
// Escape cancels. A layout that does not fit, a row without a code, a code libzint
// refuses, no printer, a file that cannot be written: a Persian message, the dialog
// stays open, nothing is printed or written.
class TLabelDialog : public QDialog
{
    Q_OBJECT
public:
    TLabelDialog(const QList<TAssetLabel>& labels, const QString& companyName,
                 QWidget* parent = nullptr);

    static const QString Caption;

    // The layout as the fields say.
    TLabelLayout chosenLayout() const;

    // The layout kept in the user's settings (the defaults before the first run).
    static TLabelLayout SavedLayout();
    static void SaveLayout(const TLabelLayout& layout);

    TCaptionPanel* Caption_Panel;
    QFrame* Close_Shape;
    QToolButton* sb_Closed;
    QComboBox* cbSymbology;
    QComboBox* cbSheet;
    QDoubleSpinBox* spMarginTop;
    QDoubleSpinBox* spMarginSide;
    QDoubleSpinBox* spGapX;
    QDoubleSpinBox* spGapY;
    QDoubleSpinBox* spLabelWidth;
    QDoubleSpinBox* spLabelHeight;
    QSpinBox* spStart;
    QRadioButton* rbPreview;
    QRadioButton* rbPrinter;
    QRadioButton* rbPdf;
    QLineEdit* edPdfFile;
    QToolButton* btnPdfFile;
    QLabel* lblCount;
    QPushButton* OkBitBtn;
    QPushButton* CancelBitBtn;

    void OkBitBtnClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void sheetChanged();
    void choosePdfFile();
    void refuse(const QString& text, QWidget* field);
    bool printPdf(TLabelSheet& sheet, const QString& path);
    bool printOnPrinter(TLabelSheet& sheet);
    void preview(TLabelSheet& sheet);

    QList<TAssetLabel> m_labels;
    QString m_company;
};

// The labels of the grid's chosen rows: the selected rows, or every row when no more
// than one cell is selected; in the grid's order, each asset once (at its first row).
// Each takes the row's asset code
// (DaraCod) and, where the grid has them, its name (DaraNam) and place (MakanNam).
// Empty when the grid has no open data set with an asset code.
QList<TAssetLabel> ChosenAssetLabels(DbGrid* grid);

// Whether the grid's rows carry an asset code.
bool GridHasAssetCode(const DbGrid* grid);

// The report grids' label item: the chosen rows' labels, their names and places read
// from the register where the grid lacks them, in the dialog.
void PrintAssetLabels(DbGrid* grid, QWidget* owner);
