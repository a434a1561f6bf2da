// The form page's spreadsheets through the real window: the export of what the grids show
// to a workbook and to CSV files.

#include "formfixture.h"

#include "host/widgets/dbsortgrid.h"
#include "host/widgets/dialogrunner.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
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

    // The command's key with the file dialog answered as a user does: the name typed, then
    // the accept button (the dialog may first take the click to read the folder).
    void runWithFile(QKeyCombination key, const QString &path)
    {
        widgets::ScopedDialogResponder answer([&path](QDialog &d) {
            auto *files = qobject_cast<QFileDialog *>(&d);
            ASSERT_TRUE(files);
            auto *name = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            auto *box = files->findChild<QDialogButtonBox *>();
            ASSERT_TRUE(name && box);
            // The folder as picked in "Pasta:", then the name typed.
            files->setDirectory(QFileInfo(path).absolutePath());
            name->setFocus();
            QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(name, QFileInfo(path).fileName());
            for (int i = 0; i < 20 && d.isVisible(); ++i) {
                QTest::qWait(50);
                for (QAbstractButton *b : box->buttons())
                    if (box->buttonRole(b) == QDialogButtonBox::AcceptRole)
                        QTest::mouseClick(b, Qt::LeftButton);
            }
        });
        win().dbsItemPreco->setFocus();
        QTest::keyClick(win().dbsItemPreco, key.key(), key.keyboardModifiers());
        QApplication::processEvents();
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

} // namespace
} // namespace vnd::pricetable::test
