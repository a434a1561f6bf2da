// The form page's spreadsheets through the real window: the export of what the grids show
// to a workbook and to CSV files, and the import of a CSV file through its preview.

#include "formfixture.h"

#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"
#include "pricetable/frmpreviaimportacao.h"

#include <QLabel>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

namespace vnd::pricetable::test
{
namespace
{

class Sheets : public FormFixture
{
protected:
    void SetUp() override
    {
        FormFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(m_dir.isValid());
        openForm();
    }
    // scripts/check-sheets.sh opens the files of the last run in a spreadsheet program.
    void TearDown() override
    {
        const QString keep = qEnvironmentVariable("VND_SHEETS_KEEP");
        if (!keep.isEmpty())
            for (const QFileInfo &f : QDir(m_dir.path()).entryInfoList(QDir::Files)) {
                QFile::remove(keep + u'/' + f.fileName());
                QFile::copy(f.filePath(), keep + u'/' + f.fileName());
            }
        FormFixture::TearDown();
    }

    // The command's key with the file dialog answered as a user does (the folder picked, the
    // name typed, the accept button), and the import preview, when one opens, handed to
    // `preview`.
    void runWithFile(QKeyCombination key, const QString &path,
                     const std::function<void(TfrmPreviaImportacao &)> &preview = {})
    {
        widgets::ScopedDialogResponder answer([&](QDialog &d) {
            if (auto *p = qobject_cast<TfrmPreviaImportacao *>(&d)) {
                ASSERT_TRUE(preview) << "unexpected preview";
                preview(*p);
                return;
            }
            auto *files = qobject_cast<QFileDialog *>(&d);
            ASSERT_TRUE(files);
            auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            auto *box = files->findChild<QDialogButtonBox *>();
            ASSERT_TRUE(name && box);
            files->setDirectory(QFileInfo(path).absolutePath());
            name->setFocus();
            QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(name, QFileInfo(path).fileName());
            // The dialog may first take the click to read the folder.
            for (int i = 0; i < 20 && d.isVisible(); ++i) {
                QTest::qWait(50);
                for (QAbstractButton *b : box->buttons())
                    if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
                        QTest::mouseClick(b, Qt::LeftButton);
            }
        });
        // As the user comes back to the window after a dialog.
        win().window()->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(win().window()));
        win().dbsItemPreco->setFocus();
        QTest::keyClick(win().dbsItemPreco, key.key(), key.keyboardModifiers());
        QApplication::processEvents();
    }

    void writeFile(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    // Every stored price and rule, in key order: what a save may have touched.
    QStringList dump() const
    {
        QStringList out;
        for (const char *sql :
             {"SELECT * FROM ITEMPRECO ORDER BY 1, 2, 3, 4",
              "SELECT * FROM ITEMPRECODIA ORDER BY 1, 2, 3, 4, 5, 6, 7, 8, 9",
              "SELECT CDPRODUTO, NMPRODUTO, CDBARPRODUTO FROM PRODUTO ORDER BY 1"}) {
            QSqlQuery q(const_cast<Sheets *>(this)->database().connection());
            q.exec(QString::fromLatin1(sql));
            while (q.next()) {
                QStringList row;
                for (int i = 0; i < q.record().count(); ++i)
                    row << q.value(i).toString();
                out << row.join(u'|');
            }
        }
        return out;
    }

    double storedPrice(const char *product)
    {
        return stored(QStringLiteral("SELECT VRPRECITEM FROM ITEMPRECO WHERE CDTABEPREC = '001' "
                                     "AND DTINIVGPREC = ? AND CDPRODUTO = ?"),
                      {periodStart(), QString::fromLatin1(product)})
            .toDouble();
    }

    // What the preview shows for the row of a file line: its situation.
    static QString situation(TfrmPreviaImportacao &p, int line)
    {
        QAbstractItemModel *m = p.grdPrevia->model();
        for (int r = 0; r < m->rowCount(); ++r)
            if (m->index(r, 0).data().toInt() == line)
                return m->index(r, m->columnCount() - 1).data().toString();
        return QStringLiteral("(linha %1 não listada)").arg(line);
    }

    static QStringList lines(const QString &path, bool *bom = nullptr)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {};
        QByteArray bytes = f.readAll();
        if (bom)
            *bom = bytes.startsWith("\xEF\xBB\xBF");
        if (bytes.startsWith("\xEF\xBB\xBF"))
            bytes.remove(0, 3);
        QStringList out = QString::fromUtf8(bytes).split(QStringLiteral("\r\n"));
        if (!out.isEmpty() && out.last().isEmpty())
            out.removeLast();
        return out;
    }

