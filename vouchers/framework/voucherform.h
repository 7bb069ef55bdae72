#pragma once

#include "amvalform.h"
#include "databaseerror.h"
#include "dataset.h"
#include "datasetmodel.h"
#include "voucheraccess.h"
#include "vouchercolumns.h"
#include "voucherkind.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QString>
#include <memory>
#include <optional>

class CommandQuery;
class DataField;
class DataSet;
class DbConnection;
class DbGrid;
class QAction;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class SessionWatch;
class QToolButton;
class TD_Global;
struct TChosenAsset;
class TDateTrio;

// One sub-select of the footer's names: the result's name, the statement up to the
// compared value, and the current row's value.
struct TNamePart
{
    QString Name;
    QString Select;
    QString Value;
};

// The window every asset voucher kind shares: a header where the user picks a
// voucher number and commits a date, a grid of voucher rows edited in the window's
// own transaction table, and OK / Delete / Cancel. The posting procedure copies a
// stored voucher into the transaction table and back. A kind specialises the
// window by its parameters, its grid columns, its row checks, its pick lists and
// its footer.
class TVoucherForm : public TAmvalForm
{
    Q_OBJECT
public:
    TVoucherForm(const TVoucherKind& kind, QWidget* parent = nullptr);
    ~TVoucherForm() override;

    const TVoucherKind& Kind() const { return m_kind; }

    // Header.
    QLineEdit* SanadID;
    QWidget* CSpinButton1;
    QToolButton* SpinUp;
    QToolButton* SpinDown;
    QLineEdit* mDay;
    QLineEdit* mMonth;
    QLineEdit* mYear;
    QLineEdit* EUserName;
    QLineEdit* ECompany;
    QLineEdit* FirstID;
    QLineEdit* LastID;
    QLineEdit* RowCountEdit;
    QLineEdit* CurrentRowEdit;
    QLineEdit* txtSanadNo;
    // Body.
    QWidget* GridPanel;
    DbGrid* dbgAsnad;
    CommandQuery* quAsnad;
    // The kind's footer of names and totals goes into this grid layout.
    QWidget* FooterPanel;
    QGridLayout* FooterLayout;
    // Names of the current row's account chain below the grid (made by the kinds
    // that show them, with CreateChainNameBoxes or ChainFooter) and the titles of its
    // two lower levels, and the names of the row's asset and condition, in the kinds
    // that show them.
    QLineEdit* EKollNam = nullptr;
    QLineEdit* EMoeinNam = nullptr;
    QLineEdit* ETafsilyNam = nullptr;
    QLineEdit* ETafsily2Nam = nullptr;
    QLineEdit* EProjectNam = nullptr;
    QLabel* LTafsily2 = nullptr;
    QLabel* LProject = nullptr;
    QLineEdit* EDaraNam = nullptr;
    QLineEdit* EVazNam = nullptr;
    QPushButton* OkBitBtn;
    QPushButton* cmdDel;
    QPushButton* cmdCancel;
    // Context menu of the grid and its items.
    QMenu* PopupMenu;
    QAction* miHelp;
    QAction* miNew;
    QAction* miSearch;
    QAction* miSaveLayout;
    QAction* miClipboard;
    QAction* miCopyRow;
    QAction* miPasteRow;
    QAction* miCopyCell;
    QAction* miPasteCell;
    QAction* miDeleteRow;
    QAction* miProperties;
    QAction* miPrint;

    // The window's state.
    TD_Global* DGlobal() const { return m_dGlobal.get(); }
    QString TransTableName() const { return m_transTable; }
    // The loaded voucher's number, padded to its width; "-1" when none is loaded.
    QString SanadNo() const { return m_sanadNo; }
    QString Mode() const { return m_mode; }
    QString Rights() const { return m_rights; }
    QString CompanyStartDate() const { return m_companyStartDate; }
    bool OtherPeriod() const { return m_otherPeriod; }
    QString CopiedRow() const { return m_copiedRow; }
    // The caption text as the last caption update left it.
    QString CaptionText() const { return m_captionText; }
    // The number edit's number, padded to the width of the voucher numbers.
    QString PaddedNumber() const;
    // year/month/day of the three date edits.
    QString VoucherDate() const;
    // The database width of a column of the voucher table (0 when unknown).
    int FieldWidth(const QString& field) const { return m_fieldWidths.value(field.toUpper()); }

    // The life of the window.
    void HeaderMode(bool on);
    // Reset to a new voucher; `fromMenu` first proposes the next free number.
    void NewVoucher(bool fromMenu = false);
    // Loads the voucher of the number edit (direction 0), the next (1) or the
    // previous one (-1).
    void LoadVoucher(int direction = 0);
    // Enter in the year edit: the date checks, then the grid opens for editing.
    void CommitDate();
    void SetButtons();
    void UpdateCaption(const QString& mode);
    // True when the rows may be changed: the grid's editing follows it.
    bool GridEditable() const;

