// The list picker over 100,000 products, as the export window offers them: opening it with
// half of them already picked, marking all, finding the last product by typing, and the list
// text at confirmation, each against loading the same rows into the dataset (what the window
// does anyway at every click of its list button).

#include "host/services/hostconfig.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/pesquisalista.h"
#include "tools/selection/productselection.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>

#include <cstdio>

using namespace vnd;

namespace
{

const int kProducts = 100000;

data::DataPacket products()
{
    data::DataPacket p;
    p.fields = {{QStringLiteral("IDMARCADO"), data::FieldType::FixedString, 1},
                {QStringLiteral("CDARVPROD"), data::FieldType::String, 20},
                {QStringLiteral("NMPRODUTO"), data::FieldType::String, 50},
                {QStringLiteral("CDPRODUTO"), data::FieldType::String, 10}};
    p.rows.reserve(kProducts);
    for (int i = 1; i <= kProducts; ++i)
        p.rows.push_back({QVariant(), QStringLiteral("1%1").arg(i, 9, 10, QLatin1Char('0')),
                          QStringLiteral("PRODUTO SINTETICO NUMERO %1").arg(i),
                          QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'))});
    return p;
}

double ms(QElapsedTimer &t)
{
    const double v = double(t.nsecsElapsed()) / 1e6;
    t.restart();
    return v;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    hostConfig().productPicture = QStringLiteral("9.99.999.9999");
    const data::DataPacket packet = products();

    data::ClientDataSet ds;
    ds.addField(QStringLiteral("IDMARCADO"), data::FieldType::FixedString, 1);
    selection::applyProductPicture(
        ds.addField(QStringLiteral("CDARVPROD"), data::FieldType::String, 10));
    ds.addField(QStringLiteral("NMPRODUTO"), data::FieldType::String, 50);
    ds.addField(QStringLiteral("CDPRODUTO"), data::FieldType::String, 10).visible = false;
    data::DataSource source(&ds);

    QElapsedTimer t;
    t.start();
    ds.loadPacket(packet);
    const double load = ms(t);

    QStringList half;
    for (int i = 1; i <= kProducts; i += 2)
        half << QStringLiteral("%1").arg(i, 10, 10, QLatin1Char('0'));
    const QString list = widgets::makeListText(half, 10);
    t.restart();
    widgets::PesquisaListaDialog dialog(&source, QStringLiteral("CDPRODUTO"),
                                        QStringLiteral("Produto"), list);
    dialog.show();
    QApplication::processEvents();
    const double open = ms(t);

    dialog.markAll(true);
    QApplication::processEvents();
    const double markAll = ms(t);

    const QString last = packet.rows.back()[1].toString();
    dialog.seek(last.left(1));
    const double firstSeek = ms(t);
    for (int n = 2; n <= last.size(); ++n)
        dialog.seek(last.left(n));
    const double typing = ms(t) / (last.size() - 1);
    const bool found = ds.recNo() == kProducts - 1;

    const QString text = dialog.listText();
    const double listText = ms(t);

    dialog.grid()->viewport()->repaint();
    const double paint = ms(t);

    std::printf("List picker over %d products (load of the same rows into the dataset: %.0f ms)\n",
                kProducts, load);
    std::printf("  open with %lld picked and show: %.0f ms, ratio %.2f\n",
                static_cast<long long>(half.size()), open, open / load);
    std::printf("  mark all: %.0f ms, ratio %.2f (marked %d)\n", markAll, markAll / load,
                dialog.markedCount());
    std::printf("  first key typed in the search line (reads the column once): %.0f ms, ratio "
                "%.2f\n",
                firstSeek, firstSeek / load);
    std::printf("  each further key: %.1f ms, ratio %.3f (last product found: %s)\n", typing,
                typing / load, found ? "yes" : "NO");
    std::printf("  list text of every product: %.0f ms, ratio %.2f (%lld characters)\n", listText,
                listText / load, static_cast<long long>(text.size()));
    std::printf("  repaint of the visible rows: %.1f ms\n", paint);
    return found ? 0 : 1;
}
