// Cost of moving to another item: switching the day/hour filter to one product and going
// to its first rule, with 1,000,000 day/hour records against 1,000. The ratio must stay
// near 1: the switch costs what it finds, not what the dataset holds.

#include "bench/benchstats.h"
#include "host/data/clientdataset.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace vnd::data;

namespace
{

using vnd::bench::median;

constexpr int kRulesPerProduct = 10;
constexpr int kSwitches = 1000;

QString code(int n, int width)
{
    return QStringLiteral("%1").arg(n, width, 10, QLatin1Char('0'));
}

// The fields of the day/hour price records, one product per kRulesPerProduct rows.
DataPacket dayHourPacket(int records)
{
    DataPacket p;
    const auto text = [&](const char *n, int size) {
        p.fields.append({QString::fromLatin1(n), FieldType::FixedString, size});
    };
    const auto other = [&](const char *n, FieldType t, int size = 0) {
        p.fields.append({QString::fromLatin1(n), t, size});
    };
    text("CDTABEPREC", 3);
    other("DTINIVGPREC", FieldType::DateTime);
    text("CDPRPAITABPR", 10);
    text("CDPRODUTO", 10);
    text("NRDIASEMANPR", 1);
    text("IDPERVALORPR", 1);
    text("IDDESCACREPR", 1);
    text("HRINIPRECDIA", 4);
    text("HRFINPRECDIA", 4);
    other("VRPRECODIA", FieldType::Float);
    other("DTINIVALPREC", FieldType::DateTime);
    other("DTFINVALPREC", FieldType::DateTime);
    other("CDTIPOCONSPD", FieldType::String, 2);
    other("IDVISUACUPOM", FieldType::String, 1);
    other("NMTIPOCONS", FieldType::String, 20);
    other("PRECO", FieldType::Float);
    other("PRECOCMD", FieldType::Float);
    other("PRECODLV", FieldType::Float);
    other("IDTPMODCMD", FieldType::String, 1);
    other("IDTPMODDLV", FieldType::String, 1);
    other("IDTPMODGERAL", FieldType::String, 1);
    other("VRPRECODIACMD", FieldType::Float);
    other("VRPRECODIADLV", FieldType::Float);

    const QDateTime period(QDate(2024, 1, 1), QTime(0, 0));
    const QDateTime until(QDate(2024, 12, 31), QTime(0, 0));
    const QString table = QStringLiteral("001"), percent = QStringLiteral("P"),
                  discount = QStringLiteral("D"), all = QStringLiteral("T"),
                  yes = QStringLiteral("S"), no = QStringLiteral("N"),
                  general = QStringLiteral("Todos"), from = QStringLiteral("0800"),
                  to = QStringLiteral("1800");
    p.rows.reserve(records);
    QString product;
    for (int i = 0; i < records; ++i) {
        if (i % kRulesPerProduct == 0)
            product = code(i / kRulesPerProduct, 10);
        const QString day = QString::number(i % kRulesPerProduct % 7 + 1);
        p.rows.push_back(Row{table, period, product, product, day, percent,    discount,  from,
                             to,    10.0,   period,  until,   all, no,         general,   9.0,
                             9.0,   9.0,    no,      no,      yes, QVariant(), QVariant()});
    }
    return p;
}

// One dataset and its item moves; both sizes live side by side and are measured in
// alternating rounds, so that neither profits from a warmer machine.
class Bench
{
public:
    explicit Bench(int records) : m_products(records / kRulesPerProduct)
    {
        DataPacket packet = dayHourPacket(records);
        QElapsedTimer t;
        t.start();
        m_ds.loadPacket(std::move(packet));
        loadNsPerRow = double(t.nsecsElapsed()) / records;
        moveToItem(0); // the hash index is built once, on the first switch
    }

    void moveToItem(int item)
    {
        const QString p = code(item % m_products, 10);
        m_ds.setFiltered(false);
        m_ds.setFilter(QStringLiteral("CDPRODUTO = '%1' and CDPRPAITABPR = '%1'").arg(p));
        m_ds.setFiltered(true);
        m_ds.first();
        matched += m_ds.recordCount();
    }

    // Average nanoseconds of one switch over a round.
    double round(int first)
    {
        QElapsedTimer t;
        t.start();
        for (int i = 0; i < kSwitches; ++i)
            moveToItem((first + i) * 7919);
        return double(t.nsecsElapsed()) / kSwitches;
    }

    double loadNsPerRow = 0;
    long matched = 0;

private:
    ClientDataSet m_ds;
    int m_products;
};

} // namespace

int main()
{
    constexpr int kRounds = 15;
    Bench small(1000);
    Bench large(1000000);
    std::vector<double> smallNs, largeNs;
    for (int r = 0; r < kRounds; ++r) {
        smallNs.push_back(small.round(r * kSwitches));
        largeNs.push_back(large.round(r * kSwitches));
    }
    const double s = median(smallNs), l = median(largeNs);
    const double sBest = *std::min_element(smallNs.begin(), smallNs.end());
    const double lBest = *std::min_element(largeNs.begin(), largeNs.end());
    std::printf("day/hour filter switch + first(): median of %d rounds of %d switches\n", kRounds,
                kSwitches);
    std::printf("  1,000 records:     %8.1f us per switch (%ld rows found)\n", s / 1000,
                small.matched);
    std::printf("  1,000,000 records: %8.1f us per switch (%ld rows found)\n", l / 1000,
                large.matched);
    std::printf("  ratio 1M / 1k: median %.2f, best %.2f (goal: 1.2 or less)\n", l / s,
                lBest / sBest);
    std::printf("load cost per row 1M / 1k: %.2f (page faults of the larger heap included)\n",
                large.loadNsPerRow / small.loadNsPerRow);
    return 0;
}
