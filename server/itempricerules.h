#pragma once
// Checks the server makes on an item price row before storing it, whoever sends it: the
// window makes the same checks, scripts and other clients might not.

#include "pricing/itempricebounds.h"
#include "wire/packet.h"

#include <QStringList>

#include <utility>
#include <vector>

namespace vnd::server
{

// Throws ServiceError (422) with the window's own message for the first rule broken.
void checkItemPriceRow(const data::ChangeSet &changes, const data::Row &row);

// The same checks for many rows of one change set: its columns are looked up once.
class ItemPriceRowCheck
{
public:
    explicit ItemPriceRowCheck(const data::ChangeSet &changes);
    void operator()(const data::Row &row) const;

private:
    std::vector<std::pair<const pricing::PriceBound *, int>> m_prices;
    std::vector<int> m_times;
    std::vector<std::pair<const char *, int>> m_flags;
};

// "NAME|NAME|" into its names; throws ServiceError (400) for anything but field names.
QStringList parseEmptyFieldList(const QString &text);

} // namespace vnd::server