    // OK and Delete; a kind with a confirm or delete of its own replaces them.
    virtual void OkBitBtnClick();
    virtual void cmdDelClick();
    void cmdCancelClick();
    // The "حذف رديف" item: asks, then deletes the current row.
    void DeleteCurrentRow();

    // A new voucher made elsewhere for the user to review: the next free number and
    // `date` (the default date when empty) are committed as Enter in the year would
    // (with its checks and messages), and `rows` (field -> value; the number, user, date and row
    // number are the window's) go into the transaction table. Nothing is stored: OK runs the row
    // checks on every proposed row first, and a refused row stops the save with the cursor on it.
    // False when the date was refused (said).
    bool ProposeRows(const QList<QVariantMap>& rows, const QString& date = QString());

protected:
    // The kind's part: its columns in order, its footer, its row checks, and the
    // steps it adds around the shared ones.
    // Built once, when the window initialises (the services object is there).
    virtual QList<TVoucherColumn> Columns() = 0;
    // Builds the footer's labels and edits into FooterLayout.
    virtual void CreateFooter() = 0;
    // Empties every box the footer has (FooterEdit keeps them).
    virtual void ClearFooter();
    // Names of the current row's codes, and the voucher's totals.
    virtual void RefreshFooter() = 0;
    virtual void RefreshTotals() = 0;
    // Display formats and other field settings, after every open of the grid query.
    virtual void ConfigureFields() {}
    // Temporary tables of its own, made once when the window initialises.
    virtual void CreateExtraTables() {}
    // Those tables made again, with what they held, after the server ended the
    // session that had them (SessionWatch); by default made anew.
    virtual void RemakeExtraTables() { CreateExtraTables(); }
    // The last step of a date commit.
    virtual void AfterDateCommit() {}
    // Fills and normalises the kind's columns of the row about to be posted.
    virtual void NormaliseRow() {}
    // The row checks in order: the first refusal, or an accepting one.
    virtual TRowRefusal CheckRow() = 0;
    // After the checks passed, before the row is written.
    virtual void AfterRowChecks() {}
    // Dependent rows of the current row, before it is deleted.
    virtual void BeforeRowDelete() {}
    // Dependent rows after a row was posted.
    virtual void AfterRowPost() {}
    // Whether the save leaves the accounting voucher to be issued later, from
    // elsewhere (the sale, by the company's setting).
    virtual bool DeferredSave() const { return false; }
    // The cursor arrived on another row (after every scroll).
    virtual void AfterScroll() {}
    // The cursor left the grid column `field` for another column of the grid.
    virtual void ColumnLeft(const QString& field) { Q_UNUSED(field); }
    // A key other than Enter pressed in the grid's column `field` (open grid): true
    // when the kind gave it a meaning of its own and did it.
    virtual bool GridKey(const QString& field, QKeyEvent* key)
    {
        Q_UNUSED(field);
        Q_UNUSED(key);
        return false;
    }
    // The table whose declared width a column of the working copy takes ("" for the
    // voucher table itself), read once when the window initialises.
    virtual QString WidthSource(const QString& field) const
    {
        Q_UNUSED(field);
        return {};
    }
    // An asset chosen in the host's pick list went into the row (`code` as stored),
    // before the footer names it: a kind fills what comes with the asset.
    virtual void AssetPicked(const QString& code) { Q_UNUSED(code); }
    // The order of the grid's rows: the row number, or for a kind without one the
    // order the rows were written.
    virtual QString GridOrder() const { return VoucherColumn::Raj; }
    // The last step of loading a voucher (its rows are in the grid).
    virtual void AfterLoad() {}
    // Why the date about to be committed is refused ("" = it is not): said, and the
    // cursor goes to the year. A date the calendar does not have is refused for every
    // kind; a kind may refuse more.
    virtual QString DateRefusal(const QString& date) const;
    // The caption a kind words its own way, from the shared one.
    virtual QString CaptionOf(const QString& shared) const { return shared; }
    // The stamp the posting procedure gave for the loaded voucher (for an own save).
    QString LoadedStamp() const { return m_stamp; }
    // After a save, a delete or Cancel: a new voucher, the cursor in the number.
    void BackToNewVoucher();
    void reportDatabaseError(const QString& message);
    void reportDatabaseError(const DatabaseError& error);
    // What a failed save tells: a lock, a change by another user, a database that
    // cannot be reached or written (read-only, full disk, no right on the server) or
    // a damaged file is named as such; anything else is `failure`, the save's own
    // message.
    static QString SaveFailureText(const DatabaseError& error, const QString& failure);
    void showRowPosition();

public:
    // The refusal of a row check, as the window says it: the message through the
    // host's message window, the cursor in its column, then its list. The list's
    // modal result (1 chosen), 0 when the refusal has none.
    int ShowRefusal(const TRowRefusal& refusal);
    // The kind's description of a column (nullptr for a column it does not list).
    const TVoucherColumn* ColumnOf(const QString& field) const;
    // The column of the account chain (Koll ... ProjectCod, with `prefix` "" or "H")
    // where Enter ends that chain: the lowest level its subsidiary account asks for.
    QString LastChainLevel(const QString& prefix = QString()) const;

protected:
    // The paper form number: typed (else `emptyText`), and in no other voucher of
    // the kind.
    TRowRefusal CheckFormNumber(const QString& emptyText);
    // The day `asset` came into use, as the database side tells it ("" when unknown).
    QString AssetStartDate(const QString& asset) const;
    // Refused at the asset when `asset` came into use after the voucher's date.
    TRowRefusal CheckStartOfUse(const QString& asset);
    // Level `level` (0 Koll ... 4 ProjectCod) of the account chain with `prefix`:
    // typed by the company's code rule, its list opened by Enter while it is empty.
    TVoucherColumn ChainColumn(const QString& prefix, int level, const QString& title, int width);
    // Whether `level` of the chain is at or past the last level its account uses.
    bool AtChainEnd(const QString& prefix, int level) const;
    // Where Enter goes from `level` of the chain: the next lower level its subsidiary
    // account uses ("" to go on to the next column).
    QString NextChainLevel(const QString& prefix, int level) const;
    // The chain with `prefix` checked against the chart of accounts; a level given a
    // code the account does not know opens its list.
    TRowRefusal CheckChain(const QString& prefix = QString());
    // A column's list opened only while the grid may be edited; otherwise the walk stays.
    std::function<int()> WhileEditable(std::function<int()> pick);
    // The list of asset conditions for the row's condition: the choice goes into the row.
    int PickConditionForRow();
    // The asset state guard of `asset` in this voucher at its date (sold or retired
    // before it), as a row refusal. A kind that handles retired assets guards its own way.
    virtual TRowRefusal AssetStateRefusal(const QString& asset);
    // Whether the kind's rows are held to the asset state guard (an initial adjustment
    // may name a sold or retired asset).
    virtual bool GuardsAssetState() const { return true; }
    // The assets of the window's rows (trimmed codes) that the guard must see again when
    // the voucher is stored: another user may have sold or retired them since they were
    // typed. A kind whose guard also reads other vouchers of its own kind adds those
    // assets that another voucher of the kind holds.
    virtual QSet<QString> AssetsToGuardAgain();
    // The refusal of a stored row's asset at that moment: the guard's, unless the kind
    // has a check that only other users' vouchers can make fail after typing.
    virtual TRowRefusal StoredAssetRefusal(const QString& asset)
    {
        return AssetStateRefusal(asset);
    }
    // The asset chosen in a pick list goes into the row and names itself below the
    // grid; with `guard` a sold or retired one is refused. 1 goes on, 2 stays (also
    // when the list was left without a choice).
    int TakePickedAsset(const std::optional<TChosenAsset>& chosen, bool guard);
    // A query of the window's own for its look-ups, bound to the host connection.
    DataSet* LookupQuery() const { return m_lookup.get(); }
    // The host connection the window reads and writes on.
    DbConnection& Connection() const { return *m_lookup->connection(); }
    // The current row's field (nullptr when the grid is closed).
    DataField* Field(const QString& name) const;
    QString FieldText(const QString& name) const;
    // The current row's code in `field` as it is stored and looked up (WidenCode):
    // digits 0-9, right-aligned in CodeWidth(field), lower account levels zero-filled.
    QString StoredCode(const QString& field) const;
    // The width a code column is stored in; a kind whose columns take the width of
    // another column (a twin) answers that one's.
    virtual int CodeWidth(const QString& field) const { return FieldWidth(field); }
    bool Inserting() const;
    // Moves the grid's cursor to the first column.
    void GoFirstColumn();
    // The names of the current row's codes, read in one statement of sub-selects
    // (one round trip on every scroll), prepared once and given the row's values;
    // a part whose value is blank reads no name. Result name -> trimmed text.
    QHash<QString, QString> ReadNames(const QList<TNamePart>& parts) const;
    // The five boxes of the chain's names, and the sub-selects that read them for
    // the row's codes (in their stored form); ShowChainNames fills the boxes from
    // what ReadNames read (an empty result clears them).
    void CreateChainNameBoxes();
    // The chain's boxes with their titles ("كل:", "معين:", "تفصيلي:" and the company's
    // names of the two lower levels), for LayOutFooter.
    QList<std::pair<QLabel*, QLineEdit*>> ChainFooter();
    QList<TNamePart> ChainNameParts(const QString& koll, const QString& moein,
                                    const QString& tafsily, const QString& tafsily2,
                                    const QString& project) const;
    void ShowChainNames(const QHash<QString, QString>& names);
    // The sub-select of a column of the row's asset (`column` of D_Amval, e.g. DaraNam
    // or RaveshEst, read under its own name) for the code in its stored form.
    TNamePart AssetPart(const QString& column) const;
    // A read-only box of the footer; an amount box reads left to right, flush right.
    QLineEdit* FooterEdit(const QString& name, int width, bool amount = false);
    // A title of the footer.
    QLabel* FooterLabel(const QString& text);
    // Label and box pairs, `perLine` to a line from line `row` on.
    void LayOutFooter(const QList<std::pair<QLabel*, QLineEdit*>>& pairs, int row = 0,
                      int perLine = 4);

    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void buildMenu();
    void wireGrid();
    void Initialise();
    void openGrid();
    void setDateEdits(const QString& date);
    void applyColumnEditability();
    void updateMenuState();
    // What the window knows of the voucher now, and what that allows.
    TVoucherSituation Situation() const;
    bool ColumnEditable(const QString& field) const;
    bool EnterOpensPick(const QString& field) const;
    bool EndsRow(const QString& field) const;
    // The column's pick list; 1 when the walk goes on (a column without one goes on).
    int OpenPick(const QString& field);
    // The rule of a menu item at this moment.
    bool ItemAllowed(const QAction* action) const;
    int pickChainAccount(const QString& prefix, const QString& field);
    bool SanadIDKey(QKeyEvent* key);
    bool SanadID_Exit();
    void gridEnter();
    bool gridKeyDown(QKeyEvent* key);
    void advanceColumn();
    // After Enter in `field`: finish the row, jump, or the next column.
    void goOnFrom(const QString& field);
    bool postAndGoOn();
    // The proposed rows through the row checks, one by one; false at the first refusal.
    bool CheckProposedRows();
    // A stored voucher whose date was moved: its assets are checked again against
    // sales and retirements up to the new date. False when one is refused (said).
    bool GuardMovedDate();
    // The save of OK as one transaction; false when nothing was stored (the rows stay).
    bool SaveVoucher(QString& storedNumber, QString& notice);
    // Inside the save, once the rows are stored as `storedNumber`: the row (-1 for
    // none) whose asset the guard now refuses, with the refusal.
    int StoredRowRefused(const QString& storedNumber, TRowRefusal& refusal);
    bool askToAbandon();
    // The working copy made again from the rows the grid holds, after the server
    // ended the session that had it: the voucher as the user sees it.
    void RemakeWorkTables();

