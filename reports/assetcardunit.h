#pragma once

#include "amvalform.h"
#include "reportrows.h"

#include <QString>
#include <memory>

class DataSet;
class DbGrid;
class QAction;
class QLabel;
class QLineEdit;
class TReportGrid;
class TVoucherForm;

// Task window "كارت دارايي", opened by AssetCard_Amval: one asset, typed in the code
// box (Enter) or chosen from the asset list (Enter on an empty box, or a double
// click), with its identity from the register and every voucher row that touched it
// in the order the register's recompute applies them: what each changed (before and
// after of each followed column it moved) and the cost, accumulated depreciation and
// book value after it. The figures come from the recompute's own fold, so the last
// row's are the asset's record. A report grid with the whole menu; Enter or a double
// click on a row opens its voucher in the kind's window. Nothing is written.
class TAssetCardForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;
    // The refusals of the code box.
    static const QString NoAssetText;
    static const QString DigitsOnlyText;
    static const QString NoCompanyText;

    explicit TAssetCardForm(QWidget* parent = nullptr);
    ~TAssetCardForm() override;

    QLineEdit* EDaraCod;
    // The identity: one label per item, by object name ("lbDaraNam", ...).
    QLabel* lbIdentity;
    DbGrid* dbgCard;
    DataSet* quCard;
    TReportGrid* ReportGrid;
    QAction* miShow;
    // A card kept under a name, and one kept before shown again.
    QAction* R_SaveAsItem;
    QAction* R_OpenItem;

    // Shows the card of the code in the box (Enter in the box, F5). False when it was
    // refused (said, the cursor back in the box).
    bool ShowCard();
    // The asset list, started at the code in the box; a choice shows its card.
    bool PickCard();
    // The voucher of the current row in its kind's window (nullptr for the opening
    // row, or without a row).
    TVoucherForm* OpenCurrentVoucher();
    // The work table of the rows shown.
    QString ResultTable() const { return m_resultTable.name(); }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool readIdentity(const QString& code);
    void refuse(const QString& text);

    QString m_keyRule;
    int m_codeWidth = 0;
    ReportTable m_resultTable;
    bool m_initialised = false;
};
