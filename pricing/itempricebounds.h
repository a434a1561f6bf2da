#pragma once
// The bounds of an item price row's prices, which the window's post, the spreadsheet import
// and the server refuse by alike: none below zero (but the calculated price), none at or above
// the limit.

#include "pricing/decimal.h"

namespace vnd::pricing
{

inline constexpr Decimal kPriceLimit =
    Decimal::fromUnits(Decimal::Units(999'999'999'999'999) * Decimal::kScale);

// Every price below the limit, a price plus its client price (a day/hour rule's base) and
// twice that (the highest price a rule may give) fit the decimal type, so every price that can
// be stored can be computed with.
static_assert(kPriceLimit.units() * 2 * 2 < Decimal::kMaxUnits);

// One price field and the message keys (the price table window's table) of its faults.
struct PriceBound {
    const char *field;
    const char *belowZero; // nullptr: any amount below the limit will do
    const char *atLimit;
};

// In the order the checks run.
inline constexpr PriceBound kItemPriceBounds[] = {
    {"VRPRECITEM", "VrCons_Zero", "Ope_bl_VrPrec"},
    {"VRPRECITEMDLV", "VrCons_Zero", "Ope_bl_VrPrec"},
    {"VRPRECITEMCMD", "VrCons_Zero", "Ope_bl_VrPrec"},
    {"VRPRECITEMCL", "VrClie_Zero", "Ope_bl_VrItemCl"},
    {"VRPRESUGITEM", "PRSUGMAIOR", "Ope_bl_VrItem_Sug"},
    {"VRCUSTITEM", nullptr, "Ope_bl_Vr_Cal"},
};

// The message key of the bound the price breaks; nullptr when it keeps them. Below zero is
// read on the double itself, so that -0.00001 is below; past that, a double that is no
// decimal (NaN, infinite, out of range) is past the limit.
const char *priceBoundFault(const PriceBound &bound, double price);

} // namespace vnd::pricing