    qint64 count(const QString &sql) { return stored(sql, {periodStart()}).toLongLong(); }
    QString periodStart() const
    {
        return const_cast<Sheets *>(this)
            ->win()
            .cdsVigenciaTab->fieldByName(u"DTINIVGPREC")
            .asDate()
            .toString(Qt::ISODate);
    }

    QTemporaryDir m_dir;
};

TEST_F(Sheets, CsvExportHoldsTheGridsTitlesAndValuesInBrazilianForm)
{
    const QString path = m_dir.filePath(QStringLiteral("precos.csv"));
    runWithFile(Qt::CTRL | Qt::Key_E, path);
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();

    bool bom = false;
    const QStringList items = lines(path, &bom);
    EXPECT_TRUE(bom);
    ASSERT_FALSE(items.isEmpty());
    EXPECT_EQ(items[0], QStringLiteral("Produto;Código de Barra;Nome;Preço;Preço Subs.;"
                                       "Pr. Delivery;Pr. Comanda;Pr. Variável;Pr. Sugerido;"
                                       "Pr. Calculado;Mark Up;Promoção;Hora Inicial;Hora Final"));
    EXPECT_EQ(items.size() - 1, count(QStringLiteral("SELECT COUNT(*) FROM PRODUTO WHERE "
                                                     "CDNVPRODUTO = 4 AND ? <> ''")));
    // The demo's first soft drink, its prices read from the database and written by hand.
    QStringList expected{QStringLiteral("1.01.001.0001"), QStringLiteral("7891000007919"),
                         QStringLiteral("REFRIGERANTE COLA LATA 350ML")};
    for (const char *column : {"VRPRECITEM", "VRPRECITEMCL", "VRPRECITEMDLV", "VRPRECITEMCMD",
                               "IDPRECVARIA", "VRPRESUGITEM", "VRCUSTITEM", "VRMKUPITEM",
                               "IDPRODPROMOC", "HRINIVENPROD", "HRFIMVENPROD"}) {
        const QVariant v = stored(QStringLiteral("SELECT %1 FROM ITEMPRECO WHERE CDTABEPREC = "
                                                 "'001' AND DTINIVGPREC = ? AND CDPRODUTO = "
                                                 "'0000000001'")
                                      .arg(QLatin1String(column)),
                                  {periodStart()});
        if (v.typeId() == QMetaType::Double)
            expected << QString::number(v.toDouble(), 'f', 2).replace(u'.', u',');
        else if (v.toString() == u"S" || v.toString() == u"N")
            expected << (v.toString() == u"S" ? QStringLiteral("Sim") : QStringLiteral("Não"));
        else
            expected << v.toString();
    }
    EXPECT_TRUE(items.contains(expected.join(u';'))) << expected.join(u';').toStdString() << "\n"
                                                     << items.mid(0, 3).join(u'\n').toStdString();

    const QStringList rules =
        lines(m_dir.filePath(QStringLiteral("precos - Preços Diferenciados.csv")));
    ASSERT_FALSE(rules.isEmpty());
    EXPECT_TRUE(rules[0].startsWith(QStringLiteral("Produto;Nome;Dia;Tipo Consumidor;")))
        << rules[0].toStdString();
    EXPECT_EQ(rules.size() - 1,
              count(QStringLiteral("SELECT COUNT(*) FROM ITEMPRECODIA WHERE CDTABEPREC = '001' "
                                   "AND DTINIVGPREC = ?")));
    EXPECT_EQ(ui().infos().size(), 1);
}

TEST_F(Sheets, WorkbookExportWritesOneFileAndLeavesTheDayHourFilterAsItWas)
{
    const QString filter = rules().filter();
    const QString path = m_dir.filePath(QStringLiteral("precos.xlsx"));
    runWithFile(Qt::CTRL | Qt::Key_E, path);
    ASSERT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_TRUE(f.read(2) == "PK"); // a zip package
    EXPECT_FALSE(
        QFile::exists(m_dir.filePath(QStringLiteral("precos - Preços Diferenciados.csv"))));
    EXPECT_TRUE(rules().isFiltered());
    EXPECT_EQ(rules().filter(), filter);
}

TEST_F(Sheets, ExportThenImportOfTheSameFileChangesNothing)
{
    const QString path = m_dir.filePath(QStringLiteral("precos.csv"));
    runWithFile(Qt::CTRL | Qt::Key_E, path);
    const QStringList before = dump();
    ui().clear();

    int unchanged = -1;
    bool canConfirm = true;
    runWithFile(Qt::CTRL | Qt::Key_I, path, [&](TfrmPreviaImportacao &p) {
        unchanged = p.grdPrevia->model()->rowCount();
        EXPECT_EQ(
            p.lblContagem->text(),
            QStringLiteral("Alterados: 0    Sem alteração: %1    Recusados: 0").arg(unchanged));
        canConfirm = p.sbtConfirmar->isEnabled();
        QTest::mouseClick(p.sbtVoltar, Qt::LeftButton);
    });
    EXPECT_EQ(unchanged, items().recordCount());
    EXPECT_FALSE(canConfirm);
    EXPECT_TRUE(ui().errors().isEmpty()) << ui().errors().join(u'\n').toStdString();
    EXPECT_EQ(dump(), before);
}

TEST_F(Sheets, EachErrorShowsTheGridsMessageOnItsRowAndNothingIsWrittenUnlessIgnored)
{
    const QString path = m_dir.filePath(QStringLiteral("erros.csv"));
    const double price5 = storedPrice("0000000005");
    writeFile(path, "Produto;Preço;Pr. Delivery;Promoção\r\n"
                    "9.99.999.9999;1,00;;\r\n"
                    "1.01.001.0001;12,3x;;\r\n"
                    "1.01.001.0002;999999999999999;;\r\n"
                    "1.01.001.0003;-1,00;;\r\n"
                    "1.01.001.0004;;;X\r\n"
                    "1.01.001.0005;" +
                        QByteArray::number(price5 + 1, 'f', 2).replace('.', ',') + ";;\r\n");
    const QStringList before = dump();
    QStringList situations;
    bool confirmBeforeTick = true, confirmAfterTick = false;
    ui().queueAnswers({mrNo, mrYes});
    runWithFile(Qt::CTRL | Qt::Key_I, path, [&](TfrmPreviaImportacao &p) {
        for (int line = 2; line <= 7; ++line)
            situations << situation(p, line);
        confirmBeforeTick = p.sbtConfirmar->isEnabled();
        // From the list, Tab reaches the box and Space ticks it, as a user without a mouse does.
        p.show();
        p.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&p));
        p.grdPrevia->setFocus();
        QTest::keyClick(p.grdPrevia, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        confirmAfterTick = p.sbtConfirmar->isEnabled();
        // Tab on to "Confirmar", Enter presses it. The first confirmation is answered No:
        // nothing may be written.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), p.sbtConfirmar);
        QTest::keyClick(p.sbtConfirmar, Qt::Key_Return);
        EXPECT_EQ(dump(), before);
        QTest::keyClick(p.sbtConfirmar, Qt::Key_Return);
    });
    EXPECT_EQ(
        situations,
        (QStringList{
            "Produto não cadastrado.", "'12,3x' não é um valor numérico válido para o campo Preço.",
            "Operação bloqueda. Valor preço inválido.", "Valor consumidor deve ser maior que zero.",
            "'X' não é um valor válido para o campo Promoção: use Sim ou Não.", "Alterado"}));
    EXPECT_FALSE(confirmBeforeTick);
    EXPECT_TRUE(confirmAfterTick);
    ASSERT_EQ(ui().questions().size(), 2);
    EXPECT_EQ(ui().questions()[0], QStringLiteral("Confirma a importação de 1 preço alterado? As "
                                                  "5 linhas com erro não serão importadas."));
    // Ignoring the errors writes the one good row and nothing else.
    QStringList after = dump();
    EXPECT_EQ(after.size(), before.size());
    int differing = 0;
    for (int i = 0; i < std::min(after.size(), before.size()); ++i)
        differing += after[i] != before[i];
    EXPECT_EQ(differing, 1);
    EXPECT_DOUBLE_EQ(storedPrice("0000000005"), price5 + 1);
    // The change record names the file, without its folder.
    EXPECT_EQ(stored(QStringLiteral("SELECT NMMETODO FROM HISTALTERACAO WHERE CDPRODUTO = "
                                    "'0000000005' ORDER BY NRALTERACAO DESC LIMIT 1"))
                  .toString(),
              QStringLiteral("SetImportaPreco erros.csv"));
    // The grid shows what the server now holds.
    ASSERT_TRUE(goToItemWhere([](const data::ClientDataSet &ds) {
        return str(ds, "CDPRODUTO") == QLatin1String("0000000005");
    }));
    EXPECT_DOUBLE_EQ(num(items(), "VRPRECITEM"), price5 + 1);
}

