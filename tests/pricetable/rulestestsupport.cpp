#include "rulestestsupport.h"

#include "host/services/errors.h"
#include "host/services/scriptedui.h"
#include "pricetable/dayhourfields.h"
#include "pricetable/gridformat.h"
#include "pricetable/itempricefields.h"
#include "pricing/tabgeralmessages.h"

namespace rulestest
{

using namespace vnd::data;

namespace
{

const QDateTime kPeriodStart(QDate(2026, 12, 1), QTime(0, 0));

Row rowOf(const QList<FieldDef> &defs, const Values &defaults, const Values &values)
{
    Row row;
    for (const FieldDef &f : defs)
        row.append(values.contains(f.name) ? values[f.name] : defaults.value(f.name));
    return row;
}

std::unique_ptr<ClientDataSet> load(const QList<FieldDef> &defs, std::vector<Row> rows,
                                    const std::function<void(ClientDataSet &)> &define)
{
    auto ds = std::make_unique<ClientDataSet>();
    define(*ds);
    ds->loadPacket(DataPacket{defs, std::move(rows)});
    return ds;
}

} // namespace

const vnd::MessageTable &messages()
{
    static const vnd::MessageTable table(vnd::pricetable::tabGeralMessages());
    return table;
}

vnd::pricetable::CurrentPeriod period()
{
    return {QStringLiteral("001"), QDate(2026, 12, 1), QDate(2026, 12, 31)};
}

std::unique_ptr<ClientDataSet> itemPreco(const Values &values)
{
    const Values defaults{
        {"NMPRODUTO", "X-BURGUER"},
        {"CDPRODUTO", "0000000101"},
        {"CDTABEPREC", "001"},
        {"CDPRPAITABPR", "0000000101"},
        {"NRCOMPPROD", 0.0},
        {"VRPRECITEM", 10.0},
        {"VRPRECITEMCMD", 11.0},
        {"VRPRECITEMDLV", 12.0},
        {"VRPRECITEMCL", 0.0},
        {"DTINIVGPREC", kPeriodStart},
        {"IDPRECVARIA", "N"},
        {"VRPRESUGITEM", 9.0},
        {"CDARVPROD", "1010010101"},
        {"VRCUSTITEM", 8.0},
        {"VRMKUPITEM", 25.0},
        {"IDPRODPROMOC", "S"},
        {"CDBARPRODUTO", "7891000100"},
    };
    const auto defs = vnd::pricetable::itemPrecoFieldDefs();
    return load(defs, {rowOf(defs, defaults, values)}, [](ClientDataSet &ds) {
        vnd::pricetable::defineItemPrecoFields(ds);
        vnd::pricetable::installItemPrecoTextHooks(ds, messages());
    });
}

std::unique_ptr<ClientDataSet> precoHora(const QList<Values> &rows)
{
    const Values defaults{
        {"CDTABEPREC", "001"},
        {"DTINIVGPREC", kPeriodStart},
        {"CDPRPAITABPR", "0000000101"},
        {"CDPRODUTO", "0000000101"},
        {"NRDIASEMANPR", "2"},
        {"IDPERVALORPR", "V"},
        {"IDDESCACREPR", "D"},
        {"HRINIPRECDIA", "1200"},
        {"HRFINPRECDIA", "1400"},
        {"VRPRECODIA", 2.0},
        {"CDTIPOCONSPD", "T"},
        {"IDVISUACUPOM", "S"},
        {"NMTIPOCONS", "Todos"},
        {"PRECO", 8.0},
        {"IDTPMODCMD", "N"},
        {"IDTPMODDLV", "N"},
        {"IDTPMODGERAL", "S"},
    };
    const auto defs = vnd::pricetable::precoHoraFieldDefs();
    std::vector<Row> packetRows;
    for (const Values &v : rows)
        packetRows.push_back(rowOf(defs, defaults, v));
    return load(defs, std::move(packetRows), [](ClientDataSet &ds) {
        vnd::pricetable::definePrecoHoraFields(ds);
        vnd::pricetable::installPrecoHoraTextHooks(ds, messages());
    });
}

void set(ClientDataSet &ds, const Values &values)
{
    for (auto it = values.begin(); it != values.end(); ++it)
        ds.fieldByName(it.key()).setValue(it.value());
}

Outcome run(ClientDataSet &ds, const std::function<void()> &rule)
{
    vnd::ScriptedUi ui;
    Outcome out;
    const auto c = QObject::connect(&ds, &ClientDataSet::focusFieldRequested,
                                    [&](int i) { out.focus = ds.field(i).fieldName(); });
    try {
        rule();
    } catch (const vnd::SilentAbort &) {
        out.refused = true;
    }
    QObject::disconnect(c);
    out.message = ui.lastError();
    return out;
}

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace rulestest
