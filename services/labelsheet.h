#pragma once

#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <functional>
#include <vector>

class DbConnection;
class QPagedPaintDevice;

// Asset labels: for each asset a Code 128 or QR symbol of its code (made by libzint),
// the code in digits under it, the asset's name, its place and the company's name,
// laid out on A4 sheets of 3 x 8 labels or on a roll of single labels. Widget-free:
// it paints on any paged device (a PDF writer, a printer, a preview's printer).

// One label's texts. `code` is the asset code as stored; the symbol carries it
// without the blanks the stored form pads it with, so a scanner reading the label
// types exactly the code's characters.
struct TAssetLabel
{
    QString code;
    QString name;
    QString place;
};

// Where the labels go, all lengths in millimetres.
struct TLabelLayout
{
    enum class Symbology { Code128, QR };
    enum class Sheet { A4x24, Roll };
    Symbology symbology = Symbology::Code128;
    Sheet sheet = Sheet::A4x24;
    // A4: above the first row and below the last; left of the first column and right
    // of the last; between the columns and between the rows.
    double marginTop = 4.5;
    double marginSide = 0;
    double gapX = 0;
    double gapY = 0;
    // The roll's label (and page) size.
    double labelWidth = 50;
    double labelHeight = 25;
    // The first free place on the first A4 sheet, 1 to 24, counted along each row from
    // the right, rows from the top; the places before it are left empty.
    int start = 1;

    static constexpr int kColumns = 3;
    static constexpr int kRows = 8;
    static constexpr double kA4Width = 210;
    static constexpr double kA4Height = 297;
    // Below this a label holds no readable symbol with its texts.
    static constexpr double kMinWidth = 20;
    static constexpr double kMinHeight = 12;

    int perPage() const { return sheet == Sheet::Roll ? 1 : kColumns * kRows; }
    QSizeF pageSize() const;
    QSizeF labelSize() const;
    // Place `slot` (0-based, in the order above) of a page.
    QRectF labelRect(int slot) const;
    // How many pages `labels` labels take, the empty places of the first sheet counted.
    int pageCount(int labels) const;
    // Why the labels cannot be laid out so (a Persian sentence), "" when they can.
    QString problem() const;
};

// The labels to print: the layout checked and every code turned into its symbol
// before anything is painted, so that a refusal prints nothing.
class TLabelSheet
{
public:
    TLabelSheet(const TLabelLayout& layout, const QString& companyName,
                const QList<TAssetLabel>& labels);
    ~TLabelSheet();
    TLabelSheet(const TLabelSheet&) = delete;
    TLabelSheet& operator=(const TLabelSheet&) = delete;

    // Checks the layout and makes every symbol; the first refusal as a Persian
    // sentence (the layout's problem, a row without a code, a code libzint refuses),
    // "" when all can be printed.
    QString prepare();

    const TLabelLayout& layout() const { return m_layout; }
    int labelCount() const { return int(m_labels.size()); }
    int pageCount() const { return m_layout.pageCount(labelCount()); }

    // Gives the device the layout's page size, without margins.
    void setUpDevice(QPagedPaintDevice* device) const;
    // Paints every page (prepare() must have succeeded). `step` is told the labels
    // painted so far after each page and may stop the painting (false). False when
    // painting failed or was stopped.
    bool paint(QPagedPaintDevice* device, const std::function<bool(int labelsDone)>& step = {});

private:
    struct Symbol;
    void paintLabel(class QPainter& painter, const QRectF& area, int index) const;

    TLabelLayout m_layout;
    QString m_company;
    QList<TAssetLabel> m_labels;
    std::vector<Symbol> m_symbols; // one per distinct code
    std::vector<size_t> m_which;   // per label, its symbol
    bool m_prepared = false;
};

// The text a code carries in its symbol: the stored code without its padding blanks.
QString LabelCodeText(const QString& storedCode);

// Fills the name and the place of every label that lacks them from the asset register
// (D_Amval, its place's name from D_Makan), looked up by code with bound statements.
// Throws DatabaseError.
void FillFromRegister(DbConnection& db, QList<TAssetLabel>& labels);

// The company's name in the period's settings row (Options.CompanyNam); "" when
// there is none. Throws DatabaseError.
QString LabelCompanyName(DbConnection& db, const QString& optionsCode);
