#pragma once

#include "amvalform.h"

#include <QColor>
#include <QString>
#include <QStringList>
#include <memory>

class DataSet;
class DbConnection;
class DbGrid;
class QAction;
class QComboBox;
class QMenu;
class QPushButton;
class SessionWatch;
class TReportGrid;
struct TCompanySettings;

// Task window "انتقال اسناد داراييها از دوره مالي", opened by ImportAsnad_Amval: the
// vouchers of one type carried from another fiscal period's database into the
// current one. The user picks the source period and the voucher type; the database
// fills the window's work table with a preview (sp_D_Asnad_Import_Perpar), which the
// grid shows coloured by what would happen to each row; OK lets the database copy
// what is not here yet (sp_D_Asnad_Import).
class TImportAsnadForm : public TAmvalForm
{
    Q_OBJECT
public:
    static const QString Caption;

    explicit TImportAsnadForm(QWidget* parent = nullptr);
    ~TImportAsnadForm() override;

    QComboBox* cmbDorehMale;
    QComboBox* cmbTypeAsnad;
    QPushButton* cmdOk;
    DbGrid* dbgAsnad;
    DataSet* quAsnad;
    QMenu* pmSysMenu;
    QAction* R_ReportItem;
    TReportGrid* reportGrid() const { return m_reportGrid.get(); }

    // The voucher table of each entry of cmbTypeAsnad, in its order.
    static const QStringList& VoucherTables();
    // The work table: fixed when the window is first shown.
    QString workTable() const { return m_workTable; }

    // Preparing the preview (F5, the menu, Enter in the type box).
    void R_ReportItemClick();
    // Carrying the previewed vouchers over.
    void OkClick();
    // The type box changed: the grid's columns for the type.
    void cmbTypeAsnadChange();

    // The colour of a preview row by its state mark: red for a row of a voucher with
    // an asset not registered here, fuchsia for a voucher number stored here, else
    // invalid (the grid's own).
    static QColor RowColor(const QString& state);
    // What a carry-over says it did: the vouchers and rows of the kind carried (or
    // that there was none to carry) and those left out.
    static QString CarriedText(const QString& entry, qint64 vouchers, qint64 rows,
                               qint64 leftVouchers, qint64 leftRows);

signals:
    // A carry-over has come this far (the progress window shows it): `done` of
    // `total` steps (rows copied, then asset records recomputed).
    void carryProgressed(qint64 done, qint64 total);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void fillPeriods();
    void buildGrid();
    void closePreview();
    // The voucher table's columns in the current database, joined with ", ".
    QString columnList(const QString& table) const;
    // Closes the preview, then drops and makes the work table (createWorkTable).
    void makeWorkTable();
    // Drops and makes the work table with the current database's widths.
    void createWorkTable();
    // The work table made again, with the preview shown, after the server ended the
    // session that had it.
    void remakeWorkTable();
    // The message of the last code column whose width differs between the source and
    // the current database; "" when none does.
    QString widthRefusal(const QString& source);
    void titleClick(int column);
    // Whether the user may register vouchers of `table` (its kind's "N" right), which
    // carrying them does; the refusal that says he may not.
    bool mayRegister(const QString& table) const;
    static QString notAllowed(const QString& entry);
    // A backup of the data into a new folder inside one the clerk chooses, before a
    // carry-over; false (and said why) when none was made.
    bool takeBackup(const QString& entry, QString* made);
    void showMessage(const QString& text);

    std::unique_ptr<TCompanySettings> m_settings;
    std::unique_ptr<TReportGrid> m_reportGrid;
    // The host's connection when the window was made: the work table is its own.
    DbConnection* m_connection = nullptr;
    DataSet* m_query; // the window's own reads
    QString m_workTable;
    // The source and voucher table of the preview shown ("" when none).
    QString m_previewSource;
    QString m_previewTable;
    std::unique_ptr<SessionWatch> m_sessionWatch;
    bool m_initialised = false;
    // The backup was offered before a carry-over of this window (and taken or declined).
    bool m_backupOffered = false;
};