TEST_F(Sheets, AnImportRacingAnotherSaveIsRefusedNamingThatRowAndWritesNothing)
{
    const QString path = m_dir.filePath(QStringLiteral("corrida.csv"));
    const double price1 = storedPrice("0000000001"), price2 = storedPrice("0000000002");
    writeFile(path, "Produto;Preço\r\n1.01.001.0001;" +
                        QByteArray::number(price1 + 1, 'f', 2).replace('.', ',') +
                        "\r\n1.01.001.0002;" +
                        QByteArray::number(price2 + 1, 'f', 2).replace('.', ',') + "\r\n");
    ui().queueAnswer(mrYes);
    QString raced, other;
    bool confirmAfter = true;
    runWithFile(Qt::CTRL | Qt::Key_I, path, [&](TfrmPreviaImportacao &p) {
        // Another user saves the first product's price while the preview is open.
        data::ChangeSet delta;
        delta.fields = {{"CDTABEPREC", data::FieldType::String, 3},
                        {"DTINIVGPREC", data::FieldType::Date, 0},
                        {"CDPRODUTO", data::FieldType::String, 10},
                        {"CDPRPAITABPR", data::FieldType::String, 10},
                        {"VRPRECITEM", data::FieldType::Float, 0}};
        const QDate start = QDate::fromString(periodStart(), Qt::ISODate);
        delta.changes.push_back({data::Change::Op::Modify,
                                 {"001", start, "0000000001", "0000000001", price1},
                                 {"001", start, "0000000001", "0000000001", price1 + 5}});
        ASSERT_EQ(call(QStringLiteral("SetItemPreco"), {delta, QString()}).status, 200);

        QTest::mouseClick(p.sbtConfirmar, Qt::LeftButton);
        raced = situation(p, 2);
        other = situation(p, 3);
        confirmAfter = p.sbtConfirmar->isEnabled();
        QTest::mouseClick(p.sbtVoltar, Qt::LeftButton);
    });
    EXPECT_EQ(raced, QStringLiteral("Alterado por outro usuário depois da pré-visualização."));
    EXPECT_EQ(other, QStringLiteral("Alterado"));
    EXPECT_FALSE(confirmAfter);
    ASSERT_EQ(ui().errors().size(), 1);
    EXPECT_TRUE(ui().errors()[0].startsWith(
        QStringLiteral("Registro alterado ou excluído por outro usuário.")));
    EXPECT_TRUE(ui().errors()[0].contains(QStringLiteral("1.01.001.0001")));
    EXPECT_FALSE(ui().errors()[0].contains(QStringLiteral("1.01.001.0002")));
    EXPECT_DOUBLE_EQ(storedPrice("0000000001"), price1 + 5);
    EXPECT_DOUBLE_EQ(storedPrice("0000000002"), price2);
}

} // namespace
} // namespace vnd::pricetable::test
