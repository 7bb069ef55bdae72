#pragma once

// Words the parts of the voucher window share (voucherform*.cpp, vouchermenu.cpp,
// voucherrows.cpp, voucherstore.cpp, voucherfooter.cpp).

#include <QString>

namespace VoucherFormText {
// The window's modes.
inline const QString New = QStringLiteral("NEW");
inline const QString Edit = QStringLiteral("EDIT");
// The host message window's code of an error.
inline const QString Error = QStringLiteral("1ER");
} // namespace VoucherFormText
