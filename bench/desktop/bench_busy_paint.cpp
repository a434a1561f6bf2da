// The windows under the bulk tools on a large catalogue: from the user's "Sim" to the first
// paint of the busy animation, and how steadily it turns while the call runs (frames painted
// against one every 90 ms, the longest time without a frame). Export "Todos", export "Lista"
// with every product ticked, and the differentiated price for all products, each over the
// price table window. Run by hand, on a display or offscreen:
//   bench_busy_paint [products]   (default 100000)

#include "benchhost.h"

#include "host/services/ui.h"
#include "host/widgets/busyoverlay.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/formlifecycle.h"
#include "host/widgets/numberedit.h"
#include "host/widgets/pesquisalista.h"
#include "host/widgets/tedit.h"
#include "pricetable/frmtabgeral.h"
#include "pricetable/tabgeralstate.h"
#include "tools/diffprice/frmcadautprecodeferenciado.h"
#include "tools/export/frmimportatabela.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include <algorithm>
#include <cstdio>

using namespace vnd;

namespace
{

QElapsedTimer g_clock;

// Answers every question Yes and notes when; keeps the messages.
class TimedYes final : public UserInterface
{
public:
    qint64 answeredAt = -1;
    QStringList errors, infos;
    void showError(const QString &text) override { errors << text; }
    void showInfo(const QString &text) override { infos << text; }
    int ask(const QString &, int, int) override
    {
        answeredAt = g_clock.nsecsElapsed();
        return mrYes;
    }
};

// Every paint of the busy animation.
class PaintClock final : public QObject
{
public:
    QList<qint64> paints;
    bool eventFilter(QObject *o, QEvent *e) override
    {
        if (e->type() == QEvent::Paint && qobject_cast<widgets::Internal::BusyOverlay *>(o))
            paints << g_clock.nsecsElapsed();
        return false;
    }
};

struct Figures {
    double firstPaintMs = -1, callMs = 0, longestGapMs = 0, frameRatio = 0;
};

// Runs the confirmation; the call ends when the last message is shown (or the window went).
Figures measure(TimedYes &ui, PaintClock &clock, const std::function<void()> &confirm)
{
    ui.answeredAt = -1;
    clock.paints.clear();
    confirm();
    const qint64 end = g_clock.nsecsElapsed();
    Figures f;
    if (ui.answeredAt < 0)
        return f;
    QList<qint64> after;
    for (qint64 t : clock.paints)
        if (t >= ui.answeredAt)
            after << t;
    f.callMs = (end - ui.answeredAt) / 1e6;
    if (after.isEmpty())
        return f;
    f.firstPaintMs = (after.first() - ui.answeredAt) / 1e6;
    qint64 gap = 0;
    for (int i = 1; i < after.size(); ++i)
        gap = std::max(gap, after[i] - after[i - 1]);
    gap = std::max(gap, end - after.last());
    f.longestGapMs = gap / 1e6;
    f.frameRatio = after.size() / std::max(1.0, f.callMs / 90.0);
    return f;
}

void report(const char *what, const Figures &f)
{
    std::printf("%s\n", what);
    std::printf("  from \"Sim\" to the first paint of the animation: %.1f ms\n", f.firstPaintMs);
    std::printf("  call and reloads: %.2f s; frames painted / frames due (one per 90 ms): %.2f; "
                "longest time without a frame: %.0f ms\n",
                f.callMs / 1000, f.frameRatio, f.longestGapMs);
}

void typeInto(QLineEdit *field, const QString &text)
{
    field->setFocus();
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Delete);
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Tab);
}

exporttable::TfrmImportaTabela *openExport(const QString &destination)
{
    auto *w = widgets::CreateForm<exporttable::TfrmImportaTabela>();
    w->show();
    (void)QTest::qWaitForWindowExposed(w);
    typeInto(w->edtTabelaOrig, QStringLiteral("001"));
    typeInto(w->edtTabelaDest, destination);
    typeInto(w->edtNmTabelaDest, QStringLiteral("BENCH ") + destination);
    return w;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int products = argc > 1 ? std::max(1, atoi(argv[1])) : 100000;
    std::fprintf(stderr, "loading %d synthetic products...\n", products);
    server::bench::BenchServer server(products, 4);
    server::bench::pointHostAt(server);
    TimedYes ui;
    setUserInterface(&ui);
    g_clock.start();
    PaintClock clock;
    app.installEventFilter(&clock);

    auto *win = widgets::CreateForm<pricetable::TfrmTabGeral>();
    if (!win)
        return 1;
    pricetable::frmTabGeral = win;
    win->Show();
    (void)QTest::qWaitForWindowExposed(win);
    win->cdsVigenciaTab->locate({QStringLiteral("DTINIVGPREC")}, {server.currentStart()});
    win->pgcPadrao->setCurrentWidget(win->tshFormulario);
    app.processEvents();

    std::printf("platform %s, %d products, %d item rows in the price table window\n",
                qPrintable(QGuiApplication::platformName()), products,
                win->cdsItemPreco->recordCount());

    auto *all = openExport(QStringLiteral("901"));
    const Figures todos = measure(ui, clock, [all] { all->sbtConfirma->click(); });
    report("Export, \"Todos\":", todos);

    auto *list = openExport(QStringLiteral("902"));
    list->rbtListaProd->click();
    QElapsedTimer picking;
    picking.start();
    {
        widgets::ScopedDialogResponder tickAll([](QDialog &d) {
            for (QPushButton *b : d.findChildren<QPushButton *>())
                if (b->text().remove(u'&') == QStringLiteral("Marcar todos"))
                    b->click();
            d.accept();
        });
        list->btpProduto->click();
    }
    const double pickMs = picking.nsecsElapsed() / 1e6;
    const Figures lista = measure(ui, clock, [list] { list->sbtConfirma->click(); });
    std::printf("Export, \"Lista\" (picker with every product ticked: %.2f s):\n", pickMs / 1000);
    report("", lista);

    auto *diff = widgets::CreateForm<diffprice::TfrmCadAutPrecoDeferenciado>();
    diff->show();
    (void)QTest::qWaitForWindowExposed(diff);
    diff->chbDomingo->click();
    typeInto(diff->numValPer, QStringLiteral("1,00"));
    const pricetable::CurrentPeriod period = pricetable::currentPeriodOf(*win->cdsVigenciaTab);
    diff->depValidadeDe->setDate(period.dtIniVgPrec);
    diff->depValidadeAte->setDate(period.dtFinVgPrec);
    const Figures rule = measure(ui, clock, [diff] { diff->sbtConfirma->click(); });
    report("Differentiated price, all products, Sunday:", rule);

    if (!ui.errors.isEmpty()) {
        std::fprintf(stderr, "errors: %s\n", qPrintable(ui.errors.join(u'\n')));
        return 1;
    }
    win->Close();
    app.processEvents();
    return 0;
}
