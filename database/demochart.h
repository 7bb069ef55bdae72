#pragma once

#include "demonames.h"

#include <QList>
#include <QString>
#include <QStringList>

// The demo company's codes in the form its tables store them, and its chart of
// accounts with the rules that decide which detail accounts a chain may carry.
namespace DemoChart {

// The declared width of a company table's column; throws std::logic_error for a
// column the catalogue does not have.
int DeclaredWidth(const QString& table, const QString& column);
// `code` right-aligned with blanks to `width` (cut to `width` when longer).
QString RightAligned(const QString& code, int width);
// `code` left-filled with "0" to `width`; an empty code stays empty.
QString ZeroFilled(const QString& code, int width);

// The declared widths of the code columns, read from the table catalogue, and the
// codes brought to their stored form.
struct Forms
{
    Forms();

    int asset, condition, taxGroup, article, location, person, source, component;
    int koll, moein, tafsily, tafsily2, project, voucher;
    int tafsilyGroup, tafsily2Group, projectGroup;

    QString Koll(const QString& c) const { return RightAligned(c, koll); }
    QString Moein(const QString& c) const { return RightAligned(c, moein); }
    QString Tafsily(const QString& c) const { return ZeroFilled(c, tafsily); }
    QString Tafsily2(const QString& c) const { return ZeroFilled(c, tafsily2); }
    QString Project(const QString& c) const { return ZeroFilled(c, project); }
    QString Condition(const QString& c) const { return RightAligned(c, condition); }
    QString TaxGroup(const QString& c) const { return RightAligned(c, taxGroup); }
    // Land has no tax-law article.
    QString Article(const QString& c) const
    {
        return c.isEmpty() ? QString(QLatin1String("")) : RightAligned(c, article);
    }
    QString Location(const QString& c) const { return RightAligned(c, location); }
    QString Person(const QString& c) const { return RightAligned(c, person); }
    QString Source(const QString& c) const { return RightAligned(c, source); }
    QString Component(const QString& c) const { return RightAligned(c, component); }
    QString Voucher(int number) const { return RightAligned(QString::number(number), voucher); }
};

struct KollAccount
{
    QString code;
    QString name;
    QString nature;
    bool temporary = false;
    bool active = true;
};

// The restriction of a level below an account: its group list and member list.
struct Restriction
{
    QString groups;
    QString members;
    bool isEmpty() const { return groups.isEmpty() && members.isEmpty(); }
};

struct MoeinAccount
{
    QString koll;
    QString moein;
    QString name;
    QString nature;
    bool tafsily = false; // which lower levels a chain under it carries
    bool tafsily2 = false;
    bool project = false;
    Restriction tafsilyRule;
    Restriction tafsily2Rule;
    Restriction projectRule;
    bool active = true;
};

// An account of a detail level (Tafsily, Tafsily2 or M_Project).
struct DetailAccount
{
    QString code;
    QString name;
    bool active = true;
    Restriction tafsily2Rule; // Tafsily only
    Restriction projectRule;  // Tafsily and Tafsily2
};

struct Chain
{
    QString koll;
    QString moein;
    QString tafsily;
    QString tafsily2;
    QString project;
};

// A code is inside a restriction when its group (its first `groupLength`
// characters) is in the group list or the code is in the member list; with both
// lists empty every code is.
bool Allows(const Restriction& rule, const QString& code, int groupLength);

class Chart
{
public:
    QList<KollAccount> kolls;
    QList<MoeinAccount> moeins;
    QList<DetailAccount> tafsilys;
    QList<DetailAccount> tafsily2s;
    QList<DetailAccount> projects;
    QList<DemoNames::CodeName> tafsilyGroups;
    QList<DemoNames::CodeName> tafsily2Groups;
    QList<DemoNames::CodeName> projectGroups;
    int tafsilyGroupLength = 0;
    int tafsily2GroupLength = 0;
    int projectGroupLength = 0;

    const KollAccount* koll(const QString& code) const;
    const MoeinAccount* moein(const QString& koll, const QString& moein) const;
    static const DetailAccount* find(const QList<DetailAccount>& level, const QString& code);

    // The restrictions of the two lowest levels, by the precedence of the chain
    // validation: the Tafsily2 level follows the Tafsily account when it has a
    // rule of its own; the project level the Tafsily2 account, then the Tafsily
    // account, then the subsidiary account.
    Restriction tafsily2Rule(const MoeinAccount& m, const QString& tafsily) const;
    Restriction projectRule(const MoeinAccount& m, const QString& tafsily,
                            const QString& tafsily2) const;

    // The active codes of a level that a restriction allows.
    static QStringList Choices(const QList<DetailAccount>& level, const Restriction& rule,
                               int groupLength);
    // The detail codes a chain under `m` may carry at each level, given the codes
    // chosen above it.
    QStringList tafsilyChoices(const MoeinAccount& m) const;
    QStringList tafsily2Choices(const MoeinAccount& m, const QString& tafsily) const;
    QStringList projectChoices(const MoeinAccount& m, const QString& tafsily,
                               const QString& tafsily2) const;
    // The cost centres an asset booked under (koll, moein) may carry.
    QStringList costCentres(const QString& kollCode, const QString& moeinCode) const;
};

// The chart of an Iranian metal-works manufacturer. `employees` are the detail
// accounts of the staff (group 05), named after the recipients of assets.
Chart BuildChart(const Forms& forms, const QList<DetailAccount>& employees);

} // namespace DemoChart
