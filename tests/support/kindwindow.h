#pragma once

// The voucher window of a kind named as the suites' data rows name it ("purchase",
// "sale", "retirement", "retirement for good", "return", "return for good",
// "adjustment", "group change", "method", "reduction", "transfer", "improvement").

#include "asasechangeunit.h"
#include "barkenardunit.h"
#include "barkenarmunit.h"
#include "buycreateunit.h"
#include "changevezaratunit.h"
#include "daraereduceunit.h"
#include "firsttadilunit.h"
#include "foroshdayehunit.h"
#include "kenardunit.h"
#include "soulationchangeunit.h"
#include "tahvilantegalunit.h"
#include "voucherdriver.h"

#include <functional>
#include <map>

inline std::unique_ptr<TVoucherForm> KindWindow(const QString& kind, int width = 1400)
{
    using Open = std::function<std::unique_ptr<TVoucherForm>(int)>;
    static const std::map<QString, Open> windows{
        {"purchase", OpenForm<TBuyCreateForm>},     {"sale", OpenForm<TForoshDayehForm>},
        {"retirement", OpenForm<TKenarMForm>},      {"retirement for good", OpenForm<TKenarDForm>},
        {"return", OpenForm<TBarKenarMForm>},       {"return for good", OpenForm<TBarKenarDForm>},
        {"adjustment", OpenForm<TFirstTadilForm>},  {"group change", OpenForm<TChangeVezAratForm>},
        {"method", OpenForm<TSoulationChangeForm>}, {"reduction", OpenForm<TDaraeReduceForm>},
        {"transfer", OpenForm<TTahvilAntegalForm>}, {"improvement", OpenForm<TAsaseChangeForm>}};
    const auto it = windows.find(kind);
    return it == windows.end() ? nullptr : it->second(width);
}
