#pragma once
// A generated data set of a given number of products, for benchmarks: the product tree,
// compositions, the demo's tables, branches and consumer types, every product priced in
// every period, and day/hour rules, all in the demo's proportions.

#include "server/database.h"

#include <QDate>

namespace vnd::server
{

struct SyntheticSummary {
    int products = 0;
    qint64 prices = 0;
    qint64 rules = 0;
};

// Throws std::runtime_error; stores nothing then.
constexpr int kMaxSyntheticProducts = 1000000;

SyntheticSummary loadSyntheticData(const Database &database, int products, QDate today);

} // namespace vnd::server
