#pragma once
// Datasets as the window holds them, loaded from packets, and a way to run one rule and see
// how it ended: the message shown and the field that got the focus.

#include "host/data/clientdataset.h"
#include "pricetable/itemprice.h"
#include "pricing/messagetable.h"

#include <QHash>

#include <functional>
#include <memory>

namespace rulestest
{

using Values = QHash<QString, QVariant>;

const vnd::MessageTable &messages();
// The demo period: table "001", 01/12/2026 to 31/12/2026.
vnd::pricetable::CurrentPeriod period();

// One-row datasets with every field defined; values override the defaults.
std::unique_ptr<vnd::data::ClientDataSet> itemPreco(const Values &values = {});
std::unique_ptr<vnd::data::ClientDataSet> precoHora(const QList<Values> &rows);

// Sets fields on the current record (which must be in edit or insert).
void set(vnd::data::ClientDataSet &ds, const Values &values);

struct Outcome {
    bool refused = false;
    QString message; // the error shown, "" when none
    QString focus;   // the field that asked for the focus, "" when none
};
Outcome run(vnd::data::ClientDataSet &ds, const std::function<void()> &rule);

QString text(const char *utf8);

} // namespace rulestest
