#pragma once
// What the demonstration data set is made of: the catalogue's product families, the combos and
// their components, and the price tables with their periods around today.

#include <vector>

namespace vnd::server::demo
{

struct Family {
    const char *group;    // level 1
    const char *subgroup; // level 2
    const char *name;     // level 3
    double basePrice;
    double step;
    const char *window; // sales window "HHMMHHMM" or empty
    std::vector<const char *> products;
};
const std::vector<Family> &catalogue();

// Combo -> components with quantities; IDIMPPRODROT 'S' prints the component on the
// kitchen ticket.
struct Component {
    const char *name;
    double quantity;
    const char *print;
};
struct Combo {
    const char *name;
    std::vector<Component> components;
};
const std::vector<Combo> &combos();

struct Period {
    int from; // days from today
    int to;
    const char *status;
    double factor;
};

struct TableDef {
    const char *code;
    const char *name;
    double factor;
    std::vector<Period> periods;
};
const std::vector<TableDef> &tableDefs();

} // namespace vnd::server::demo