    void qu_BeforeInsert(DataSet& ds);
    void qu_BeforePost(DataSet& ds);
    void qu_AfterPost(DataSet& ds);
    void qu_BeforeDelete(DataSet& ds);
    void qu_AfterDelete(DataSet& ds);
    void qu_AfterCancel(DataSet& ds);
    void qu_AfterScroll(DataSet& ds);

    TVoucherKind m_kind;
    std::unique_ptr<TD_Global> m_dGlobal;
    std::unique_ptr<DataSet> m_lookup;
    std::unique_ptr<SessionWatch> m_sessionWatch;
    // ReadNames' statement, prepared for the parts it was last asked for.
    mutable std::unique_ptr<QSqlQuery> m_namesQuery;
    mutable QString m_namesSql;
    // Every box FooterEdit made, for ClearFooter.
    QList<QLineEdit*> m_footerBoxes;
    TDateTrio* m_dateTrio = nullptr;
    QLabel* m_captionLabel = nullptr;
    QHash<QString, int> m_fieldWidths;
    QList<TVoucherColumn> m_columns;
    QString m_transTable;
    QString m_sanadNo = QStringLiteral("-1");
    QString m_mode = QStringLiteral("NEW");
    QString m_rights;
    QString m_defaultDate;
    QString m_companyStartDate;
    QString m_captionText;
    QString m_copiedRow;
    // What the loaded voucher was when it was read: a save or delete is refused when
    // another user changed or deleted it since.
    QString m_stamp;
    // While the save checks the stored rows again: the number they were stored under,
    // which is then the voucher's number.
    QString m_storedAs;
    // The date the loaded voucher was stored with.
    QString m_loadedDate;
    bool m_otherPeriod = false;
    bool m_dayBookFlag = true;
    bool m_headerOn = true;
    bool m_initialised = false;
    bool m_deleteFromMenu = false;
    bool m_middleInsert = false;
    bool m_inExit = false;
    bool m_cancellingInsert = false;
    // A footer refresh is queued for the current row's changed codes.
    bool m_footerPending = false;
    // The rows were proposed by ProposeRows and have not been through the checks.
    bool m_proposed = false;
    int m_rowMarker = 0;
};
