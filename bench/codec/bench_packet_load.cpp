// Loading a period's item prices: 100,000 rows of the item-price layout, decoded from JSON
// and CBOR and loaded into a client dataset, against a bare loop that builds the same rows
// as QVariants from plain C++ data (the cost no decoder can avoid). Prints ratios, CBOR's
// decode against JSON's, and the heap a loaded dataset holds against the body's size.

#include "host/data/clientdataset.h"
#include "wire/codec.h"

#include <QCoreApplication>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

using namespace vnd::data;

namespace
{

constexpr int kRows = 100000;

QList<FieldDef> itemPriceFields()
{
    return {
        {"NMPRODUTO", FieldType::String, 50},    {"CDPRODUTO", FieldType::String, 10},
        {"CDTABEPREC", FieldType::String, 3},    {"CDPRPAITABPR", FieldType::String, 10},
        {"NRCOMPPROD", FieldType::Float, 0},     {"VRPRECITEM", FieldType::Float, 0},
        {"VRPRECITEMCMD", FieldType::Float, 0},  {"VRPRECITEMDLV", FieldType::Float, 0},
        {"VRPRECITEMCL", FieldType::Float, 0},   {"DTINIVGPREC", FieldType::DateTime, 0},
        {"IDPRECVARIA", FieldType::String, 1},   {"VRPRESUGITEM", FieldType::Float, 0},
        {"CDARVPROD", FieldType::String, 20},    {"VRCUSTITEM", FieldType::Float, 0},
        {"VRMKUPITEM", FieldType::Float, 0},     {"IDPRODPROMOC", FieldType::String, 1},
        {"CDBARPRODUTO", FieldType::String, 30}, {"HRINIVENPROD", FieldType::String, 4},
        {"HRFIMVENPROD", FieldType::String, 4},
    };
}

// The source rows as plain data: what a database scan would hand over.
struct Source {
    std::string name, code, parent, tree, bar;
    double comp, price, cmd, dlv, cl, sug, cost, markup;
    bool hasCmd, hasDlv;
    bool variable, promo;
};

std::vector<Source> makeSource()
{
    std::vector<Source> out;
    out.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        char code[16];
        std::snprintf(code, sizeof code, "%010d", i + 1);
        char tree[24];
        std::snprintf(tree, sizeof tree, "%d.%02d.%03d.%04d", 1 + i % 9, i % 100, i % 1000,
                      i % 10000);
        const double price = (i % 50000) / 100.0 + 0.99;
        out.push_back({"PRODUTO DE TESTE NUMERO " + std::to_string(i), code, code, tree,
                       "789" + std::string(code), double(i % 3), price, price + 1.5, price + 2.25,
                       price * 0.9, price * 1.1, price * 0.6, 66.67, i % 4 != 0, i % 5 != 0,
                       i % 7 == 0, i % 11 == 0});
    }
    return out;
}

Row toRow(const Source &s, const QDateTime &start)
{
    Row row;
    row.reserve(19);
    row << QString::fromStdString(s.name) << QString::fromStdString(s.code) << QStringLiteral("001")
        << QString::fromStdString(s.parent) << s.comp << s.price
        << (s.hasCmd ? QVariant(s.cmd) : QVariant()) << (s.hasDlv ? QVariant(s.dlv) : QVariant())
        << s.cl << start << QString(s.variable ? u'S' : u'N') << s.sug
        << QString::fromStdString(s.tree) << s.cost << s.markup << QString(s.promo ? u'S' : u'N')
        << QString::fromStdString(s.bar) << QStringLiteral("0800") << QStringLiteral("2200");
    return row;
}

// Bytes the allocator has handed out and not taken back.
std::size_t heapInUse()
{
    return mallinfo2().uordblks;
}

double bestOf3(const std::function<void()> &f)
{
    double best = 1e300;
    for (int i = 0; i < 3; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        f();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        best = std::min(best, d.count());
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const std::vector<Source> source = makeSource();
    const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));

    std::size_t sink = 0;
    const double bare = bestOf3([&] {
        std::vector<std::vector<QVariant>> rows;
        rows.reserve(source.size());
        for (const Source &s : source) {
            const Row r = toRow(s, start);
            rows.emplace_back(r.begin(), r.end());
        }
        sink += rows.size();
    });

    DataPacket packet;
    packet.fields = itemPriceFields();
    packet.rows.reserve(source.size());
    for (const Source &s : source)
        packet.rows.push_back(toRow(s, start));
    const Value value(std::move(packet));

    std::printf("%d rows x 19 fields; bare build of the rows: %.3f s\n", kRows, bare);
    double decodeSeconds[2] = {0, 0};
    for (Encoding enc : {Encoding::Json, Encoding::Cbor}) {
        const char *name = enc == Encoding::Json ? "JSON" : "CBOR";
        QByteArray body;
        const double encode = bestOf3([&] { body = encodeValue(value, enc); });
        const double decode = bestOf3([&] { sink += decodeValue(body, enc).packet().rows.size(); });
        decodeSeconds[enc == Encoding::Cbor] = decode;
        const double load = bestOf3([&] {
            ClientDataSet ds;
            ds.loadPacket(std::move(decodeValue(body, enc).packet()));
            sink += std::size_t(ds.recordCount());
        });
        std::size_t held = 0;
        {
            const std::size_t before = heapInUse();
            ClientDataSet ds;
            ds.loadPacket(std::move(decodeValue(body, enc).packet()));
            held = heapInUse() - before;
            sink += std::size_t(ds.recordCount());
        }
        std::printf("%s: %.1f MiB  encode/bare %.2f  decode/bare %.2f  decode+load/bare %.2f  "
                    "dataset heap/body %.2f\n",
                    name, body.size() / 1048576.0, encode / bare, decode / bare, load / bare,
                    double(held) / double(body.size()));
    }
    std::printf("CBOR decode / JSON decode: %.2f (goal: 1 or less)\n",
                decodeSeconds[1] / decodeSeconds[0]);
    return sink == 0 ? 1 : 0;
}
