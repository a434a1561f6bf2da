#pragma once
// The demonstration data set: a food-service catalogue on a four-level product tree, three
// price tables with past, current and future periods around today, branches and consumer
// types. Loaded only into a database without products or tables.

#include "server/database.h"

#include <QDate>

namespace vnd::server
{

struct DemoSummary {
    int products = 0; // sellable (deepest level)
    int prices = 0;
    int rules = 0;
};

// Throws std::runtime_error when the database already holds data, DbError on failure.
DemoSummary loadDemoData(const Database &database, QDate today);

// The product-code picture the demo and synthetic data use, stored in CONFIGHOST.
extern const char *const kProductPicture;

// Refuses (std::runtime_error) to load into a database that already holds products or tables.
void requireEmptyCatalogue(const Database &database);

} // namespace vnd::server
