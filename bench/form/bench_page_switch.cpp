// Opening the form page of the price table window on a large catalogue (load of the item
// and day/hour prices, the item filter, first paint) against the bare load of the same item
// packet into a client dataset. Prints the ratio; run by hand:
//   bench_page_switch [products]   (default 100000)

#include "benchhost.h"

#include "contracts/rdmtabgeral.h"
#include "host/net/netconnection.h"
#include "host/services/scriptedui.h"
#include "host/widgets/formlifecycle.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/itempricefields.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>

#include <algorithm>
#include <cstdio>

using namespace vnd;

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int products = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;

    server::bench::BenchServer server(products, 4);
    server::bench::pointHostAt(server);
    ScriptedUi ui;

    pricetable::TfrmTabGeral *win = widgets::CreateForm<pricetable::TfrmTabGeral>();
    if (!win) {
        std::fprintf(stderr, "a janela não abriu: %s\n", qPrintable(ui.lastError()));
        return 1;
    }
    win->Show();
    app.processEvents();
    if (!win->cdsVigenciaTab->locate({QStringLiteral("DTINIVGPREC")}, {server.currentStart()})) {
        std::fprintf(stderr, "período corrente não encontrado\n");
        return 1;
    }

    double best = 1e18, bestBare = 1e18;
    int rows = 0;
    for (int round = 0; round < 3; ++round) {
        win->pgcPadrao->setCurrentWidget(win->tshFolhaDados);
        app.processEvents();
        win->cdsVigenciaTab->locate({QStringLiteral("DTINIVGPREC")}, {server.currentStart()});

        QElapsedTimer t;
        t.start();
        win->pgcPadrao->setCurrentWidget(win->tshFormulario);
        app.processEvents();
        const QPixmap painted = win->grab();
        best = std::min(best, double(t.nsecsElapsed()));
        rows = win->cdsItemPreco->recordCount();
        if (painted.isNull() || !ui.errors().isEmpty()) {
            std::fprintf(stderr, "falha: %s\n", qPrintable(ui.lastError()));
            return 1;
        }

        net::TNetConnection conn;
        conn.Host = QStringLiteral("127.0.0.1");
        conn.Port = server.port();
        contracts::RdmTabGeral rdm(conn);
        data::ClientDataSet bare;
        pricetable::defineItemPrecoFields(bare);
        QString product, mark = QStringLiteral("T");
        t.restart();
        bare.loadPacket(
            CheckResultServ(rdm.getItemPreco(QStringLiteral("001"), server.currentStart(),
                                             QStringLiteral("4"), product, mark),
                            true, 0));
        bestBare = std::min(bestBare, double(t.nsecsElapsed()));
    }
    std::printf("produtos: %d, linhas no grid: %d\n", products, rows);
    std::printf("troca para o formulário (itens + preços diferenciados + filtro + pintura): "
                "%.3f s\n",
                best / 1e9);
    std::printf("carga simples do mesmo pacote de itens: %.3f s\n", bestBare / 1e9);
    std::printf("razão: %.2f\n", best / bestBare);
    win->Close();
    app.processEvents();
    return 0;
}
