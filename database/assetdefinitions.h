#pragma once

#include <QList>
#include <QString>
#include <optional>

class DbConnection;

// The assets of a company as its clerks define them (the register D_Amval): an asset to
// be bought by a purchase voucher (registered with no cost) or one already in use when
// the company's books begin (registered with its cost, accumulated depreciation and
// salvage value). What is typed are the asset's opening values, those the register's
// recompute starts from (the "First" columns where a column has one): changing them
// recomputes the record from them and the asset's vouchers, as a voucher's save does.
// Nothing here shows anything: a refusal comes back as the Persian text the window
// shows and the field at fault. Who may: the purchase's rights (new, edit, delete),
// the asset being the first thing a purchase needs.
namespace AssetDefinitions {

// Depreciation methods as the register keeps them.
inline const QString kStraightLine = QStringLiteral("مستقيم");
inline const QString kDeclining = QStringLiteral("نزولي");
inline const QString kNoMethod = QStringLiteral("ندارد");

// An asset's definition. Codes are held as the tables store them (right-aligned), the
// asset's own code as typed or stored, either.
struct Asset
{
    QString code;       // DaraCod
    QString name;       // DaraNam
    QString taxGroup;   // VezCod, D_VezArat
    QString article;    // MadehCod, D_Madeh151 (none for land)
    QString method;     // RaveshEst
    double rate = 0;    // Nozooli: the declining method's rate, per cent
    double life = 0;    // Salianeh: the straight-line method's life, years
    QString inUse;      // BahreDate, "yyyy/mm/dd"
    double cost = 0;    // EndValue: 0 while a purchase voucher is to give it
    double accumulated = 0; // Anbashteh
    double salvage = 0;     // Esshat
    QString place;      // MakanCod, D_Makan
    QString holder;     // PersonelCod, Person (may be empty)
    QString costCentre; // Tafsily2 (may be empty)
    QString condition;  // VazCod, D_VazDarae
    QString source;     // MabadiCod, D_Mabadi (may be empty)
    QString koll;       // the asset's own ledger account
    QString moein;

    bool operator==(const Asset&) const = default;
};

enum class Field {
    None,
    Code,
    Name,
    TaxGroup,
    Article,
    Method,
    Rate,
    Life,
    InUse,
    Cost,
    Accumulated,
    Salvage,
    Place,
    Holder,
    CostCentre,
    Condition,
    Source,
    Koll,
    Moein,
};

// What a store or a removal came to: "" and the stored code, or the reason nothing was
// written and the field at fault.
struct Outcome
{
    QString refusal;
    Field field = Field::None;
    QString code; // the stored form of the code stored
};

// The asset's code in the form the register stores it (Persian digits as 0-9, blanks
// around taken off, right-aligned), or "" when `typed` is no code: at most the column's
// width, of digits only where the company's settings say so (TYPEDARACOD=NUM).
QString StoredCode(const DbConnection& connection, const QString& typed);
bool DigitsOnly(const DbConnection& connection);
// What a code that is none is told.
QString CodeRefusal(const DbConnection& connection);
// The column's width.
int CodeWidth(const DbConnection& connection);

// The asset's definition as it stands (its opening values), or none when the register
// has no asset of `code` (any padding).
std::optional<Asset> Read(DbConnection& connection, const QString& code);
// The highest numeric code of the register (as stored; "" when none), and the code after
// it, for a new asset.
QString HighestCode(DbConnection& connection);
QString NextCode(DbConnection& connection);
// The vouchers that name the asset, as "caption number" texts (the first `most`).
QStringList VouchersOf(DbConnection& connection, const QString& code, int most = 3);

// Defines a new asset (`before` none) or stores the definition of one read as `before`:
// in one transaction, with the record locked, refused when another clerk changed or
// removed it since it was read. `userId` needs the purchase's new or edit right.
Outcome Store(DbConnection& connection, int userId, const Asset& asset,
              const std::optional<Asset>& before);
// Removes the asset read as `before`, refused while a voucher names it.
Outcome Remove(DbConnection& connection, int userId, const Asset& before);

// A code and its name as a choice of the window's lists.
struct Choice
{
    QString code;
    QString name;
};
enum class List { TaxGroup, Article, Place, Holder, CostCentre, Condition, Source, Koll };
// The choices of `list` in code order.
QList<Choice> Choices(DbConnection& connection, List list);
// The subsidiary accounts under `koll`.
QList<Choice> MoeinChoices(DbConnection& connection, const QString& koll);

} // namespace AssetDefinitions
