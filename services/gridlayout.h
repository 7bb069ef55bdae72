#pragma once

#include <QString>

class DataSet;
class DbGrid;

// Where a window's grid layout is kept in Grid_State: program, item, window and
// part keys. A layout belongs to one user and one such key.
struct GridLayoutKey
{
    const char* sProg;
    const char* sItem;
    const char* sForm;
    const char* sPart;
};

// The keys of the module's windows.
namespace GridLayoutKeys {
inline constexpr GridLayoutKey ASASE_CHANGE{"D", "ASNAD", "ASASE_CHANGE", ""};
inline constexpr GridLayoutKey FIRST_TADIL{"D", "ASNAD", "FIRST_TADIL", ""};
inline constexpr GridLayoutKey KENARM{"D", "ASNAD", "KENARM", ""};
inline constexpr GridLayoutKey TAHVIL_ANTEGAL{"D", "ASNAD", "TAHVIL_ANTEGAL", ""};
inline constexpr GridLayoutKey DARAE_REDUCE{"D", "ASNAD", "DARAE_REDUCE", ""};
inline constexpr GridLayoutKey FOROSH_DAYEME{"D", "ASNAD", "FOROSH_DAYEME", ""};
inline constexpr GridLayoutKey KENARD{"D", "ASNAD", "KENARD", ""};
inline constexpr GridLayoutKey SOULATION_CHANGE{"D", "ASNAD", "SOULATION_CHANGE", ""};
inline constexpr GridLayoutKey GHEIMAT{"D", "ASNAD", "GHEIMAT", ""};
inline constexpr GridLayoutKey SEARCH{"D", "ASNAD", "SEARCH", ""};
inline constexpr GridLayoutKey COMMAND{"A", "ASNAD", "COMMAND", "1"};
inline constexpr GridLayoutKey BARKENARD{"D", "ASNAD", "BARKENARD", ""};
inline constexpr GridLayoutKey BARKENARM{"D", "ASNAD", "BARKENARM", ""};
inline constexpr GridLayoutKey CHANGE_VEZARAT{"D", "ASNAD", "CHANGE_VEZARAT", ""};
inline constexpr GridLayoutKey BUY_CREATE{"D", "ASNAD", "BUY_CREATE", ""};
inline constexpr GridLayoutKey AMVALGARDANI{"D", "ASNAD", "AMVALGARDANI", ""};
// The carry-forward window loads, saves and binds its report grid under one key:
// the one its report grid is bound to, so that the menu's save and the window's
// own save write the layout the window loads.
inline constexpr GridLayoutKey IMPORT{"D", "ASNAD", "IMPORT", "1"};
} // namespace GridLayoutKeys

// Stores the grid's columns (order, visibility, width) as the current user's layout
// of the window, replacing the stored one in one transaction, and shows
// "وضعيت ستونها ثبت شد.". A grid whose data set is closed is left alone (false).
// A database failure is thrown (DatabaseError) and leaves the stored layout as it was.
bool SaveGridLayout(DbGrid* grid, const QString& sProg, const QString& sItem, const QString& sForm,
                    const QString& sPart);
bool SaveGridLayout(DbGrid* grid, const GridLayoutKey& key);

// Deletes the current user's stored layout of the window and tells the user to
// reopen the window; the grid on screen keeps its columns. A grid whose data set is
// closed is left alone (false).
bool ResetGridLayout(DbGrid* grid, const QString& sProg, const QString& sItem, const QString& sForm,
                     const QString& sPart);
bool ResetGridLayout(DbGrid* grid, const GridLayoutKey& key);

// Applies the current user's stored layout of the window to the grid, reading the
// stored rows through `query` (one of the window's own queries). Stored columns the
// grid no longer has are skipped; columns without a stored row keep their designed
// width and visibility and follow the stored ones. Returns false when nothing was
// stored (the grid keeps its designed layout).
bool LoadGridLayout(DataSet* query, DbGrid* grid, const QString& sProg, const QString& sItem,
                    const QString& sForm, const QString& sPart);
bool LoadGridLayout(DataSet* query, DbGrid* grid, const GridLayoutKey& key);

// Index of the first grid column showing `fieldName` (compared upper-cased); -1 when none.
int FindGridColumn(DbGrid* grid, const QString& fieldName);
