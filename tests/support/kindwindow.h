#pragma once

// The voucher window of a kind named as the suites' data rows name it ("purchase",
// "sale", "retirement", "retirement for good", "return", "return for good",
// "adjustment", "group change", "method", "reduction", "transfer", "improvement"),
// made by the windows' own factory and shown.

#include "reportrows.h"
#include "voucherform.h"

#include <QCoreApplication>
#include <map>
#include <memory>

inline std::unique_ptr<TVoucherForm> KindWindow(const QString& kind, int width = 1400)
{
    static const std::map<QString, VoucherKindId> kinds{
        {"purchase", VoucherKindId::BuyCreate},     {"sale", VoucherKindId::ForoshDaymeh},
        {"retirement", VoucherKindId::KenarM},      {"retirement for good", VoucherKindId::KenarD},
        {"return", VoucherKindId::BarKenarM},       {"return for good", VoucherKindId::BarKenarD},
        {"adjustment", VoucherKindId::FirstTadil},  {"group change", VoucherKindId::ChangeVezArat},
        {"method", VoucherKindId::SoulationChange}, {"reduction", VoucherKindId::DaraeReduce},
        {"transfer", VoucherKindId::TahvilAntegal}, {"improvement", VoucherKindId::AsaseChange}};
    const auto it = kinds.find(kind);
    std::unique_ptr<TVoucherForm> form(it == kinds.end() ? nullptr : NewVoucherWindow(it->second));
    if (form) {
        form->resize(width, 700);
        form->show();
        QCoreApplication::processEvents();
    }
    return form;
}
