// Renders the shell and each host component to PNG files, for looking at them:
//   widgets-screenshots [OUTPUT_DIR]   (default: <build>/screenshots)

#include "host/services/ui.h"
#include "host/shell/mainwindow.h"
#include "host/shell/moduleloader.h"
#include "host/shell/startup.h"
#include "host/widgets/btnpesquisa.h"
#include "host/widgets/busyanimation.h"
#include "host/widgets/dateeditplus.h"
#include "host/widgets/dbgrid.h"
#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dbtext.h"
#include "host/widgets/dialogrunner.h"
#include "host/widgets/frmpadrao.h"
#include "host/widgets/frmrotigeral.h"
#include "host/widgets/guiuserinterface.h"
#include "host/widgets/hosticons.h"
#include "host/widgets/maskedit.h"
#include "host/widgets/numberedit.h"
#include "host/widgets/pesquisalista.h"
#include "host/widgets/pesquisar.h"
#include "host/widgets/procura.h"
#include "host/widgets/syscolors.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QRadioButton>
#include <QSplitter>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>

#include <cstdio>

using namespace vnd;
using namespace vnd::widgets;

namespace
{

QString g_out;

void save(QWidget *w, const QString &name)
{
    QApplication::processEvents();
    const QString path = g_out + u'/' + name + QStringLiteral(".png");
    w->grab().save(path);
    std::printf("%s\n", qPrintable(path));
}

data::DataPacket tables()
{
    data::DataPacket p;
    p.fields = {{QStringLiteral("CDTABEPREC"), data::FieldType::String, 3},
                {QStringLiteral("NMTABEPREC"), data::FieldType::String, 20}};
    p.rows = {{QStringLiteral("001"), QStringLiteral("TABELA PADRÃO")},
              {QStringLiteral("002"), QStringLiteral("LOJAS SHOPPING")},
              {QStringLiteral("003"), QStringLiteral("DELIVERY")},
              {QStringLiteral("004"), QStringLiteral("FRANQUIAS SUL")}};
    return p;
}

data::DataPacket periods()
{
    data::DataPacket p;
    p.fields = {{QStringLiteral("DTINIVGPREC"), data::FieldType::Date, 0},
                {QStringLiteral("DTFINVGPREC"), data::FieldType::Date, 0},
                {QStringLiteral("IDSITUVIGEN"), data::FieldType::String, 1}};
    p.rows = {{QDate(2024, 1, 1), QDate(2024, 6, 30), QStringLiteral("Aprovada")},
              {QDate(2024, 7, 1), QDate(2024, 12, 31), QStringLiteral("Liberada")},
              {QDate(2025, 1, 1), QDate(2025, 12, 31), QStringLiteral("Pendente")}};
    return p;
}

data::DataPacket items()
{
    data::DataPacket p;
    p.fields = {{QStringLiteral("NRCOMPPROD"), data::FieldType::Integer, 0},
                {QStringLiteral("CDARVPROD"), data::FieldType::String, 20},
                {QStringLiteral("NMPRODUTO"), data::FieldType::String, 40},
                {QStringLiteral("VRPRECITEM"), data::FieldType::Float, 0},
                {QStringLiteral("VRCUSTITEM"), data::FieldType::Float, 0},
                {QStringLiteral("IDPRODPROMOC"), data::FieldType::String, 1},
                {QStringLiteral("HRINIVENPROD"), data::FieldType::String, 4}};
    const char *names[] = {"X-BURGUER",         "X-SALADA",     "BATATA FRITA M",
                           "REFRIGERANTE LATA", "SUCO NATURAL", "COMBO FAMÍLIA",
                           "SORVETE CASQUINHA", "CAFÉ EXPRESSO"};
    for (int i = 0; i < 8; ++i)
        p.rows.push_back({qlonglong(i == 5 ? 3 : 0),
                          QStringLiteral("1010%1").arg(i + 1, 6, 10, QLatin1Char('0')),
                          QString::fromUtf8(names[i]), 9.9 + i * 3.25, i % 3 == 0 ? 12.0 : 8.5,
                          i % 2 ? QStringLiteral("S") : QStringLiteral("N"),
                          i % 4 ? QStringLiteral("1030") : QString()});
    return p;
}

// The owner drawing a price window does: colour by price against cost, right-aligned numbers.
void drawPrices(TDBGrid *grid)
{
    grid->defaultDrawing = false;
    grid->setColor(sysColor(clInfoBk));
    grid->onDrawColumnCell = [grid](const QRect &r, int, TColumn &col, GridDrawState st) {
        TCanvas &c = grid->Canvas();
        data::ClientDataSet *ds = grid->dataSet();
        const double price = ds->fieldByName(u"VRPRECITEM").asFloat();
        const double cost = ds->fieldByName(u"VRCUSTITEM").asFloat();
        c.Brush.Color = st.selected ? sysColor(clHighlight) : sysColor(clInfoBk);
        c.Font.Color = st.selected ? sysColor(clCaptionText) : sysColor(clWindowText);
        if (price < cost)
            c.Font.Color = QColor(255, 0, 0);
        else if (price > cost && cost != 0 && !st.selected)
            c.Font.Color = QColor(0, 0, 255);
        c.FillRect(r);
        QString text = col.field->displayText();
        int x = 2;
        if (col.field->dataType() == data::FieldType::Float) {
            text = QString::number(col.field->asFloat(), 'f', 2).replace(u'.', u',');
            x = r.width() - c.TextWidth(text) - 4;
        } else if (col.fieldName == u"NRCOMPPROD") {
            text = col.field->asInteger() > 0 ? QStringLiteral("◆") : QString();
        } else if (col.fieldName == u"IDPRODPROMOC") {
            text = col.field->asString() == u"S" ? QStringLiteral("Sim") : QStringLiteral("Não");
        } else if (col.fieldName == u"HRINIVENPROD" && !text.isEmpty()) {
            text = text.left(2) + u':' + text.mid(2);
        }
        c.TextOut(r.left() + x, r.top() + 2, text);
        if (st.focused)
            c.DrawFocusRect(r);
    };
}

class DemoWindow : public TfrmPadrao
{
public:
    DemoWindow()
    {
        setWindowTitle(QStringLiteral("Tabela de Preços Geral"));
        lblCodTela->setText(QStringLiteral("VND42700"));
        cdsTabGeral.loadPacket(tables());
        cdsVigencia.loadPacket(periods());
        cdsVigencia.fieldByName(u"DTINIVGPREC").displayLabel = QStringLiteral("Início");
        cdsVigencia.fieldByName(u"DTFINVGPREC").displayLabel = QStringLiteral("Fim");
        cdsVigencia.fieldByName(u"IDSITUVIGEN").displayLabel = QStringLiteral("Situação");
        dtsPadrao->setDataSet(&cdsTabGeral);
        dbgPadrao->addColumn(QStringLiteral("CDTABEPREC"), QStringLiteral("Código"), 51);
        dbgPadrao->addColumn(QStringLiteral("NMTABEPREC"), QStringLiteral("Nome"), 188);
        panDbgPadrao->setFixedWidth(284);
        auto *vig = new TDBGrid;
        vig->setDataSource(&dtsVigencia);
        auto *sheet = static_cast<QHBoxLayout *>(tshFolhaDados->layout());
        sheet->addWidget(vig, 1);
        dbtNome->setDataField(QStringLiteral("NMTABEPREC"));
        for (auto [glyph, tip] :
             {std::pair{Glyph::Exportar, "Exportar Tabela de Preço"},
              std::pair{Glyph::Promocao, "Alteração Automática"},
              std::pair{Glyph::PrecoDiferenciado, "Cadastro Automático de Preços Diferenciados"}}) {
            QAction *a = panMenu->addAction(hostIcon(glyph), QString());
            a->setToolTip(QString::fromUtf8(tip));
        }
        pgcPadrao->addTab(new QWidget, QStringLiteral("Filiais"));
    }
    data::ClientDataSet cdsTabGeral, cdsVigencia;
    data::DataSource dtsVigencia{&cdsVigencia};
};

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));
    shell::nameApplication();
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    installGuiUserInterface();
    g_out = argc > 1 ? QString::fromLocal8Bit(argv[1])
                     : QCoreApplication::applicationDirPath() + QStringLiteral("/../screenshots");
    QDir().mkpath(g_out);

    // Shell with a maintenance window.
    shell::ModuleLoader module;
    module.load(shell::ModuleLoader::defaultPath());
    shell::MainWindow main(module);
    main.setServerStatus(QStringLiteral("Servidor: 127.0.0.1:42700"), true);
    main.setDatabaseStatus(QStringLiteral("Banco de dados: sqlite:demo.db"), true);
    main.show();
    auto *form = CreateForm<DemoWindow>();
    form->Show();
    form->subWindow()->resize(960, 520);
    form->dbgPadrao->setFocus();
    save(&main, QStringLiteral("shell"));

    {
        BusyAnimation busy(BusyServer);
        save(&main, QStringLiteral("busy-animation"));
    }

    // Owner-drawn sortable grid.
    QWidget gridWindow;
    data::ClientDataSet cdsItens;
    cdsItens.loadPacket(items());
    data::DataSource dtsItens(&cdsItens);
    auto *grid = new TDBSortGrid(&gridWindow);
    grid->addColumn(QStringLiteral("NRCOMPPROD"), QStringLiteral(" "), 17);
    grid->addColumn(QStringLiteral("CDARVPROD"), QStringLiteral("Produto"), 110);
    grid->addColumn(QStringLiteral("NMPRODUTO"), QStringLiteral("Nome"), 180);
    grid->addColumn(QStringLiteral("VRPRECITEM"), QStringLiteral("Preço"), 80);
    grid->addColumn(QStringLiteral("VRCUSTITEM"), QStringLiteral("Pr. Calculado"), 90);
    TColumn &promo =
        grid->addColumn(QStringLiteral("IDPRODPROMOC"), QStringLiteral("Promoção"), 70);
    promo.pickList = {QStringLiteral("Sim"), QStringLiteral("Não")};
    grid->addColumn(QStringLiteral("HRINIVENPROD"), QStringLiteral("Hora Inicial"), 80);
    grid->setDataSource(&dtsItens);
    drawPrices(grid);
    auto *gl = new QVBoxLayout(&gridWindow);
    gl->addWidget(grid);
    gridWindow.resize(660, 260);
    gridWindow.show();
    grid->setFocus();
    cdsItens.moveTo(2);
    grid->setSelectedIndex(5);
    save(&gridWindow, QStringLiteral("grid"));

    // Routine window with the edits.
    auto *rot = CreateForm<TfrmRotiGeral>();
    rot->setWindowTitle(QStringLiteral("Cadastro Automático de Preços Diferenciados"));
    rot->lblCodTela->setText(QStringLiteral("VND42705"));
    rot->grbDadosRel->setTitle(QStringLiteral("Dados"));
    auto *form2 = new QFormLayout(rot->grbDadosRel);
    auto *codeRow = new QHBoxLayout;
    auto *code = new TMaskEdit;
    code->setEditMask(QStringLiteral("9.99.999.9999;0; "));
    code->setStoredText(QStringLiteral("1010000003"));
    auto *btn = new TBtnPesquisa;
    auto *name = new QLineEdit(QStringLiteral("BATATA FRITA M"));
    name->setEnabled(false);
    codeRow->addWidget(code);
    codeRow->addWidget(btn);
    codeRow->addWidget(name, 1);
    form2->addRow(QStringLiteral("Produto:"), codeRow);
    auto *hora = new TMaskEdit;
    hora->setEditMask(QStringLiteral("!99:99;1; "));
    hora->setText(QStringLiteral("00:01"));
    form2->addRow(QStringLiteral("Horário De:"), hora);
    auto *de = new TDateEditPlus;
    de->setDate(QDate(2024, 7, 1));
    form2->addRow(QStringLiteral("Validade De:"), de);
    auto *num = new TNumberEdit;
    num->setNumber(12.5);
    form2->addRow(QStringLiteral("Valor:"), num);
    auto *dbt = new TDBText;
    dbt->setDataSource(&dtsItens);
    dbt->setDataField(QStringLiteral("NMPRODUTO"));
    form2->addRow(QStringLiteral("Produto atual:"), dbt);
    auto *radios = new QHBoxLayout;
    radios->addWidget(new QRadioButton(QStringLiteral("Desconto")));
    radios->addWidget(new QRadioButton(QStringLiteral("Acréscimo")));
    form2->addRow(QString(), radios);
    rot->resize(520, 330);
    rot->show();
    save(rot, QStringLiteral("routine-window"));
    de->showCalendar();
    QApplication::processEvents();
    if (QWidget *popup = de->calendar()->parentWidget())
        save(popup, QStringLiteral("date-calendar"));
    rot->close();

    // Dialogs, shot by the responder while shown.
    setDialogResponder([](QDialog &d) {
        d.resize(d.size());
        QApplication::processEvents();
        static int n = 0;
        const char *names[] = {"pesquisar", "pesquisa-lista", "procura", "message-box"};
        save(&d, QString::fromUtf8(names[n++ % 4]));
        d.reject();
    });
    Pesquisar(&dtsItens, QStringLiteral("Produto|Não há produto cadastrado."));
    QString list = makeListText({QStringLiteral("1010000002"), QStringLiteral("1010000005")}, 20);
    data::ClientDataSet keyed;
    data::DataPacket kp = items();
    keyed.loadPacket(kp);
    keyed.fieldByName(u"NRCOMPPROD").visible = false;
    data::DataSource keyedSrc(&keyed);
    PesquisaLista(&keyedSrc, QStringLiteral("CDARVPROD"), QStringLiteral("Produto"), false, list);
    Procura(&cdsItens);
    ShowMsg(QStringLiteral("Deseja excluir a vigência da tabela selecionada?"), mtConfirmation,
            mbYesNo);
    setDialogResponder({});
    form->Close();
    return 0;
}
