#pragma once

#include <QString>

// Users' passwords as they are kept: a salted, deliberately slow hash made by libsodium
// (Argon2id, in its self-describing text "$argon2id$v=19$m=...,t=...,p=...$salt$hash"),
// never the password itself. Older data and the demo company hold plain passwords;
// those are recognised and replaced by their hash once the user signs in.
namespace Passwords {

// A password as it is hashed and compared: the digits and letters a Persian keyboard
// types (۰-۹, ی, ک) as the other layout types them (0-9, ي, ك), so that a password
// is the same whichever layout it was typed with. Nothing else is changed.
QString Normalised(const QString& password);

// A new salted hash of `password`: two hashes of one password differ. Takes a good
// fraction of a second and some tens of megabytes by design. Throws std::runtime_error
// when the library cannot make one (out of memory).
QString Hash(const QString& password);

// Whether `stored` is a hash (of the current cost or an older one), not a plain text.
bool IsHash(const QString& stored);

enum class Match {
    No,        // not the password (or a damaged hash)
    Yes,       // the password, kept as Hash() keeps it now
    YesRehash, // the password, but kept as plain text or as a hash of a lower cost:
               // what is stored is to be replaced by Hash(typed)
};

// Compares a typed password with what a user's record holds: a hash, checked by the
// library; or, in older data, the plain password (blanks around it are the column's
// padding), compared in a time that does not depend on where the texts differ.
Match Check(const QString& stored, const QString& typed);

// Spends the time Check() spends on a hash, checking `typed` against a hash of
// nothing in particular: for a user that does not exist, so that the time the answer
// takes does not tell whether the user exists.
void SpendCheckTime(const QString& typed);

} // namespace Passwords
