// Day/hour prices of 1,000,000 rules with the decimal type against the same loop in doubles
// (goal: at most 1.5 times the doubles), and the share of typed prices that reload as typed
// with binary arithmetic and with the decimal.

#include "host/services/codes.h"
#include "pricing/dayhourprice.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <vector>

using vnd::pricing::DayHourTerms;
using vnd::pricing::Decimal;

namespace
{

constexpr int kRules = 1'000'000;
constexpr int kRounds = 7;

struct Rule {
    DayHourTerms terms;
    double value, item, client;
    Decimal dValue, dItem, dClient;
};

std::vector<Rule> makeRules()
{
    std::mt19937_64 rng(42);
    std::uniform_int_distribution<int> cents(1, 99999), percent(1, 9999), kind(0, 3);
    std::vector<Rule> rules(kRules);
    for (Rule &r : rules) {
        r.terms = {kind(rng) >= 2, kind(rng) % 2 == 0};
        const int value = r.terms.fixedAmount ? cents(rng) % 1000 : percent(rng);
        const int item = cents(rng), client = cents(rng) % 7 == 0 ? cents(rng) % 500 : 0;
        r.dValue = Decimal::fromUnits(value * 100LL);
        r.dItem = Decimal::fromUnits(item * 100LL);
        r.dClient = Decimal::fromUnits(client * 100LL);
        r.value = r.dValue.toDouble();
        r.item = r.dItem.toDouble();
        r.client = r.dClient.toDouble();
    }
    return rules;
}

// The binary arithmetic the windows and the server used, with a cut to two decimals.
template <typename Cut> double binaryPrice(DayHourTerms t, double v, double base, Cut cut2)
{
    if (t.fixedAmount)
        return t.increase ? v + base : base - v;
    const double a = cut2(v / 100 * base);
    return cut2(t.increase ? a + base : base - a);
}

double bareCut2(double x)
{
    return std::trunc(x * 100) / 100;
}

// Fastest of kRounds runs, in seconds; sink keeps the work observable.
template <typename Loop> double best(Loop loop, double &sink)
{
    double fastest = 1e9;
    for (int i = 0; i < kRounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        sink += loop();
        const std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
        fastest = std::min(fastest, d.count());
    }
    return fastest;
}

void speed()
{
    const std::vector<Rule> rules = makeRules();
    double sink = 0;
    const double decimal = best(
        [&] {
            std::int64_t sum = 0;
            for (const Rule &r : rules)
                sum += vnd::pricing::priceFromValue(r.terms, r.dValue, r.dItem + r.dClient).units();
            return double(sum);
        },
        sink);
    const double edges = best(
        [&] {
            double sum = 0;
            for (const Rule &r : rules) {
                const Decimal base = *Decimal::fromDouble(r.item) + *Decimal::fromDouble(r.client);
                sum += vnd::pricing::priceFromValue(r.terms, *Decimal::fromDouble(r.value), base)
                           .toDouble();
            }
            return sum;
        },
        sink);
    const double bare = best(
        [&] {
            double sum = 0;
            for (const Rule &r : rules)
                sum += binaryPrice(r.terms, r.value, r.item + r.client, bareCut2);
            return sum;
        },
        sink);
    const double host = best(
        [&] {
            double sum = 0;
            for (const Rule &r : rules)
                sum += binaryPrice(r.terms, r.value, r.item + r.client,
                                   [](double x) { return vnd::Trunc2(x); });
            return sum;
        },
        sink);
    std::printf("day/hour prices of %d rules, fastest of %d runs (checksum %.0f)\n", kRules,
                kRounds, sink);
    std::printf("  doubles, bare trunc(x*100)/100:        %7.2f ms\n", bare * 1e3);
    std::printf("  decimal:                               %7.2f ms\n", decimal * 1e3);
    std::printf("  decimal, from and to doubles included: %7.2f ms\n", edges * 1e3);
    std::printf("  doubles, cut on the shortest form:     %7.2f ms (the former arithmetic)\n",
                host * 1e3);
    std::printf("  ratio decimal / doubles: %.2f (goal <= 1.5)\n", decimal / bare);
    std::printf("  ratio decimal with conversions / doubles: %.2f\n", edges / bare);
    std::printf("  ratio decimal / former arithmetic: %.3f\n", decimal / host);
}

// Typed price -> value -> price again, as saving and reloading a rule does, for every base
// from `from` to `to` cents in steps of 7 (every cent ending).
void reloadShare(int from, int to)
{
    const DayHourTerms discount{false, false}, increase{false, true};
    long total[2] = {0, 0}, binaryKept[2] = {0, 0}, decimalKept[2] = {0, 0};
    const auto cut = [](double x) { return vnd::Trunc2(x); };
    for (int b = from; b <= to; b += 7) {
        const Decimal base = Decimal::fromUnits(b * 100LL);
        const double baseD = base.toDouble();
        for (int p = 1; p < 2 * b; p += 1 + b / 300) {
            const int k = p > b ? 1 : 0;
            const DayHourTerms t = k ? increase : discount;
            const Decimal typed = Decimal::fromUnits(p * 100LL);
            const double typedD = typed.toDouble();
            ++total[k];

            const double percentD = cut(typedD * 100 / baseD) - 100;
            const double valueD = t.increase ? percentD : std::abs(percentD);
            binaryKept[k] += binaryPrice(t, valueD, baseD, cut) == typedD;

            const Decimal value = vnd::pricing::valueFromPrice(t, typed, base);
            decimalKept[k] += vnd::pricing::priceFromValue(t, value, base) == typed;
        }
    }
    std::printf("typed prices that reload as typed, percentage rules, bases %.2f-%.2f:\n",
                from / 100.0, to / 100.0);
    const char *names[] = {"discount (typed below the base)", "increase (typed above the base)"};
    for (int k = 0; k < 2; ++k)
        std::printf("  %s: binary %.2f %%, decimal %.2f %% of %ld\n", names[k],
                    100.0 * binaryKept[k] / total[k], 100.0 * decimalKept[k] / total[k], total[k]);
}

} // namespace

int main()
{
    speed();
    // Below 100.00 a cut percentage loses less than a cent of the base; above, it may not.
    reloadShare(1, 9999);
    reloadShare(10000, 99999);
    return 0;
}
